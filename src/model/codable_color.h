// One colour of a sidebar theme: four straight (not premultiplied) components
// from 0 to 1, shown to the user and typed as hexadecimal text.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

class QColor;

namespace kestrune {

struct CodableColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    // "#RRGGBB" when opaque (alpha ≥ 0.999), "#RRGGBBAA" otherwise; upper-case digits.
    std::string hex() const;

    // Accepts "#RRGGBB", "#RRGGBBAA" and "#RGB", with or without "#", in any case,
    // with spaces and tabs around; anything else gives no colour.
    static std::optional<CodableColor> fromHex(std::string_view text);

    // From a colour's component list: red, green, blue, alpha, missing ones read as
    // 0, 0, 0 and 1.
    static CodableColor fromComponents(std::span<const double> components);

    // From a colour handed back by a colour picker, taken in device RGB.
    static CodableColor fromColor(const QColor& color);
    QColor toColor() const;

    bool operator==(const CodableColor&) const = default;
};

} // namespace kestrune
