#include "ui/export_progress_text.h"

#include <gtest/gtest.h>
#include <limits>

namespace kestrune {
namespace {

TEST(ExportProgressText, ShowsThePhaseWithTheTruncatedPercentage) {
    EXPECT_EQ(exportProgressText("Clip 2 of 3", 0.456), "Clip 2 of 3 — 45%");
    EXPECT_EQ(exportProgressText("Rendering", 0.999), "Rendering — 99%");
    EXPECT_EQ(exportProgressText("Complete", 1.0), "Complete — 100%");
    EXPECT_EQ(exportProgressText("Preparing...", 0), "Preparing... — 0%");
    // 0.29 × 100 is just below 29 in binary.
    EXPECT_EQ(exportProgressText("Rendering", 0.29), "Rendering — 29%");
    EXPECT_EQ(exportProgressText("Rendering", 0.57), "Rendering — 57%");
    // Out-of-range reports never show nonsense.
    EXPECT_EQ(exportProgressText("Rendering", -0.2), "Rendering — 0%");
    EXPECT_EQ(exportProgressText("Rendering", 1.5), "Rendering — 100%");
    EXPECT_EQ(exportProgressText("Rendering", std::numeric_limits<double>::quiet_NaN()),
              "Rendering — 0%");
}

TEST(ExportProgressText, RemainingTimeIsWholeMinutesAndSecondsTruncated) {
    EXPECT_EQ(remainingTimeText(187'900), "~03:07 remaining");
    EXPECT_EQ(remainingTimeText(59'999), "~00:59 remaining");
    EXPECT_EQ(remainingTimeText(60'000), "~01:00 remaining");
    // Minutes are not capped at an hour.
    EXPECT_EQ(remainingTimeText(75 * 60'000), "~75:00 remaining");
    EXPECT_EQ(remainingTimeText(-5'000), "~00:00 remaining");
    EXPECT_EQ(remainingTimeText(0), "~00:00 remaining");
}

TEST(ExportProgressText, NoEstimateMeansNoRemainingText) {
    EXPECT_EQ(remainingTimeText(std::nullopt), std::nullopt);
    EXPECT_EQ(remainingTimeText(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
    // An absurd estimate still makes a text instead of overflowing.
    EXPECT_TRUE(remainingTimeText(std::numeric_limits<double>::infinity()).has_value());
}

} // namespace
} // namespace kestrune
