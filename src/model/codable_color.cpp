#include "codable_color.h"

#include "hex_digit.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include <QColor>

namespace kestrune {

namespace {

// Rounds a component to 0…255, halves away from zero. Components outside 0…1
// (a wide-gamut picker can hand those back) are shown at the nearest end of the
// range instead of as garbage digits.
int toByte(double component) {
    double scaled = std::round(component * 255.0);
    if (!(scaled > 0))
        return 0;
    if (scaled > 255)
        return 255;
    return static_cast<int>(scaled);
}

bool isSpaceOrTab(char c) {
    return c == ' ' || c == '\t';
}

bool isWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Characters of UTF-8 text (code points), the unit the length rule counts in.
std::size_t characterCount(std::string_view text) {
    std::size_t count = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80)
            ++count;
    return count;
}

// Reads a hexadecimal number from the start of the text, after any white space
// and an optional 0x prefix, stopping at the first non-digit. Only the low 32 bits
// matter to the callers, so longer runs of digits simply keep shifting.
std::optional<std::uint64_t> scanHex(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isWhitespace(text[i]))
        ++i;
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        hexDigitValue(text[i + 2]) >= 0)
        i += 2;
    std::uint64_t value = 0;
    bool anyDigit = false;
    for (; i < text.size(); ++i) {
        int digit = hexDigitValue(text[i]);
        if (digit < 0)
            break;
        value = (value << 4) | static_cast<std::uint64_t>(digit);
        anyDigit = true;
    }
    if (!anyDigit)
        return std::nullopt;
    return value;
}

double byteComponent(std::uint64_t value, int shift) {
    return static_cast<double>((value >> shift) & 0xFF) / 255.0;
}

double nibbleComponent(std::uint64_t value, int shift) {
    return static_cast<double>((value >> shift) & 0xF) / 15.0;
}

} // namespace

std::string CodableColor::hex() const {
    char text[10];
    if (alpha >= 0.999)
        std::snprintf(text, sizeof text, "#%02X%02X%02X", toByte(red), toByte(green), toByte(blue));
    else
        std::snprintf(text, sizeof text, "#%02X%02X%02X%02X", toByte(red), toByte(green),
                      toByte(blue), toByte(alpha));
    return text;
}

std::optional<CodableColor> CodableColor::fromHex(std::string_view text) {
    while (!text.empty() && isSpaceOrTab(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpaceOrTab(text.back()))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '#')
        text.remove_prefix(1);

    auto value = scanHex(text);
    if (!value)
        return std::nullopt;

    // The form is chosen by the length of the whole text, not by the digits read.
    switch (characterCount(text)) {
    case 8:
        return CodableColor{byteComponent(*value, 24), byteComponent(*value, 16),
                            byteComponent(*value, 8), byteComponent(*value, 0)};
    case 6:
        return CodableColor{byteComponent(*value, 16), byteComponent(*value, 8),
                            byteComponent(*value, 0), 1.0};
    case 3:
        return CodableColor{nibbleComponent(*value, 8), nibbleComponent(*value, 4),
                            nibbleComponent(*value, 0), 1.0};
    default:
        return std::nullopt;
    }
}

CodableColor CodableColor::fromComponents(std::span<const double> c) {
    return CodableColor{c.size() > 0 ? c[0] : 0.0, c.size() > 1 ? c[1] : 0.0,
                        c.size() > 2 ? c[2] : 0.0, c.size() > 3 ? c[3] : 1.0};
}

CodableColor CodableColor::fromColor(const QColor& color) {
    if (!color.isValid())
        return fromComponents({});
    // Extended-RGB colours keep components outside 0…1; convert() keeps them as floats.
    QColor rgb = color.spec() == QColor::ExtendedRgb ? color : color.toRgb();
    float r, g, b, a;
    rgb.getRgbF(&r, &g, &b, &a);
    const double components[] = {r, g, b, a};
    return fromComponents(components);
}

QColor CodableColor::toColor() const {
    return QColor::fromRgbF(static_cast<float>(red), static_cast<float>(green),
                            static_cast<float>(blue), static_cast<float>(alpha));
}

} // namespace kestrune
