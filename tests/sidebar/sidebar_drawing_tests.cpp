// Pixel probes of drawn 1920 × 1080 frames with a 480-pixel sidebar: rows are
// 243 pixels high between 54-pixel padding bands, texts start at x = 1452.
#include "log/capturing_sink.h"
#include "sidebar/sidebar_renderer.h"

#include <functional>
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>

using namespace kestrune;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kSidebar = 480;
constexpr int kSidebarX = kWidth - kSidebar;
constexpr QRgb kVideo = 0xFF808080;

// Opaque, far-apart colours, so that every probe can tell what it sees.
SidebarTheme probeTheme() {
    SidebarTheme theme = SidebarTheme::classic();
    theme.name = "Probe";
    theme.sidebarBackground = {0, 0, 0, 1};
    theme.highlightBackground = {1, 1, 1, 1};
    theme.activeTitleColor = {0, 1, 0, 1};
    theme.inactiveTitleColor = {0, 0, 1, 1};
    theme.activeSubtitleColor = {1, 0, 0, 1};
    theme.inactiveSubtitleColor = {1, 1, 0, 1};
    theme.separatorColor = {1, 0, 1, 1};
    return theme;
}

struct Band {
    int top = 0;
    int bottom = 0; // exclusive
};

Band rowBand(int row) {
    const double top = 54 + 243.0 * row;
    return {static_cast<int>(top) + 2, static_cast<int>(top + 243) - 2};
}

class SidebarDrawing : public ::testing::Test {
protected:
    QImage frame{kWidth, kHeight, QImage::Format_ARGB32_Premultiplied};

    QImage draw(SidebarRenderer& renderer, double time) {
        frame.fill(kVideo);
        QPainter painter(&frame);
        renderer.draw(painter, time);
        return frame;
    }

    std::vector<Section> sections(std::vector<std::pair<std::string, std::string>> rows) {
        std::vector<Section> result;
        double start = 0;
        for (auto& [title, subtitle] : rows) {
            result.push_back({Uuid::generate(), title, subtitle, start});
            start += 10;
        }
        return result;
    }

    // Pixels in a row band (within the sidebar) that satisfy a test.
    int count(Band band, const std::function<bool(QColor)>& match, int left = kSidebarX,
              int right = kWidth) const {
        int n = 0;
        for (int y = band.top; y < band.bottom; ++y)
            for (int x = left; x < right; ++x)
                n += match(frame.pixelColor(x, y)) ? 1 : 0;
        return n;
    }

    // The lowest and highest pixel rows in the band holding a matching pixel.
    std::pair<int, int> inkRows(Band band, const std::function<bool(QColor)>& match) const {
        int first = -1;
        int last = -1;
        for (int y = band.top; y < band.bottom; ++y)
            for (int x = kSidebarX; x < kWidth; ++x)
                if (match(frame.pixelColor(x, y))) {
                    if (first < 0)
                        first = y;
                    last = y;
                    break;
                }
        return {first, last};
    }
};

bool greenish(QColor c) {
    return c.green() > 128 && c.red() < 100 && c.blue() < 100;
}
bool bluish(QColor c) {
    return c.blue() > 128 && c.red() < 100 && c.green() < 100;
}
bool reddish(QColor c) {
    return c.red() > 128 && c.green() < 100 && c.blue() < 100;
}
bool isBlack(QColor c) {
    return c.rgb() == 0xFF000000;
}

} // namespace

TEST_F(SidebarDrawing, FillsTheStripAndBoxesTheActiveRowOnly) {
    SidebarRenderer renderer(sections({{"One", ""}, {"Two", "Sub"}, {"Three", ""}, {"Four", ""}}),
                             kWidth, kHeight, kWidth, kSidebar, probeTheme());
    draw(renderer, 15);

    EXPECT_EQ(frame.pixel(kSidebarX - 1, 500), kVideo); // the video area is left alone
    EXPECT_EQ(frame.pixel(kSidebarX, 20), 0xFF000000u);
    EXPECT_EQ(frame.pixel(kWidth - 1, 1070), 0xFF000000u);
    EXPECT_EQ(frame.pixel(1900, 420), 0xFFFFFFFFu); // inside the box on row 1
    EXPECT_EQ(frame.pixel(1442, 420), 0xFF000000u); // left of the box
    for (int row : {0, 2, 3})
        EXPECT_EQ(frame.pixel(1900, (rowBand(row).top + rowBand(row).bottom) / 2), 0xFF000000u);
    // Rounded corners: the very corner of the box shows the background.
    EXPECT_EQ(frame.pixel(1444, 297), 0xFF000000u);
}

