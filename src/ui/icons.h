// The symbols the views name ("play.fill", "scissors", …) and the glyphs of the
// Material Icons font that draw them, the only place the two are paired.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

struct IconGlyph {
    std::string_view symbol;
    char32_t codePoint;
};

// Every symbol the views may name, each with its glyph.
std::span<const IconGlyph> iconGlyphs();
// The glyph of `symbol`, none for a symbol the table lacks.
std::optional<char32_t> iconCodePoint(std::string_view symbol);

// The icon table for QML: `Icons.glyph("scissors")` is the text an Icon shows.
class Icons : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QString fontFamily READ fontFamily CONSTANT)
public:
    using QObject::QObject;

    static QString fontFamily() { return QStringLiteral("Material Icons"); }
    // The glyph as text; an empty text, with a warning, for an unknown symbol.
    Q_INVOKABLE QString glyph(const QString& symbol) const;
};

} // namespace kestrune
