// Records what a sound server's sink plays, through its monitor (parec), and
// says when each recorded sample was played on std::chrono::steady_clock, so a
// test can set the sound it hears against the pictures it saw.
//
// The sink plays in real time, so sample n of the recording was played at
// start + n / rate. The start is taken from the arrivals: a block of samples
// cannot reach the recorder before its first sample plays, so the earliest
// (arrival − samples before it) is the start, to within one of the sink's
// blocks (a few milliseconds at the latency asked for here).
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <sys/types.h>
#include <thread>
#include <vector>

#include <QString>

namespace kestrune::test {

class SinkRecorder {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kSampleRate = 44100;

    SinkRecorder() = default;
    ~SinkRecorder();
    SinkRecorder(const SinkRecorder&) = delete;
    SinkRecorder& operator=(const SinkRecorder&) = delete;

    // Records `sink`'s monitor on the server in PULSE_SERVER, in mono. Empty on
    // success, else what went wrong.
    QString start(const QString& sink);
    // Forgets the start estimated so far, to estimate it afresh from the arrivals
    // to come (those of a sink that was just woken may bunch up).
    void retime();
    // Ends the recording; what was recorded stays readable.
    void stop();

    // Samples recorded so far.
    std::int64_t frames() const;
    // When sample `frame` was played.
    Clock::time_point timeOf(std::int64_t frame) const;
    // The first sample played at or after `from` louder than `level` (full scale
    // is 1); none when there is none in the recording.
    std::optional<Clock::time_point> firstSoundFrom(Clock::time_point from, double level) const;
    // The last sample louder than `level` in the recording.
    std::optional<Clock::time_point> lastSound(double level) const;
    // The loudest sample played between two times (full scale is 1).
    double peakBetween(Clock::time_point from, Clock::time_point to) const;

private:
    void read(int fd);
    std::int64_t frameAt(Clock::time_point time) const; // under the lock

    mutable std::mutex mutex_;
    std::vector<std::int16_t> samples_;
    std::optional<Clock::time_point> origin_; // when sample 0 played
    pid_t pid_ = -1;
    std::thread reader_;
};

} // namespace kestrune::test
