// Which chapter is highlighted, and where the box is, frame by frame.
#include "sidebar/sidebar_renderer.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

using namespace kestrune;

namespace {

class SidebarAnimation : public ::testing::Test {
protected:
    QImage frame{1920, 1080, QImage::Format_ARGB32_Premultiplied};

    std::unique_ptr<SidebarRenderer> rendererFor(std::initializer_list<double> starts) {
        std::vector<Section> sections;
        for (double start : starts)
            sections.push_back({Uuid::generate(), "Chapter", "", start});
        return std::make_unique<SidebarRenderer>(sections, 1920, 1080, 1920, 480,
                                                 SidebarTheme::classic());
    }

    void drawAt(SidebarRenderer& renderer, double time) {
        QPainter painter(&frame);
        renderer.draw(painter, time);
    }

    // Distance from the top of the frame to the top of row i.
    static double rowTop(const SidebarRenderer& r, double i) {
        return r.layout().paddingY + r.layout().itemHeight * i;
    }
};

} // namespace

TEST_F(SidebarAnimation, SlidesToTheNextChapterWithCubicEaseOut) {
    auto renderer = rendererFor({0, 10, 20});
    drawAt(*renderer, 9.999);
    EXPECT_EQ(renderer->prevActiveIndex(), 0);
    EXPECT_DOUBLE_EQ(renderer->highlightY(), rowTop(*renderer, 0));

    drawAt(*renderer, 10.0); // the slide starts where the box is
    EXPECT_EQ(renderer->prevActiveIndex(), 1);
    EXPECT_DOUBLE_EQ(renderer->highlightY(), rowTop(*renderer, 0));

    drawAt(*renderer, 10.2); // q = 0.5, e = 1 − 0.5³
    EXPECT_NEAR(renderer->highlightY(), rowTop(*renderer, 0.875), 1e-9);

    drawAt(*renderer, 10.4);
    EXPECT_DOUBLE_EQ(renderer->highlightY(), rowTop(*renderer, 1));
    drawAt(*renderer, 15);
    EXPECT_DOUBLE_EQ(renderer->highlightY(), rowTop(*renderer, 1));

    drawAt(*renderer, 100); // every chapter has started: the last one is active
    EXPECT_EQ(renderer->prevActiveIndex(), 2);
}

TEST_F(SidebarAnimation, AnInterruptedSlideContinuesFromWhereTheBoxIs) {
    auto renderer = rendererFor({0, 10, 10.1});
    drawAt(*renderer, 5);
    drawAt(*renderer, 10.0);
    drawAt(*renderer, 10.1); // q = 0.25 towards row 1, then a new slide to row 2
    const double reached = rowTop(*renderer, 1 - 0.75 * 0.75 * 0.75);
    EXPECT_EQ(renderer->prevActiveIndex(), 2);
    EXPECT_NEAR(renderer->highlightY(), reached, 1e-9);

    drawAt(*renderer, 10.3);
    EXPECT_NEAR(renderer->highlightY(), reached + 0.875 * (rowTop(*renderer, 2) - reached), 1e-9);
    drawAt(*renderer, 10.5);
    EXPECT_DOUBLE_EQ(renderer->highlightY(), rowTop(*renderer, 2));
}

TEST_F(SidebarAnimation, NothingIsHighlightedBeforeTheFirstChapterThenItAppearsInPlace) {
    auto renderer = rendererFor({5, 10});
    drawAt(*renderer, 0);
    drawAt(*renderer, 4.99);
    EXPECT_EQ(renderer->prevActiveIndex(), -1);
    drawAt(*renderer, 5);
    EXPECT_EQ(renderer->prevActiveIndex(), 0);
    EXPECT_DOUBLE_EQ(renderer->highlightY(), rowTop(*renderer, 0));

    // Starting the export in the middle: the first box still appears without sliding.
    auto late = rendererFor({0, 10, 20});
    drawAt(*late, 25);
    EXPECT_DOUBLE_EQ(late->highlightY(), rowTop(*late, 2));
}
