#include "export_job.h"

#include <algorithm>

namespace kestrune {

ExportConfig makeExportConfig(const Project& project, const std::map<Uuid, QUrl>& clipPaths,
                              ExportCodec codec, ExportQuality quality) {
    std::vector<const VideoClip*> ordered;
    ordered.reserve(project.clips.size());
    for (const auto& clip : project.clips)
        ordered.push_back(&clip);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const VideoClip* a, const VideoClip* b) { return a->order < b->order; });

    ExportConfig config;
    for (const VideoClip* clip : ordered) {
        auto found = clipPaths.find(clip->id);
        if (found == clipPaths.end())
            continue;
        config.clips.push_back({found->second.toLocalFile().toStdString(), clip->duration,
                                clip->width, clip->height, clip->trimIn, clip->trimOut});
    }

    // A chapter that starts at or after the end would never be reached.
    const double total = project.totalDuration();
    for (const auto& section : project.sections)
        if (section.startTime < total)
            config.sections.push_back(section);

    const OutputDimensions dimensions = outputDimensions(project.clips, project.sidebarOverlay);
    config.outputWidth = dimensions.outputWidth;
    config.outputHeight = dimensions.outputHeight;
    config.videoAreaWidth = dimensions.videoAreaWidth;
    config.sidebarWidth = dimensions.sidebarWidth;
    config.codec = codec;
    config.quality = quality;
    config.theme = project.sidebarTheme;
    return config;
}

} // namespace kestrune
