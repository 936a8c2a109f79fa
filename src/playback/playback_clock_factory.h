// Chooses the clock playback runs on: the sound device's when there is one, so
// pictures follow the sound, and the monotonic clock otherwise.
#pragma once

#include "playback_clock.h"

#include <memory>

namespace kestrune {

// The audio clock on the default audio output, or a monotonic clock when the
// system has no audio output. Call on the main thread.
std::unique_ptr<PlaybackClock> makePlaybackClock();

} // namespace kestrune
