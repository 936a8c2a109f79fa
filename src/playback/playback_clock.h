// The clock that says where on the timeline playback is. The player asks it for
// the time instead of counting frames, so pictures follow it and late pictures
// can be dropped. A monotonic clock runs without any sound device; the audio
// clock (audio_clock.h) plays the item's sound and tells the time from the
// samples the device has played. The clock never waits for the pictures: when
// the decoder falls behind, the player drops pictures instead, so the sound
// keeps going and the picture catches up.
#pragma once

#include "media/media_time.h"
#include "player_item.h"

#include <chrono>
#include <memory>
#include <vector>

namespace kestrune {

class PlaybackClock {
public:
    virtual ~PlaybackClock() = default;
    // Runs from `from` onwards.
    virtual void start(MediaTime from) = 0;
    // Holds the time where it stands.
    virtual void stop() = 0;
    // The time now on the timeline.
    virtual MediaTime now() const = 0;
    virtual bool isRunning() const = 0;
    // The item being played, for clocks that play its sound; given before the
    // clock is started on it.
    virtual void setSegments(std::shared_ptr<const std::vector<PlayerSegment>> /*segments*/) {}
};

// Real time from std::chrono::steady_clock, in microseconds.
class MonotonicClock final : public PlaybackClock {
public:
    void start(MediaTime from) override;
    void stop() override;
    MediaTime now() const override;
    bool isRunning() const override { return running_; }

private:
    static constexpr std::int32_t kTimescale = 1'000'000;
    MediaTime origin_ = MediaTime::zero(); // the time at startedAt_
    std::chrono::steady_clock::time_point startedAt_{};
    bool running_ = false;
};

} // namespace kestrune
