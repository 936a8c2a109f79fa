// Run with fontconfig limited to the system's fonts, where Lexend is absent.
#include "log/capturing_sink.h"
#include "sidebar/sidebar_renderer.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace kestrune;

namespace {

// Before main: fontconfig reads its configuration once, on first use.
const bool kSystemFontsOnly = setenv("FONTCONFIG_FILE", SYSTEM_FONTS_ONLY_CONF, 1) == 0;

} // namespace

TEST(SidebarFontFallback, LogsTheSubstituteForBothFontsAndUsesItsMetrics) {
    ASSERT_TRUE(kSystemFontsOnly);
    log::CapturingSink sink;
    SidebarRenderer renderer({{Uuid::generate(), "Intro", "", 0}}, 1920, 1080, 1920, 480,
                             SidebarTheme::classic());
    std::vector<std::string> errors;
    for (const auto& entry : sink.entries())
        if (entry.level == log::Level::Error)
            errors.push_back(entry.message);
    ASSERT_EQ(errors.size(), 2u);
    for (const auto& message : errors)
        EXPECT_EQ(message,
                  "SidebarRenderer: 'Lexend-Regular' font not found, fell back to 'DejaVuSans'");

    // The substitute's own proportions: DejaVu Sans rises 1901 and descends 483 of 2048 units.
    EXPECT_DOUBLE_EQ(renderer.titleAscent(), renderer.layout().titleFontSize * 1901 / 2048);
    EXPECT_DOUBLE_EQ(renderer.titleDescent(), renderer.layout().titleFontSize * 483 / 2048);
    EXPECT_DOUBLE_EQ(renderer.subAscent(), renderer.layout().subtitleFontSize * 1901 / 2048);
    EXPECT_DOUBLE_EQ(renderer.subDescent(), renderer.layout().subtitleFontSize * 483 / 2048);
}
