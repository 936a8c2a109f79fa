#include "playback_clock.h"

namespace kestrune {

void MonotonicClock::start(MediaTime from) {
    origin_ = from;
    startedAt_ = std::chrono::steady_clock::now();
    running_ = true;
}

void MonotonicClock::stop() {
    origin_ = now();
    running_ = false;
}

MediaTime MonotonicClock::now() const {
    if (!running_)
        return origin_;
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - startedAt_);
    return origin_ + MediaTime{elapsed.count(), kTimescale};
}

} // namespace kestrune