TEST_F(SidebarDrawing, SeparatorsAreDashedFourOnFourOff) {
    SidebarRenderer renderer(sections({{"A", ""}, {"B", ""}, {"C", ""}, {"D", ""}}), kWidth,
                             kHeight, kWidth, kSidebar, probeTheme());
    draw(renderer, 15);
    // Between rows 2 and 3, at y = 783: the line straddles pixel rows 782 and 783.
    for (int k = 0; k < 24; ++k) {
        QColor c = frame.pixelColor(1452 + k, 783);
        if (k % 8 < 4)
            EXPECT_TRUE(c.red() > 60 && c.blue() > 60 && c.green() == 0) << k;
        else
            EXPECT_TRUE(isBlack(c)) << k;
    }
    EXPECT_TRUE(isBlack(frame.pixelColor(1451, 783)));       // starts at the text edge
    EXPECT_TRUE(isBlack(frame.pixelColor(1452 + 456, 783))); // and is 456 long

    SidebarRenderer single(sections({{"Only", ""}}), kWidth, kHeight, kWidth, kSidebar,
                           probeTheme());
    draw(single, 0);
    // No separators, and the box fills the band between the padding bands.
    EXPECT_EQ(
        count({55, 1025}, [](QColor c) { return c.red() > 60 && c.blue() > 60 && c.green() == 0; }),
        0);
    EXPECT_EQ(frame.pixel(1900, 60), 0xFFFFFFFFu);
    EXPECT_EQ(frame.pixel(1900, 1020), 0xFFFFFFFFu);
    EXPECT_EQ(frame.pixel(1900, 50), 0xFF000000u);
}

TEST_F(SidebarDrawing, TextsTakeTheActiveColourOnlyInTheActiveRow) {
    SidebarRenderer renderer(sections({{"HHHH", ""}, {"HHHH", "Sub"}, {"HHHH", ""}, {"HHHH", ""}}),
                             kWidth, kHeight, kWidth, kSidebar, probeTheme());
    draw(renderer, 15);
    EXPECT_GT(count(rowBand(1), greenish), 50);
    EXPECT_EQ(count(rowBand(1), bluish), 0);
    EXPECT_GT(count(rowBand(1), reddish), 20); // the active subtitle
    for (int row : {0, 2, 3}) {
        EXPECT_GT(count(rowBand(row), bluish), 50) << row;
        EXPECT_EQ(count(rowBand(row), greenish), 0) << row;
    }
}

TEST_F(SidebarDrawing, TitlesSitCentredAloneOrAboveTheirSubtitle) {
    SidebarRenderer renderer(sections({{"HHHH", ""}, {"HHHH", "HHHH"}}), kWidth, kHeight, kWidth,
                             kSidebar, probeTheme());
    draw(renderer, 0);
    const double a = renderer.titleAscent(), d = renderer.titleDescent();
    const double sa = renderer.subAscent(), sd = renderer.subDescent();
    // Two rows of 486 pixels: centres at 297 and 783. "H" has its foot on the baseline.
    const double aloneBaseline = 297 + (a - d) / 2;
    auto [aloneTop, aloneFoot] = inkRows({56, 538}, greenish);
    EXPECT_NEAR(aloneFoot + 1, aloneBaseline, 1.5);
    (void)aloneTop;

    const double block = a + d + 2 + sa + sd;
    const double titleBaseline = 783 - block / 2 + a;
    const double subtitleBaseline = titleBaseline + d + 2 + sa;
    auto [titleTop, titleFoot] = inkRows({542, 1024}, bluish);
    auto [subTop, subFoot] = inkRows(
        {542, 1024}, [](QColor c) { return c.red() > 128 && c.green() > 128 && c.blue() < 100; });
    EXPECT_NEAR(titleFoot + 1, titleBaseline, 1.5);
    EXPECT_NEAR(subFoot + 1, subtitleBaseline, 1.5);
    EXPECT_LT(titleFoot, subTop);
    (void)titleTop;
}

