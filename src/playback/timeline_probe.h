// Reads the clip files of a preview timeline off the main thread and turns the
// clips into the segments the player plays and the times where each one starts.
#pragma once

#include "media/media_time.h"
#include "media/proxy_cache.h"
#include "model/project.h"
#include "model/uuid.h"
#include "player_item.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <QList>
#include <QString>

namespace kestrune {

// A clip whose file was found, with what the load needs of it.
struct TimelineClip {
    std::string fileName;
    std::string path;
    double trimIn = 0;
    std::optional<double> trimOut;

    bool operator==(const TimelineClip&) const = default;
};

struct ProbedTimeline {
    std::vector<PlayerSegment> segments;
    // Where each segment starts on the joined timeline, then where the last ends.
    QList<double> boundaries{0.0};
};

// Trim points and lengths are kept at this timescale.
inline constexpr std::int32_t kTrimTimescale = 600;

// `seconds` as a media time of the trim timescale; what is not a finite number
// counts as 0, so no garbage reaches the player.
MediaTime trimTime(double seconds);

// The clips in playback order (ascending `order`, ties in list order), those
// whose file was not found left out.
std::vector<TimelineClip> locatedClipsInOrder(const std::vector<VideoClip>& clips,
                                              const std::map<Uuid, QString>& clipPaths);

// Opens every clip's file. A clip without a picture, or whose file cannot be
// read, is logged and left out. A clip whose out point is not after its in point
// takes no time, so the boundaries never go backwards. A clip whose file has a
// finished proxy in `proxies` plays the proxy, which has the same frame times;
// the lengths are always the original files'.
ProbedTimeline probeTimeline(const std::vector<TimelineClip>& clips,
                             const ProxyCache& proxies = ProxyCache());

// What the trim player needs of a file with a picture to show.
struct VideoFileTiming {
    MediaTime duration;
    // Average frames a second; 0 when the file does not say.
    double frameRate = 0;
};

// Nothing when the file cannot be opened or has no video.
std::optional<VideoFileTiming> probeVideoTiming(const std::string& path);

} // namespace kestrune
