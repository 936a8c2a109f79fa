#include "audio_clock.h"

#include "audio_feed.h"
#include "log/log.h"

#include <algorithm>

#include <QAudioSink>
#include <QMediaDevices>

namespace kestrune {

namespace {

constexpr std::int32_t kMicroseconds = 1'000'000;
// The sink's buffer: short, so that a seek is heard at once, and long enough to
// ride over a busy main thread.
constexpr int kBufferMilliseconds = 100;
// A start this close to where the clock was stopped resumes the paused sound
// instead of starting it anew (the player reads the time twice when it pauses).
const MediaTime kResumeTolerance{10, 1000};
// How often a running clock checks that its sound still plays, and how long the
// sound may stand still, with samples waiting for it, before the device counts
// as lost. Well above a start's pre-buffering and a short hitch of the server.
constexpr int kWatchMilliseconds = 50;
constexpr auto kLongestStandstill = std::chrono::milliseconds(400);
// A check that comes this late says the main thread was busy: the sink, fed
// from the same thread, was starved, and its standstill proves nothing.
constexpr auto kLateWatch = std::chrono::milliseconds(3 * kWatchMilliseconds);

QAudioFormat outputFormat(const QAudioDevice& device) {
    QAudioFormat wanted;
    wanted.setSampleRate(TimelineAudioSource::kSampleRate);
    wanted.setChannelCount(TimelineAudioSource::kChannels);
    wanted.setSampleFormat(QAudioFormat::Float);
    if (device.isFormatSupported(wanted))
        return wanted;
    return device.preferredFormat();
}

// An underrun is not a failure: the sink waits for the feed.
bool isLost(QAudio::State state, QAudio::Error error) {
    return error == QAudio::OpenError || error == QAudio::FatalError ||
           (state == QAudio::StoppedState && error != QAudio::NoError);
}

bool isAvailable(const QAudioDevice& device) {
    const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
    return std::any_of(outputs.begin(), outputs.end(),
                       [&](const QAudioDevice& output) { return output.id() == device.id(); });
}

MediaTime absolute(MediaTime time) {
    return time < MediaTime::zero() ? MediaTime::zero() - time : time;
}

} // namespace

AudioClock::AudioClock(const QAudioDevice& device, QObject* parent)
    : QObject(parent)
    , segments_(std::make_shared<const std::vector<PlayerSegment>>()) {
    watchdog_.setInterval(kWatchMilliseconds);
    connect(&watchdog_, &QTimer::timeout, this, &AudioClock::watch);
    playOn(device);
}

void AudioClock::playOn(const QAudioDevice& device) {
    // The sink pulls from the feed: it goes first.
    closeSink();
    device_ = device;
    format_ = outputFormat(device);
    feed_ = std::make_unique<AudioFeed>(source_, format_, [this] {
        drained_ = true;
        drainedPlayed_ = playedMicroseconds();
        drainedAt_ = std::chrono::steady_clock::now();
    });
    sink_ = std::make_unique<QAudioSink>(device_, format_);
    connect(sink_.get(), &QAudioSink::stateChanged, this, &AudioClock::onStateChanged);
}

AudioClock::~AudioClock() {
    // The sink pulls from the feed: it goes first.
    closeSink();
    feed_.reset();
}

void AudioClock::closeSink() {
    watchdog_.stop();
    if (!sink_)
        return;
    // Qt's PulseAudio sink runs the event loop while it closes, so timers and
    // queued calls of ours may run meanwhile: they find no sink, rather than one
    // half destroyed.
    const std::unique_ptr<QAudioSink> closing = std::move(sink_);
    closing->disconnect(this);
    closing->stop();
}

void AudioClock::setSegments(std::shared_ptr<const std::vector<PlayerSegment>> segments) {
    segments_ =
        segments ? std::move(segments) : std::make_shared<const std::vector<PlayerSegment>>();
    stale_ = true;
}

void AudioClock::start(MediaTime from) {
    if (failed_) {
        fallback_.start(from);
        return;
    }
    if (!running_ && suspended_ && !stale_ && sink_ && absolute(from - held_) < kResumeTolerance &&
        isAvailable(device_)) {
        // The sound goes on where it was paused; the picture's time rules.
        origin_ = origin_ + (from - held_);
        lastReported_ = from;
        drainedAt_ = std::chrono::steady_clock::now();
        running_ = true;
        suspended_ = false;
        sink_->resume();
        watchedPlayed_ = -1;
        watchdog_.start();
        return;
    }
    restart(from);
}

void AudioClock::restart(MediaTime from) {
    if (!isAvailable(device_)) {
        // Opening a sink on an output that is gone never returns with Qt's
        // PulseAudio backend. The server moves the sound of a vanished output to
        // its default one; the clock follows it there, or goes on without sound.
        const QAudioDevice replacement = QMediaDevices::defaultAudioOutput();
        if (replacement.isNull() || !isAvailable(replacement)) {
            held_ = from;
            running_ = false;
            fallBack();
            fallback_.start(from);
            return;
        }
        log::info(log::Category::Playback, "Playback: audio output gone, playing sound on '%s'",
                  replacement.description().toUtf8().constData());
        playOn(replacement);
    }
    running_ = true;
    suspended_ = false;
    stale_ = false;
    drained_ = false;
    origin_ = from;
    held_ = from;
    lastReported_ = from;
    sink_->stop();
    source_.start(segments_, from);
    feed_->restart();
    // Asked for on every start: PulseAudio's sink keeps the buffer the server
    // granted last time as its next request, and the server grants less than
    // asked each time, until the buffer is too small to ever start playing.
    sink_->setBufferSize(format_.bytesForDuration(kBufferMilliseconds * 1000));
    // A sink that cannot open usually says so through stateChanged; one that has
    // no backend at all says nothing.
    sink_->start(feed_.get());
    if (!failed_ && (sink_->isNull() || isLost(sink_->state(), sink_->error()))) {
        fallBack();
        return;
    }
    watchedPlayed_ = -1;
    watchdog_.start();
}

void AudioClock::stop() {
    if (failed_) {
        fallback_.stop();
        return;
    }
    if (!running_)
        return;
    if (!sink_) {
        // Between two sinks: time stands where it was last seen.
        held_ = lastReported_;
        running_ = false;
        return;
    }
    if (sink_->bytesFree() < 0) {
        // The server ended the sink's stream (before the watchdog saw it);
        // suspending it would abort inside the sound library.
        held_ = lastReported_;
        running_ = false;
        fallBack();
        return;
    }
    held_ = now();
    // After the last sample was taken, time runs on from where it stands on resuming.
    drainedPlayed_ = (held_ - origin_).convertScale(kMicroseconds).value;
    running_ = false;
    suspended_ = true;
    watchdog_.stop();
    sink_->suspend();
}

bool AudioClock::isRunning() const {
    return failed_ ? fallback_.isRunning() : running_;
}

std::int64_t AudioClock::playedMicroseconds() const {
    // The sink's count already leaves out what the device still buffers; it can
    // never be more than what it was given.
    if (!sink_ || !feed_)
        return 0; // between two sinks
    const std::int64_t delivered =
        feed_->deliveredFrames() * kMicroseconds / TimelineAudioSource::kSampleRate;
    return std::min<std::int64_t>(sink_->processedUSecs(), delivered);
}

MediaTime AudioClock::now() const {
    if (failed_)
        return fallback_.now();
    if (!running_)
        return held_;
    std::int64_t played = playedMicroseconds();
    if (drained_) {
        const auto since = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - drainedAt_);
        played = std::max(played, drainedPlayed_ + since.count());
    }
    lastReported_ = std::max(lastReported_, origin_ + MediaTime{played, kMicroseconds});
    return lastReported_;
}

