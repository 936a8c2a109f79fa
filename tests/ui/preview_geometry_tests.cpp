#include "editing/section_list_model.h"
#include "ui/active_section.h"
#include "ui/preview_geometry.h"

#include <gtest/gtest.h>
#include <limits>
#include <utility>

#include <QSignalSpy>

namespace kestrune {
namespace {

TEST(PreviewGeometry, OverlaidSidebarCoversTheTrailingFifthOfTheWholeVideoArea) {
    const PreviewGeometry g = previewGeometry(1000, 600, true);
    EXPECT_EQ(g.videoArea, QRectF(0, 0, 1000, 600));
    EXPECT_EQ(g.sidebar, QRectF(780, 0, 220, 600));
    // The player is inset by 1.5 % of the height on every side.
    EXPECT_EQ(g.player, QRectF(9, 9, 982, 582));
}

TEST(PreviewGeometry, SidebarBesideTheVideoAreaNarrowsIt) {
    const PreviewGeometry g = previewGeometry(1000, 600, false);
    EXPECT_EQ(g.sidebar, QRectF(780, 0, 220, 600));
    EXPECT_EQ(g.videoArea, QRectF(0, 0, 780, 600));
    EXPECT_EQ(g.player, QRectF(9, 9, 762, 582));
    // They meet without a gap.
    EXPECT_DOUBLE_EQ(g.videoArea.right(), g.sidebar.left());
}

TEST(PreviewGeometry, DegenerateSizesGiveEmptyRectanglesInsideTheView) {
    for (const auto& [w, h] : {std::pair{0.0, 0.0},
                               {-50.0, 300.0},
                               {400.0, -1.0},
                               {std::numeric_limits<double>::quiet_NaN(), 100.0}}) {
        for (bool overlay : {true, false}) {
            const PreviewGeometry g = previewGeometry(w, h, overlay);
            for (const QRectF& r : {g.sidebar, g.videoArea, g.player}) {
                EXPECT_GE(r.width(), 0);
                EXPECT_GE(r.height(), 0);
                EXPECT_GE(r.x(), 0);
            }
        }
    }
    // Narrower than the inset: the player shrinks to nothing rather than turning inside out.
    const PreviewGeometry thin = previewGeometry(10, 1000, false);
    EXPECT_EQ(thin.player.width(), 0);
}

TEST(PreviewLayout, FollowsItsInputsAndTellsOnlyRealChanges) {
    PreviewLayout layout;
    QSignalSpy changed(&layout, &PreviewLayout::geometryChanged);
    layout.setWidth(1000);
    layout.setHeight(600);
    EXPECT_EQ(layout.sidebarRect(), QRectF(780, 0, 220, 600));
    EXPECT_EQ(layout.videoAreaRect().width(), 1000);
    const int afterSize = changed.count();
    layout.setSidebarOverlay(false);
    EXPECT_EQ(layout.videoAreaRect().width(), 780);
    EXPECT_EQ(changed.count(), afterSize + 1);
    layout.setSidebarOverlay(false);
    layout.setWidth(1000);
    EXPECT_EQ(changed.count(), afterSize + 1);
}

class ActiveSectionTest : public ::testing::Test {
protected:
    SectionListModel model;
    ActiveSection active;

    static Section section(double start) {
        Section s;
        s.id = Uuid::generate();
        s.title = "Chapter";
        s.startTime = start;
        return s;
    }

    int at(double time) {
        active.setTime(time);
        return active.index();
    }
};

TEST_F(ActiveSectionTest, TheLastSectionStartedByThatTimeIsActive) {
    model.sync({section(0), section(10), section(20)});
    active.setSections(&model);
    EXPECT_EQ(at(9.999), 0);
    // A section starting exactly now is the active one.
    EXPECT_EQ(at(10), 1);
    EXPECT_EQ(at(25), 2);
    EXPECT_EQ(at(0), 0);
}

TEST_F(ActiveSectionTest, NoSectionIsActiveBeforeTheFirstOrWithoutSections) {
    active.setSections(&model);
    EXPECT_EQ(at(3), -1);
    model.sync({section(5), section(12)});
    EXPECT_EQ(at(4), -1);
    EXPECT_EQ(at(5), 0);
    active.setSections(nullptr);
    EXPECT_EQ(active.index(), -1);
}

TEST_F(ActiveSectionTest, FollowsSectionsAddedMovedAndRemovedWithoutATimeChange) {
    const Section intro = section(0);
    Section middle = section(10);
    const Section end = section(20);
    active.setSections(&model);
    active.setTime(15);
    QSignalSpy changed(&active, &ActiveSection::indexChanged);

    model.sync({intro});
    EXPECT_EQ(active.index(), 0);
    model.sync({intro, middle, end});
    EXPECT_EQ(active.index(), 1);
    // The middle chapter now starts after the playhead.
    middle.startTime = 17;
    model.sync({intro, middle, end});
    EXPECT_EQ(active.index(), 0);
    model.sync({});
    EXPECT_EQ(active.index(), -1);
    EXPECT_EQ(changed.count(), 4);
}

} // namespace
} // namespace kestrune
