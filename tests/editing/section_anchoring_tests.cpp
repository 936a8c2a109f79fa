// Sections that stay with their clips, as every edit applies the rule: clips moved,
// trimmed and removed with sections inside them, and the switch turned off.
#include "editing/project_invariants.h"
#include "model/section_anchoring.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

VideoClip clipNamed(const std::string& fileName, double duration) {
    VideoClip clip;
    clip.id = Uuid::generate();
    clip.fileName = fileName;
    clip.duration = duration;
    return clip;
}

// a.mp4 (10 s), b.mov (20 s), c.mp4 (5 s): b plays from 10 to 30.
Project threeClips() {
    Project project = Project::untitled();
    project.clips = {clipNamed("a.mp4", 10), clipNamed("b.mov", 20), clipNamed("c.mp4", 5)};
    for (int i = 0; i < 3; ++i)
        project.clips[i].order = i;
    project.sections = {{Uuid::generate(), "Opening", "", 0},
                        {Uuid::generate(), "B starts", "", 10},
                        {Uuid::generate(), "Inside B", "", 14},
                        {Uuid::generate(), "Late in B", "", 25},
                        {Uuid::generate(), "C", "", 31}};
    return project;
}

// The project after `change`, kept within the rules as the edit path keeps it.
template <class Change>
Project edited(const Project& before, Change change) {
    Project after = before;
    change(after);
    keepInvariants(before, after);
    return after;
}

std::vector<std::pair<std::string, double>> placesOf(const Project& project) {
    std::vector<std::pair<std::string, double>> places;
    for (const auto& section : project.sections)
        places.emplace_back(section.title, section.startTime);
    return places;
}

using Places = std::vector<std::pair<std::string, double>>;

TEST(SectionsWithClips, MoveWithTheirClipWhenItIsMoved) {
    const Project before = threeClips();
    // b first: b 0–20, a 20–30, c 30–35.
    const Project after = edited(before, [](Project& p) { std::swap(p.clips[0], p.clips[1]); });
    EXPECT_EQ(
        placesOf(after),
        (Places{{"B starts", 0}, {"Inside B", 4}, {"Late in B", 15}, {"Opening", 20}, {"C", 31}}));
}

TEST(SectionsWithClips, TrimmingTheInPointKeepsTheContentOrRemovesIt) {
    const Project before = threeClips();
    // Less than "Inside B"'s 4 s into b: it moves earlier with its picture.
    Project after = edited(before, [](Project& p) { p.clips[1].trimIn = 3; });
    EXPECT_EQ(
        placesOf(after),
        (Places{{"Opening", 0}, {"B starts", 10}, {"Inside B", 11}, {"Late in B", 22}, {"C", 28}}));
    // More than its offset: its moment is gone, and so is it; the section that
    // opens b still opens it.
    after = edited(after, [](Project& p) { p.clips[1].trimIn = 6; });
    EXPECT_EQ(placesOf(after),
              (Places{{"Opening", 0}, {"B starts", 10}, {"Late in B", 19}, {"C", 25}}));
    // An out point before "Late in B" takes it away too.
    after = edited(after, [](Project& p) { p.clips[1].trimOut = 15; });
    EXPECT_EQ(placesOf(after), (Places{{"Opening", 0}, {"B starts", 10}, {"C", 20}}));
}

TEST(SectionsWithClips, GoWithTheirRemovedClipWhileLaterOnesMoveUp) {
    const Project before = threeClips();
    const Project after = edited(before, [](Project& p) { p.clips.erase(p.clips.begin() + 1); });
    EXPECT_EQ(placesOf(after), (Places{{"Opening", 0}, {"C", 11}}));
    // Removing the last clip leaves no video and no sections.
    Project last = before;
    last.clips.resize(1);
    EXPECT_TRUE(edited(last, [](Project& p) { p.clips.clear(); }).sections.empty());
}

TEST(SectionsWithClips, StayAtTheirTimesWhenTheSwitchIsOff) {
    Project before = threeClips();
    before.keepSectionsWithClips = false;
    EXPECT_EQ(placesOf(edited(before, [](Project& p) { p.clips[0].trimIn = 4; })),
              placesOf(before));
    // Removing a clip still drops what now lies past the end (30 s left).
    EXPECT_EQ(placesOf(edited(before, [](Project& p) { p.clips.erase(p.clips.begin() + 2); })),
              (Places{{"Opening", 0}, {"B starts", 10}, {"Inside B", 14}, {"Late in B", 25}}));
}

TEST(SectionsWithClips, SectionsTheEditItselfPlacesStayWhereItPutThem) {
    const Project before = threeClips();
    // An import lands while a section is being retimed: neither moves again.
    const Project after = edited(before, [](Project& p) {
        p.clips.insert(p.clips.begin(), clipNamed("new.mp4", 3));
        p.sections[2].startTime = 2;
        p.sections.push_back({Uuid::generate(), "Added", "", 5});
    });
    EXPECT_EQ(placesOf(after), (Places{{"Inside B", 2},
                                       {"Opening", 3},
                                       {"Added", 5},
                                       {"B starts", 13},
                                       {"Late in B", 28},
                                       {"C", 34}}));
}

TEST(SectionsFromClips, OnePerPlayingClipTitledByItsFileName) {
    Project project = threeClips();
    project.clips[1].trimIn = 5;
    project.clips[1].trimOut = 2; // inverted: plays nothing
    project.clips[2].fileName = "talk.final.mp4";
    project.clips.push_back(clipNamed(".hidden", 4));
    project.clips.back().order = 3;
    const auto sections = sectionsFromClips(project);
    ASSERT_EQ(sections.size(), 3u);
    EXPECT_EQ(sections[0].title, "a");
    EXPECT_EQ(sections[1].title, "talk.final");
    EXPECT_EQ(sections[1].startTime, 10);
    EXPECT_EQ(sections[2].title, ".hidden");
    EXPECT_EQ(sections[2].startTime, 15);
    EXPECT_NE(sections[0].id, sections[1].id);
}

} // namespace
} // namespace kestrune
