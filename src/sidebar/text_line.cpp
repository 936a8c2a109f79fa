#include "text_line.h"

#include "font_lookup.h"

#include <QPainter>
#include <QTextLayout>

namespace kestrune {

namespace {

QString asOneLine(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (QChar breakChar : {QChar(u'\n'), QChar(u'\r'), QChar(u'\v'), QChar(u'\f'), QChar(0x2028),
                            QChar(0x2029), QChar(0x85)})
        text.replace(breakChar, QChar(u' '));
    return text;
}

} // namespace

TextLine::TextLine(const QString& text, const QFont& font, const QColor& color)
    : pen_(color) {
    QTextLayout layout(asOneLine(text), font, pixelDevice());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid())
        line.setPosition({0, 0});
    layout.endLayout();
    if (!line.isValid())
        return;
    ascent_ = line.ascent();
    width_ = line.naturalTextWidth();
    runs_ = layout.glyphRuns();
}

void TextLine::draw(QPainter& painter, double x, double baselineY) const {
    painter.setPen(pen_);
    const QPointF origin(x, baselineY - ascent_);
    for (const auto& run : runs_)
        painter.drawGlyphRun(origin, run);
}

} // namespace kestrune
