// How the readers tell a damaged file (cut short, or with sound or pictures
// missing in the middle) from an ordinary one, and the error that names it.
#pragma once

#include "media_error.h"
#include "media_time.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <optional>
#include <string>

namespace kestrune {

// What a reader does when a file's media stops short of where its index says it
// goes, or has a hole: an export refuses the clip rather than write a frozen
// picture and silence; a preview shows what is there.
enum class DamagedMedia { fail, tolerate };

// Audio and video of an ordinary file end a little apart and the last frame or
// block of sound is shorter than a tick; anything within this of the expected end
// is whole.
inline constexpr double kDamageToleranceSeconds = 0.5;
// Longer than this with nothing decoded, where the file had media, is a hole.
inline constexpr double kDamageHoleSeconds = 1.0;

// The end of a stream as its container states it (start plus duration), or
// nothing when the container does not say.
std::optional<MediaTime> streamEnd(const AVStream& stream);

// The time of the last frame in the stream's index that starts before `end`, or
// nothing when the index holds none. Frames the container marks as discarded (cut
// by an edit list) do not count.
std::optional<MediaTime> lastIndexedBefore(AVStream& stream, MediaTime end);

// Whether the stream's index holds a frame that starts after `after` and before
// `before`.
bool indexedBetween(AVStream& stream, MediaTime after, MediaTime before);

// "talk.mp4" is damaged: <what>
MediaError damagedMediaError(const std::string& path, const std::string& what);

// "1.47 s"
std::string secondsText(MediaTime time);

} // namespace kestrune
