// A playback clock driven by the sound: it plays the item's joined sound through
// a QAudioSink and tells the time from what the device has played, so pictures
// follow the sound the user hears. When the device fails while in use it goes
// on from where it stood on the system's monotonic time, so the pictures never
// stop for a lost sound card. Qt's PulseAudio sink reports neither an output
// that went away nor a stream the server ended, so the clock watches its sound
// while it runs. Lives on the thread that made it (the sink's).
#pragma once

#include "playback_clock.h"
#include "timeline_audio_source.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include <QAudio>
#include <QAudioDevice>
#include <QAudioFormat>
#include <QObject>
#include <QTimer>

class QAudioSink;

namespace kestrune {

class AudioFeed;

class AudioClock final : public QObject, public PlaybackClock {
    Q_OBJECT

public:
    // Plays on `device`, in 44.1 kHz float stereo when it takes that and in its
    // preferred format otherwise.
    explicit AudioClock(const QAudioDevice& device, QObject* parent = nullptr);
    ~AudioClock() override;

    void setSegments(std::shared_ptr<const std::vector<PlayerSegment>> segments) override;
    void start(MediaTime from) override;
    void stop() override;
    MediaTime now() const override;
    bool isRunning() const override;

    // Whether the sound device failed and time comes from the monotonic clock.
    bool hasFallenBack() const { return failed_; }
    // The format the device is fed.
    QAudioFormat format() const { return format_; }

private:
    // Makes the feed and the sink for `device`, in a format it takes.
    void playOn(const QAudioDevice& device);
    // Stops and destroys the sink, if any.
    void closeSink();
    void restart(MediaTime from);
    void onStateChanged(QAudio::State state);
    void watch();
    void fallBack();
    // Microseconds of sound played since the sink was last started.
    std::int64_t playedMicroseconds() const;

    QAudioDevice device_;
    QAudioFormat format_;
    TimelineAudioSource source_;
    std::unique_ptr<AudioFeed> feed_;
    std::unique_ptr<QAudioSink> sink_;
    std::shared_ptr<const std::vector<PlayerSegment>> segments_;
    MonotonicClock fallback_;
    // While running: notices a stream the server ended (the sink gives no sign
    // of it) and sound that no longer plays while there is sound to play.
    QTimer watchdog_;
    std::int64_t watchedPlayed_ = -1;
    std::chrono::steady_clock::time_point watchedAt_{};
    std::chrono::steady_clock::duration standing_{}; // how long the sound has stood still
    bool failed_ = false;
    bool running_ = false;
    bool suspended_ = false; // paused with the sink's sound kept for resuming
    bool stale_ = true;      // the sink holds no sound of the current item at held_
    MediaTime origin_;       // the timeline time the sink's first sample plays at
    MediaTime held_;         // the time while not running
    // The last time handed out while running: time never goes back within a run.
    mutable MediaTime lastReported_;
    // Set once the sink took the last sample: from then on time runs on from
    // the sound played at that moment, as the rest plays out in real time.
    bool drained_ = false;
    std::int64_t drainedPlayed_ = 0;
    std::chrono::steady_clock::time_point drainedAt_{};
};

} // namespace kestrune
