#include "icons.h"

#include <algorithm>
#include <array>

#include <QDebug>

namespace kestrune {

namespace {

// Glyph names of the Material Icons font beside each code point.
constexpr std::array kGlyphs{
    IconGlyph{"play.fill", 0xE037},                     // play_arrow
    IconGlyph{"pause.fill", 0xE034},                    // pause
    IconGlyph{"backward.frame.fill", 0xE045},           // skip_previous
    IconGlyph{"forward.frame.fill", 0xE044},            // skip_next
    IconGlyph{"scissors", 0xE14E},                      // content_cut
    IconGlyph{"xmark", 0xE5CD},                         // close
    IconGlyph{"xmark.circle.fill", 0xE5C9},             // cancel
    IconGlyph{"plus", 0xE145},                          // add
    IconGlyph{"plus.circle", 0xE148},                   // add_circle_outline
    IconGlyph{"film", 0xE02C},                          // movie
    IconGlyph{"film.stack", 0xE04A},                    // video_library
    IconGlyph{"square.grid.2x2", 0xE9B0},               // grid_view
    IconGlyph{"arrow.down.doc", 0xE2C4},                // file_download
    IconGlyph{"arrow.counterclockwise", 0xE042},        // replay
    IconGlyph{"chevron.right", 0xE5CC},                 // chevron_right
    IconGlyph{"chevron.down", 0xE5CF},                  // expand_more
    IconGlyph{"line.3.horizontal", 0xE5D2},             // menu
    IconGlyph{"pencil", 0xE3C9},                        // edit
    IconGlyph{"trash", 0xE872},                         // delete
    IconGlyph{"folder", 0xE2C7},                        // folder
    IconGlyph{"checkmark.circle.fill", 0xE86C},         // check_circle
    IconGlyph{"exclamationmark.triangle", 0xE002},      // warning
    IconGlyph{"exclamationmark.triangle.fill", 0xE002}, // warning
    IconGlyph{"doc.on.doc", 0xE14D},                    // content_copy
    IconGlyph{"magnifyingglass", 0xE8B6},               // search
    IconGlyph{"ellipsis", 0xE5D3},                      // more_horiz
};

} // namespace

std::span<const IconGlyph> iconGlyphs() {
    return kGlyphs;
}

std::optional<char32_t> iconCodePoint(std::string_view symbol) {
    const auto found = std::find_if(kGlyphs.begin(), kGlyphs.end(),
                                    [symbol](const IconGlyph& g) { return g.symbol == symbol; });
    if (found == kGlyphs.end())
        return std::nullopt;
    return found->codePoint;
}

QString Icons::glyph(const QString& symbol) const {
    if (symbol.isEmpty())
        return {};
    const auto codePoint = iconCodePoint(symbol.toStdString());
    if (!codePoint) {
        qWarning() << "Icons: no glyph for the symbol" << symbol;
        return {};
    }
    const char32_t text[] = {*codePoint};
    return QString::fromUcs4(text, 1);
}

} // namespace kestrune