TEST_F(SidebarDrawing, LongTitlesAreCutAtTheFrameEdgeAndLineBreaksStayOnOneLine) {
    SidebarRenderer renderer(sections({{std::string(80, 'W'), ""}, {"Two\nLines\r\nHere", ""}}),
                             kWidth, kHeight, kWidth, kSidebar, probeTheme());
    draw(renderer, 100);
    // Row 0 (inactive, blue) reaches the last column instead of wrapping.
    EXPECT_GT(count({56, 538}, bluish, kWidth - 4, kWidth), 0);
    auto [top, foot] = inkRows({56, 538}, bluish);
    EXPECT_LT(foot - top, renderer.titleAscent() + renderer.titleDescent());
    // Row 1 (active, green): one line of ink, not three.
    auto [top1, foot1] = inkRows({542, 1024}, greenish);
    EXPECT_LT(foot1 - top1, renderer.titleAscent() + renderer.titleDescent());
    EXPECT_GT(count({542, 1024}, greenish, 1700, kWidth), 0); // "Two Lines Here" runs on
}

TEST_F(SidebarDrawing, TextNeverLeavesTheSidebarBesideTheVideo) {
    // A 2342-wide frame with the sidebar beside a 1920 video area; the painter
    // already clips to the frame, the renderer must clip to its strip.
    QImage wide(2342, 1080, QImage::Format_ARGB32_Premultiplied);
    wide.fill(kVideo);
    SidebarRenderer renderer(sections({{std::string(80, 'W'), ""}}), 2342, 1080, 1920, 422,
                             probeTheme());
    QPainter painter(&wide);
    painter.setClipRect(0, 0, 2342, 1080);
    renderer.draw(painter, 0);
    for (int y = 0; y < 1080; ++y)
        ASSERT_EQ(wide.pixel(1919, y), kVideo) << y;
    EXPECT_EQ(painter.clipRegion(), QRegion(0, 0, 2342, 1080)); // clip restored
}

TEST_F(SidebarDrawing, WithoutSectionsOnlyTheStripIsDrawn) {
    log::CapturingSink sink;
    SidebarRenderer renderer({}, kWidth, kHeight, kWidth, kSidebar, probeTheme());
    draw(renderer, 3);
    EXPECT_EQ(count({0, kHeight}, [](QColor c) { return !isBlack(c); }), 0);
    EXPECT_EQ(frame.pixel(kSidebarX - 1, 0), kVideo);
    EXPECT_TRUE(sink.contains(log::Level::Info, log::Category::ExportSidebar,
                              "SidebarRenderer: initialized with 0 sections, sidebar=480x1080"));
}

TEST_F(SidebarDrawing, FindsLexendAndDrawsARealisticFrame) {
    log::CapturingSink sink;
    SidebarRenderer renderer(sections({{"Welcome", ""},
                                       {"Setting up the rig", "Cameras and light"},
                                       {"First climb", "North ridge"},
                                       {"Summit", ""},
                                       {"Way down", "Weather turns"},
                                       {"Thanks for watching", ""}}),
                             kWidth, kHeight, kWidth, 422, SidebarTheme::classic());
    EXPECT_FALSE(sink.contains(log::Level::Error, log::Category::ExportSidebar, "font not found"));
    EXPECT_TRUE(sink.contains(log::Level::Info, log::Category::ExportSidebar,
                              "initialized with 6 sections, sidebar=422x1080, "
                              "titleFont=33.870000pt, subtitleFont=16.990000pt"));
    // Lexend rises a full em and descends a quarter.
    EXPECT_DOUBLE_EQ(renderer.titleAscent(), 33.87);
    EXPECT_DOUBLE_EQ(renderer.titleDescent(), 33.87 / 4);
    draw(renderer, 20.2);
    draw(renderer, 30.0);
    draw(renderer, 30.15); // sliding from "First climb" towards "Summit"
    // Kept beside the test binary for a look: build/tests/sidebar/sidebar_frame.png
    frame.save(QDir::current().filePath("sidebar_frame.png"));
    EXPECT_EQ(renderer.prevActiveIndex(), 3);
}
