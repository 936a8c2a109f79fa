#include "sidebar/sidebar_layout.h"

#include <gtest/gtest.h>

using kestrune::SidebarLayout;

TEST(SidebarLayout, RowsAndFontsFollowTheChapterCount) {
    SidebarLayout four = SidebarLayout::make(4, 1920, 1080, 480);
    EXPECT_DOUBLE_EQ(four.paddingY, 54);
    EXPECT_DOUBLE_EQ(four.itemHeight, 243);
    EXPECT_DOUBLE_EQ(four.titleFontSize, 38.8); // capped by the width: 480 × 0.085 − 2
    EXPECT_DOUBLE_EQ(four.subtitleFontSize, 19.6);
    EXPECT_DOUBLE_EQ(four.textX, 1452);
    EXPECT_DOUBLE_EQ(four.maxTextWidth, 456);
    EXPECT_DOUBLE_EQ(four.hlX, 1444);
    EXPECT_DOUBLE_EQ(four.hlW, 472);

    SidebarLayout twenty = SidebarLayout::make(20, 1920, 1080, 480);
    EXPECT_DOUBLE_EQ(twenty.itemHeight, 48.6);
    EXPECT_DOUBLE_EQ(twenty.titleFontSize, 19.6); // 1080 / 50 − 2

    EXPECT_DOUBLE_EQ(SidebarLayout::make(60, 1920, 1080, 480).titleFontSize, 12);

    SidebarLayout none = SidebarLayout::make(0, 1920, 1080, 480);
    EXPECT_DOUBLE_EQ(none.itemHeight, 0);
    EXPECT_DOUBLE_EQ(none.titleFontSize, 38.8);
}

TEST(SidebarLayout, NarrowSidebarsKeepReadableFonts) {
    SidebarLayout narrow = SidebarLayout::make(4, 1920, 1080, 200);
    EXPECT_DOUBLE_EQ(narrow.subtitleFontSize, 10); // 200 × 0.045 − 2 = 7
    EXPECT_DOUBLE_EQ(narrow.titleFontSize, 15);    // 200 × 0.085 − 2
    EXPECT_DOUBLE_EQ(SidebarLayout::make(0, 1920, 1080, 100).titleFontSize, 12);
    // Beside the video the strip starts where the video area ends.
    EXPECT_DOUBLE_EQ(SidebarLayout::make(4, 2342, 1080, 422).textX, 1920 + 12);
}
