// Writes a project file for the export benchmark: the given clips in order, each
// with its file reference, and a chapter every 15 seconds (two chapters in a
// shorter project).
#include "model/file_reference.h"
#include "model/project_json.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

using namespace kestrune;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: make_bench_project PROJECT.json CLIP:SECONDS:WIDTHxHEIGHT...\n");
        return 2;
    }
    Project project = Project::untitled();
    project.name = "Export benchmark";
    double total = 0;
    for (int i = 2; i < argc; ++i) {
        char path[4096];
        double seconds = 0;
        int width = 0, height = 0;
        if (std::sscanf(argv[i], "%4095[^:]:%lf:%dx%d", path, &seconds, &width, &height) != 4)
            return 2;
        auto reference = FileReference::make(path);
        if (!reference)
            return 1;
        VideoClip clip;
        clip.id = Uuid::generate();
        clip.fileName = path;
        clip.duration = seconds;
        clip.width = width;
        clip.height = height;
        clip.order = i - 2;
        clip.bookmarkData = reference->encode();
        project.clips.push_back(clip);
        total += seconds;
    }
    const double every = std::min(15.0, total / 2);
    for (int k = 0; k * every < total; ++k)
        project.sections.push_back({Uuid::generate(), "Chapter " + std::to_string(k + 1),
                                    k % 2 ? "Details" : "", k * every});
    std::ofstream(argv[1]) << encodeProject(project);
    return 0;
}
