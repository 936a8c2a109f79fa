#include "model/codable_color.h"
#include "model/sidebar_theme.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include <QColor>

using kestrune::CodableColor;
using kestrune::SidebarTheme;

namespace {

void expectColor(const std::optional<CodableColor>& c, double r, double g, double b, double a) {
    ASSERT_TRUE(c.has_value());
    EXPECT_DOUBLE_EQ(c->red, r);
    EXPECT_DOUBLE_EQ(c->green, g);
    EXPECT_DOUBLE_EQ(c->blue, b);
    EXPECT_DOUBLE_EQ(c->alpha, a);
}

} // namespace

TEST(CodableColorHex, ReadsLongShortAndTranslucentForms) {
    for (const char* text : {"#FFFFFF73", "FFFFFF73", "  #ffffff73\t", "\t FFFFFF73  "})
        expectColor(CodableColor::fromHex(text), 1, 1, 1, 115 / 255.0);
    expectColor(CodableColor::fromHex("#323232"), 50 / 255.0, 50 / 255.0, 50 / 255.0, 1);
    expectColor(CodableColor::fromHex("#F80"), 1, 8 / 15.0, 0, 1);
    expectColor(CodableColor::fromHex("0x12AB"), 0, 0x12 / 255.0, 0xAB / 255.0, 1);
}

TEST(CodableColorHex, RefusesTextOfTheWrongLengthOrWithoutDigits) {
    for (const char* text :
         {"#12345", "", "#", "   ", "#GGGGGG", "zzzzzz", "#1234567", "#12", "#FFFFFF\n", "##FFF"})
        EXPECT_FALSE(CodableColor::fromHex(text).has_value()) << '"' << text << '"';
}

TEST(CodableColorHex, LengthCountsCharactersNotDigits) {
    // Digits stop at the first non-digit, but the length of the whole text picks the form.
    expectColor(CodableColor::fromHex("#12xxxx"), 0, 0, 0x12 / 255.0, 1);
    // Six characters, one of them two bytes long in UTF-8.
    expectColor(CodableColor::fromHex("AB\xC3\xA9"
                                      "CDE"),
                0, 0, 0xAB / 255.0, 1);
}

TEST(CodableColorHex, FormatsSevenCharactersWhenOpaqueNineOtherwise) {
    EXPECT_EQ(CodableColor::fromHex("#323232")->hex(), "#323232");
    EXPECT_EQ(CodableColor::fromHex("#a1b2c3")->hex(), "#A1B2C3");
    EXPECT_EQ(CodableColor::fromHex("#a1b2c3d4")->hex(), "#A1B2C3D4");
    EXPECT_EQ(CodableColor::fromHex("#A1B2C3FF")->hex(), "#A1B2C3");
    EXPECT_EQ((CodableColor{1, 1, 1, 0.9995}).hex(), "#FFFFFF");
    EXPECT_EQ((CodableColor{1, 1, 1, 0.998}).hex(), "#FFFFFFFE");
    // Halves round away from zero: 0.5 × 255 = 127.5 → 128.
    EXPECT_EQ((CodableColor{0.5, 0, 0, 1}).hex(), "#800000");
    // Out-of-range components (a wide-gamut picker) show at the ends of the range.
    EXPECT_EQ((CodableColor{-0.2, 1.3, 0.5, 1}).hex(), "#00FF80");
}

TEST(SidebarThemePresets, MatchTheirPublishedHexValues) {
    // Components such as 0.3 and 0.7 land exactly on a half (76.5, 178.5) and round up.
    const std::vector<std::vector<std::string>> expected{
        {"#323232", "#323232", "#FFFFFF", "#000000", "#FFFFFF73", "#000000A6", "#FFFFFF4D",
         "#FFFFFF26", "#FFFFFF26", "#000000"},
        {"#EBEBEB", "#EBEBEB", "#1E1E1E", "#FFFFFF", "#00000080", "#FFFFFFB3", "#00000059",
         "#0000001A", "#0000001A", "#00000033"},
        {"#141419", "#141419", "#3C78FF", "#FFFFFF", "#B3CCFF80", "#FFFFFFBF", "#B3CCFF4D",
         "#6680FF26", "#6680FF26", "#000000"},
        {"#2D231E", "#2D231E", "#F0B43C", "#23190F", "#FFF2D980", "#23190FB3", "#FFF2D94D",
         "#FFD99926", "#FFD99926", "#1E140A"},
    };
    const auto& presets = SidebarTheme::presets();
    ASSERT_EQ(presets.size(), 4u);
    EXPECT_EQ(presets[0].name, "Classic");
    EXPECT_EQ(presets[1].name, "Light");
    EXPECT_EQ(presets[2].name, "Midnight");
    EXPECT_EQ(presets[3].name, "Warm");
    for (std::size_t p = 0; p < presets.size(); ++p) {
        std::vector<std::string> hexes;
        kestrune::forEachThemeColor(
            presets[p], [&](const char*, const CodableColor& c) { hexes.push_back(c.hex()); });
        EXPECT_EQ(hexes, expected[p]) << presets[p].name;
    }
    EXPECT_EQ(SidebarTheme::classic().inactiveTitleColor, (CodableColor{1, 1, 1, 0.45}));
}

TEST(SidebarThemePresets, ThemeWithPresetColoursButAnotherNameIsNotThatPreset) {
    SidebarTheme renamed = SidebarTheme::presets()[3];
    renamed.name = "Mine";
    EXPECT_NE(renamed, SidebarTheme::presets()[3]);
    renamed.name = "Warm";
    EXPECT_EQ(renamed, SidebarTheme::presets()[3]);
}

TEST(CodableColorFromPicker, TakesRgbComponentsAndDefaultsMissingOnes) {
    // QColor keeps 16 bits a component.
    CodableColor picked = CodableColor::fromColor(QColor::fromRgbF(0.25f, 0.5f, 0.75f, 0.5f));
    EXPECT_NEAR(picked.red, 0.25, 1e-4);
    EXPECT_NEAR(picked.green, 0.5, 1e-4);
    EXPECT_NEAR(picked.blue, 0.75, 1e-4);
    EXPECT_NEAR(picked.alpha, 0.5, 1e-4);
    // Colours picked in another model arrive converted to RGB.
    expectColor(CodableColor::fromColor(QColor::fromHsv(0, 255, 255)), 1, 0, 0, 1);
    const double grey[] = {0.4};
    expectColor(CodableColor::fromComponents(grey), 0.4, 0, 0, 1);
    expectColor(CodableColor::fromComponents({}), 0, 0, 0, 1);
}
