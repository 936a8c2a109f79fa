#include "project.h"

#include <algorithm>
#include <cmath>

namespace kestrune {

Project Project::untitled() {
    Project project;
    project.id = Uuid::generate();
    project.name = "Untitled Project";
    project.createdAt = project.updatedAt = Date::now();
    return project;
}

double Project::totalDuration() const {
    double total = 0;
    for (const auto& clip : clips) {
        double length = clip.effectiveDuration();
        if (length >= 0)
            total += length;
    }
    return total;
}

std::vector<VideoClip> Project::clipsInOrder() const {
    return inPlaybackOrder(clips);
}

std::vector<VideoClip> inPlaybackOrder(std::vector<VideoClip> clips) {
    std::stable_sort(clips.begin(), clips.end(),
                     [](const VideoClip& a, const VideoClip& b) { return a.order < b.order; });
    return clips;
}

int activeSectionIndex(const std::vector<Section>& sections, double t) {
    if (std::isnan(t))
        return -1;
    auto after = std::upper_bound(sections.begin(), sections.end(), t,
                                  [](double time, const Section& s) { return time < s.startTime; });
    return static_cast<int>(after - sections.begin()) - 1;
}

} // namespace kestrune
