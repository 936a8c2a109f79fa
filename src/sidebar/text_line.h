// One line of text laid out once and drawn many times: glyph runs (with any
// fallback fonts the text needs) in one colour, drawn at a baseline origin.
#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QList>
#include <QPen>
#include <QString>

class QPainter;

namespace kestrune {

class TextLine {
public:
    TextLine() = default;
    // Line breaks in the text are shown as spaces: a line is never more than one row.
    TextLine(const QString& text, const QFont& font, const QColor& color);

    // Draws with the baseline's left end at (x, baselineY), in painter coordinates.
    void draw(QPainter& painter, double x, double baselineY) const;

    double width() const { return width_; }
    bool isEmpty() const { return runs_.isEmpty(); }

private:
    QList<QGlyphRun> runs_;
    QPen pen_;
    double ascent_ = 0; // from the layout's top to its baseline
    double width_ = 0;
};

} // namespace kestrune