void AudioClock::onStateChanged(QAudio::State state) {
    if (!failed_ && sink_ && isLost(state, sink_->error()))
        fallBack();
}

void AudioClock::watch() {
    if (failed_ || !running_ || drained_ || !sink_) {
        watchdog_.stop();
        return;
    }
    // The server ends the stream of an output that goes with nowhere to move it;
    // the sink says nothing, only that it has no room left of any size.
    if (sink_->bytesFree() < 0) {
        fallBack();
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    const std::int64_t played = playedMicroseconds();
    const bool late = watchedPlayed_ >= 0 && now - watchedAt_ > kLateWatch;
    // Standing still matters only while there is sound it could play.
    if (watchedPlayed_ < 0 || late || played != watchedPlayed_ || source_.available() == 0)
        standing_ = {};
    else
        standing_ += now - watchedAt_;
    watchedPlayed_ = played;
    watchedAt_ = now;
    if (standing_ >= kLongestStandstill)
        fallBack();
}

void AudioClock::fallBack() {
    // Where the pictures stand: the last time handed out while running.
    const MediaTime at = running_ ? lastReported_ : held_;
    failed_ = true;
    watchdog_.stop();
    log::error(
        log::Category::Playback,
        "Playback: audio output failed (error %d), continuing on the monotonic clock at %.3fs",
        sink_ ? static_cast<int>(sink_->error()) : -1, at.seconds());
    source_.stop();
    fallback_.start(at);
    if (!running_)
        fallback_.stop();
    // Out of the sink's own signal handler before it is stopped for good.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (sink_)
                sink_->stop();
        },
        Qt::QueuedConnection);
}

} // namespace kestrune
