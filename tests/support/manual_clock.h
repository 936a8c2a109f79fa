// A playback clock that stands wherever the test puts it: it starts where playback
// starts and moves only when the test moves it, so time can jump as it would on a
// machine too busy to keep up, or stand still while the preview plays.
#pragma once

#include "playback/playback_clock.h"

namespace kestrune::test {

class ManualClock final : public PlaybackClock {
public:
    // `now`: the time the test moves; the clock keeps its own when none is given.
    explicit ManualClock(MediaTime* now = nullptr)
        : now_(now ? now : &own_) {}
    void start(MediaTime from) override {
        *now_ = from;
        running_ = true;
    }
    void stop() override { running_ = false; }
    MediaTime now() const override { return *now_; }
    bool isRunning() const override { return running_; }

private:
    MediaTime own_ = MediaTime::zero();
    MediaTime* now_;
    bool running_ = false;
};

} // namespace kestrune::test
