#include "audio_clock.h"

#include "audio_feed.h"
#include "log/log.h"

#include <algorithm>

#include <QAudioSink>

namespace kestrune {

namespace {

constexpr std::int32_t kMicroseconds = 1'000'000;
// The sink's buffer: short, so that a seek is heard at once, and long enough to
// ride over a busy main thread.
constexpr int kBufferMilliseconds = 100;
// A start this close to where the clock was stopped resumes the paused sound
// instead of starting it anew (the player reads the time twice when it pauses).
const MediaTime kResumeTolerance{10, 1000};

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

MediaTime absolute(MediaTime time) {
    return time < MediaTime::zero() ? MediaTime::zero() - time : time;
}

} // namespace

AudioClock::AudioClock(const QAudioDevice& device, QObject* parent)
    : QObject(parent)
    , device_(device)
    , format_(outputFormat(device))
    , segments_(std::make_shared<const std::vector<PlayerSegment>>()) {
    feed_ = std::make_unique<AudioFeed>(source_, format_, [this] {
        drained_ = true;
        drainedPlayed_ = playedMicroseconds();
        drainedAt_ = std::chrono::steady_clock::now();
    });
    sink_ = std::make_unique<QAudioSink>(device_, format_);
    sink_->setBufferSize(format_.bytesForDuration(kBufferMilliseconds * 1000));
    connect(sink_.get(), &QAudioSink::stateChanged, this, &AudioClock::onStateChanged);
}

AudioClock::~AudioClock() {
    // The sink pulls from the feed: it goes first.
    if (sink_)
        sink_->stop();
    sink_.reset();
    feed_.reset();
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
    if (!running_ && suspended_ && !stale_ && absolute(from - held_) < kResumeTolerance) {
        // The sound goes on where it was paused; the picture's time rules.
        origin_ = origin_ + (from - held_);
        lastReported_ = from;
        drainedAt_ = std::chrono::steady_clock::now();
        running_ = true;
        suspended_ = false;
        sink_->resume();
        return;
    }
    restart(from);
}

void AudioClock::restart(MediaTime from) {
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
    // A sink that cannot open usually says so through stateChanged; one that has
    // no backend at all says nothing.
    sink_->start(feed_.get());
    if (!failed_ && (sink_->isNull() || isLost(sink_->state(), sink_->error())))
        fallBack();
}

void AudioClock::stop() {
    if (failed_) {
        fallback_.stop();
        return;
    }
    if (!running_)
        return;
    held_ = now();
    // After the last sample was taken, time runs on from where it stands on resuming.
    drainedPlayed_ = (held_ - origin_).convertScale(kMicroseconds).value;
    running_ = false;
    suspended_ = true;
    sink_->suspend();
}

bool AudioClock::isRunning() const {
    return failed_ ? fallback_.isRunning() : running_;
}

std::int64_t AudioClock::playedMicroseconds() const {
    // The sink's count already leaves out what the device still buffers; it can
    // never be more than what it was given.
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
    if (!failed_ && isLost(state, sink_->error()))
        fallBack();
}

void AudioClock::fallBack() {
    // Where the pictures stand: the last time handed out while running.
    const MediaTime at = running_ ? lastReported_ : held_;
    failed_ = true;
    log::error(
        log::Category::Playback,
        "Playback: audio output failed (error %d), continuing on the monotonic clock at %.3fs",
        static_cast<int>(sink_->error()), at.seconds());
    source_.stop();
    fallback_.start(at);
    if (!running_)
        fallback_.stop();
    // Out of the sink's own signal handler before it is stopped for good.
    QMetaObject::invokeMethod(
        this, [this] { sink_->stop(); }, Qt::QueuedConnection);
}

} // namespace kestrune
