// How long the library takes to list a large folder: 1,000 stored projects of
// 20 clips and 20 sections each. Prints the time of saving them and of listing.
#include "model/project_store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <QCoreApplication>
#include <QTemporaryDir>

using namespace kestrune;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kProjects = 1000;
constexpr int kClipsEach = 20;
constexpr int kSectionsEach = 20;
constexpr int kRuns = 7;

Project makeProject(int index) {
    Project project = Project::untitled();
    project.name = "Project " + std::to_string(index);
    project.updatedAt = {700'000'000.0 + index * 61.25};
    for (int i = 0; i < kClipsEach; ++i) {
        VideoClip clip;
        clip.id = Uuid::generate();
        clip.fileName = "GX01" + std::to_string(1000 + i) + ".MP4";
        clip.fileSize = 1'234'567'890;
        clip.duration = 95.72 + i;
        clip.width = 3840;
        clip.height = 2160;
        clip.order = i;
        // About the size of a real file reference.
        clip.bookmarkData = std::vector<std::uint8_t>(180, static_cast<std::uint8_t>(i));
        clip.trimIn = 1.5;
        clip.trimOut = 60.25;
        project.clips.push_back(std::move(clip));
    }
    for (int i = 0; i < kSectionsEach; ++i)
        project.sections.push_back(
            {Uuid::generate(), "Chapter " + std::to_string(i + 1), "A subtitle", i * 30.0});
    return project;
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    ProjectStore store(home.path() + "/Kestrune");

    auto saveStart = Clock::now();
    for (int i = 0; i < kProjects; ++i)
        if (!store.save(makeProject(i)))
            return 1;
    std::printf("save: %d projects of %d clips and %d sections in %.1f ms\n", kProjects, kClipsEach,
                kSectionsEach, millisecondsSince(saveStart));

    std::vector<double> times;
    std::size_t listed = 0;
    for (int run = 0; run < kRuns; ++run) {
        auto start = Clock::now();
        listed = store.listProjects().size();
        times.push_back(millisecondsSince(start));
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "listProjects: %zu projects, median %.1f ms, best %.1f ms, worst %.1f ms (%d runs)\n",
        listed, times[times.size() / 2], times.front(), times.back(), kRuns);
    return listed == kProjects ? 0 : 1;
}
