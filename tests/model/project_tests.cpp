#include "model/project.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace kestrune;

namespace {

VideoClip clip(double duration, double trimIn = 0, std::optional<double> trimOut = {}) {
    VideoClip c;
    c.id = Uuid::generate();
    c.duration = duration;
    c.trimIn = trimIn;
    c.trimOut = trimOut;
    return c;
}

std::vector<Section> sectionsAt(std::initializer_list<double> starts) {
    std::vector<Section> sections;
    for (double start : starts)
        sections.push_back({Uuid::generate(), "Chapter", "", start});
    return sections;
}

} // namespace

TEST(ProjectTotalDuration, AddsUsedPartsAndCountsInvertedTrimsAsNothing) {
    Project project = Project::untitled();
    EXPECT_EQ(project.totalDuration(), 0);
    project.clips = {clip(10), clip(20, 5, 15), clip(6, 8), clip(30, 12, 4)};
    EXPECT_DOUBLE_EQ(project.totalDuration(), 20);
}

TEST(ProjectClipsInOrder, FollowOrderAndKeepTheListedOrderOfTies) {
    Project project = Project::untitled();
    EXPECT_TRUE(project.clipsInOrder().empty());
    for (int order : {2, 0, 1, 0, -1}) {
        project.clips.push_back(clip(1));
        project.clips.back().order = order;
    }
    const auto& c = project.clips;
    EXPECT_EQ(project.clipsInOrder(), (std::vector<VideoClip>{c[4], c[1], c[3], c[2], c[0]}));
}

TEST(ProjectUntitled, HasTheDefaultsOfANewProject) {
    Project a = Project::untitled();
    Project b = Project::untitled();
    EXPECT_EQ(a.name, "Untitled Project");
    EXPECT_TRUE(a.sidebarOverlay);
    EXPECT_EQ(a.sidebarTheme, SidebarTheme::classic());
    EXPECT_EQ(a.createdAt, a.updatedAt);
    EXPECT_NE(a.id, b.id);
    EXPECT_FALSE(a.id.isNull());
}

TEST(ActiveSectionIndex, IsTheLastSectionStartingAtOrBeforeTheTime) {
    auto sections = sectionsAt({0, 10, 20});
    EXPECT_EQ(activeSectionIndex(sections, 9.999), 0);
    EXPECT_EQ(activeSectionIndex(sections, 10), 1);
    EXPECT_EQ(activeSectionIndex(sections, 25), 2);
    EXPECT_EQ(activeSectionIndex(sectionsAt({5, 10}), 4), -1);
    EXPECT_EQ(activeSectionIndex({}, 3), -1);
    // Equal starts: the last of them wins.
    EXPECT_EQ(activeSectionIndex(sectionsAt({0, 10, 10, 10, 30}), 10), 3);
    EXPECT_EQ(activeSectionIndex(sections, NAN), -1);
}

TEST(UuidText, ReadsEitherCaseAndWritesUpperCase) {
    auto id = Uuid::parse("1f0e9c4a-2b3d-4e5f-8a9b-0c1d2e3f4a5b");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->toString(), "1F0E9C4A-2B3D-4E5F-8A9B-0C1D2E3F4A5B");
    EXPECT_EQ(Uuid::parse(id->toString()), id);
    for (const char* bad :
         {"", "1F0E9C4A2B3D4E5F8A9B0C1D2E3F4A5B", "{1F0E9C4A-2B3D-4E5F-8A9B-0C1D2E3F4A5B}",
          "1F0E9C4A-2B3D-4E5F-8A9B-0C1D2E3F4A5G", "1F0E9C4A-2B3D-4E5F-8A9B0-C1D2E3F4A5B"})
        EXPECT_FALSE(Uuid::parse(bad)) << bad;
    Uuid fresh = Uuid::generate();
    EXPECT_EQ(fresh.toString()[14], '4'); // version 4
}
