#include "timeline_probe.h"

#include "log/log.h"
#include "media/media_file.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include <QFile>

namespace kestrune {

namespace {

// Far beyond any clip, yet small enough that ticks of the timescale fit 64 bits.
constexpr double kLongestSeconds = 1e9;

} // namespace

MediaTime trimTime(double seconds) {
    if (!std::isfinite(seconds))
        return MediaTime{0, kTrimTimescale};
    return MediaTime::fromSeconds(std::clamp(seconds, -kLongestSeconds, kLongestSeconds),
                                  kTrimTimescale);
}

std::vector<TimelineClip> locatedClipsInOrder(const std::vector<VideoClip>& clips,
                                              const std::map<Uuid, QString>& clipPaths) {
    std::vector<TimelineClip> located;
    for (const VideoClip& clip : inPlaybackOrder(clips)) {
        const auto found = clipPaths.find(clip.id);
        if (found == clipPaths.end())
            continue;
        located.push_back({clip.fileName, QFile::encodeName(found->second).toStdString(),
                           clip.trimIn, clip.trimOut});
    }
    return located;
}

ProbedTimeline probeTimeline(const std::vector<TimelineClip>& clips, const ProxyCache& proxies) {
    ProbedTimeline timeline;
    for (const TimelineClip& clip : clips) {
        PlayerSegment segment;
        try {
            const MediaFile file(clip.path);
            if (!file.hasVideo()) {
                log::error(log::Category::Playback, "Clip '%s' has no video track, skipping",
                           clip.fileName.c_str());
                continue;
            }
            segment.path = previewFile(clip.path, proxies);
            segment.start = trimTime(clip.trimIn);
            segment.end =
                clip.trimOut ? trimTime(*clip.trimOut) : trimTime(file.duration().seconds());
        } catch (const std::exception& error) {
            log::error(log::Category::Playback, "Failed to insert clip '%s': %s",
                       clip.fileName.c_str(), error.what());
            continue;
        }
        // Inverted trim points leave an empty clip, not a step back in time.
        const MediaTime length = std::max(segment.end - segment.start, MediaTime::zero());
        timeline.boundaries.append(timeline.boundaries.last() + length.seconds());
        timeline.segments.push_back(std::move(segment));
    }
    return timeline;
}

std::optional<VideoFileTiming> probeVideoTiming(const std::string& path) {
    try {
        const MediaFile file(path);
        if (!file.hasVideo())
            return std::nullopt;
        return VideoFileTiming{file.duration(), file.averageFrameRate()};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace kestrune
