// Finds a font face by its PostScript name through fontconfig, the way the
// sidebar asks for "Lexend-Regular".
#pragma once

#include <QFont>
#include <QPaintDevice>
#include <QString>

namespace kestrune {

struct FontFace {
    QString family;
    QString style;
    // Of the face actually found: the one asked for, or fontconfig's substitute.
    QString postScriptName;
};

// The face with that PostScript name when it is installed, otherwise the face
// fontconfig offers in its place.
FontFace findFontFace(const QString& postScriptName);

// The face at a size in pixels (fractions kept), for text laid out on pixelDevice().
QFont makeFont(const FontFace& face, double pixelSize);

// Ascent and descent (both positive) of the font at a size in pixels, exactly as
// the face's design gives them, without hinting or screen rounding.
struct LineMetrics {
    double ascent = 0;
    double descent = 0;
};
LineMetrics lineMetrics(const QFont& font, double pixelSize);

// A paint device at 72 dpi, where a font's point is an output pixel. Layout and
// font metrics must use it: the screen's resolution is not the frame's.
QPaintDevice* pixelDevice();

} // namespace kestrune
