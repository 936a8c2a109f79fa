#include "editing/project_view_model.h"
#include "editing/section_list_model.h"
#include "export/frame_layout.h"
#include "ui/active_section.h"
#include "ui/preview_geometry.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <utility>

#include <QSignalSpy>
#include <QTemporaryDir>

namespace kestrune {
namespace {

// `rect` within `whole`, as shares of its size: (left, top, width, height).
std::array<double, 4> shares(const QRectF& rect, const QRectF& whole) {
    return {(rect.x() - whole.x()) / whole.width(), (rect.y() - whole.y()) / whole.height(),
            rect.width() / whole.width(), rect.height() / whole.height()};
}

void expectSameShares(const QRectF& a, const QRectF& wholeA, const QRectF& b,
                      const QRectF& wholeB) {
    const auto sa = shares(a, wholeA);
    const auto sb = shares(b, wholeB);
    for (std::size_t i = 0; i < sa.size(); ++i)
        EXPECT_NEAR(sa[i], sb[i], 1e-9) << i;
}

TEST(PreviewGeometry, ShowsTheOutputFrameScaledToFitAndCentred) {
    const OutputDimensions beside{2342, 1080, 1920, 422};
    const FrameLayout exported = frameLayout(beside);
    for (const auto& [w, h] : {std::pair{1000.0, 600.0}, {1000.0, 300.0}, {640.0, 640.0}}) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        const PreviewGeometry g = previewGeometry(w, h, beside);
        // The frame keeps its proportions, touches two sides of the view and is centred.
        EXPECT_NEAR(g.frame.width() / g.frame.height(), 2342.0 / 1080.0, 1e-9);
        EXPECT_TRUE(std::abs(g.frame.width() - w) < 1e-9 || std::abs(g.frame.height() - h) < 1e-9);
        EXPECT_NEAR(g.frame.center().x(), w / 2, 1e-9);
        EXPECT_NEAR(g.frame.center().y(), h / 2, 1e-9);
        // Its parts take the same shares of it as in the exported frame, whatever the view's size.
        expectSameShares(g.sidebar, g.frame, exported.sidebar, exported.frame);
        expectSameShares(g.videoArea, g.frame, exported.videoArea, exported.frame);
        expectSameShares(g.player, g.frame, exported.pictureArea, exported.frame);
    }
    const PreviewGeometry g = previewGeometry(1000, 600, beside);
    EXPECT_NEAR(g.sidebar.width() / g.frame.width(), 0.180, 0.001);
    EXPECT_NEAR(g.player.height() / g.frame.height(), 0.97, 1e-9);
    EXPECT_DOUBLE_EQ(g.videoArea.right(), g.sidebar.left());
}

TEST(PreviewGeometry, DegenerateSizesGiveEmptyRectangles) {
    for (const auto& [w, h] : {std::pair{0.0, 0.0},
                               {-50.0, 300.0},
                               {400.0, -1.0},
                               {std::numeric_limits<double>::quiet_NaN(), 100.0}}) {
        const PreviewGeometry g = previewGeometry(w, h, {1920, 1080, 1920, 422});
        for (const QRectF& r : {g.frame, g.sidebar, g.videoArea, g.player}) {
            EXPECT_TRUE(r.isEmpty());
            EXPECT_FALSE(std::isnan(r.x()));
        }
    }
    // A project without clips has no frame to show.
    EXPECT_EQ(previewGeometry(800, 600, {}), PreviewGeometry{});
}

class PreviewLayoutTest : public ::testing::Test {
protected:
    QTemporaryDir dataDir;
    ProjectStore store{dataDir.path()};
    ProjectViewModel model{store};
    PreviewLayout layout;

    void setClips(std::initializer_list<std::pair<int, int>> sizes, bool overlay) {
        Project project = model.project();
        project.clips.clear();
        for (auto [w, h] : sizes) {
            VideoClip clip;
            clip.id = Uuid::generate();
            clip.width = w;
            clip.height = h;
            clip.duration = 1;
            clip.order = int(project.clips.size());
            project.clips.push_back(clip);
        }
        project.sidebarOverlay = overlay;
        model.setProject(project);
    }
};

TEST_F(PreviewLayoutTest, FollowsTheProjectsClipsAndSidebarChoice) {
    layout.setWidth(1000);
    layout.setHeight(500);
    layout.setProjectVM(&model);
    EXPECT_TRUE(layout.frameRect().isEmpty());

    QSignalSpy changed(&layout, &PreviewLayout::geometryChanged);
    setClips({{1920, 1080}}, true);
    EXPECT_EQ(layout.frameRect(), previewGeometry(1000, 500, {1920, 1080, 1920, 422}).frame);
    EXPECT_EQ(changed.count(), 1);
    // A portrait clip among landscape ones makes the frame square.
    setClips({{1920, 1080}, {1080, 1920}}, true);
    EXPECT_EQ(layout.frameRect(), QRectF(250, 0, 500, 500));
    model.setSidebarOverlay(false);
    EXPECT_EQ(layout.sidebarRect(), previewGeometry(1000, 500, {2342, 1920, 1920, 422}).sidebar);
    EXPECT_DOUBLE_EQ(layout.videoAreaRect().right(), layout.sidebarRect().left());
    // The same inputs again change nothing.
    const int before = changed.count();
    layout.setWidth(1000);
    layout.setProjectVM(&model);
    EXPECT_EQ(changed.count(), before);
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
