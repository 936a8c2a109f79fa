#include "timeline_player.h"

#include "timeline_decoder.h"

#include <algorithm>
#include <cmath>

namespace kestrune {

namespace {

// The longest the player sleeps while it plays or waits for a picture; a new
// picture from the decoder or a due observer wakes it sooner.
constexpr int kMaxTickMilliseconds = 10;

const MediaTime kOneTick{1, MediaTime::kOutputTimescale};

bool isPositive(MediaTime time) {
    return MediaTime::zero() < time;
}

} // namespace

TimelinePlayer::TimelinePlayer(std::unique_ptr<PlaybackClock> clock, QObject* parent)
    : QObject(parent)
    , clock_(clock ? std::move(clock) : std::make_unique<MonotonicClock>())
    , segments_(std::make_shared<const std::vector<PlayerSegment>>())
    , offsets_{MediaTime::zero()} {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &TimelinePlayer::tick);
    // Called on the decoder's thread: the tick itself runs on ours.
    decoder_ = std::make_unique<TimelineDecoder>([this] {
        if (wakeOnFrame_.exchange(false))
            QMetaObject::invokeMethod(this, &TimelinePlayer::tick, Qt::QueuedConnection);
    });
}

TimelinePlayer::~TimelinePlayer() {
    // The worker goes first, so nothing calls back into a half-destroyed player.
    decoder_.reset();
}

void TimelinePlayer::replaceCurrentItem(std::vector<PlayerSegment> segments) {
    if (seekCompletion_)
        complete(std::move(seekCompletion_), false);
    seekCompletion_ = nullptr;
    queuedSteps_ = 0;
    snapToFrame_ = false;
    segments_ = std::make_shared<const std::vector<PlayerSegment>>(std::move(segments));
    offsets_ = segmentOffsets(*segments_);
    clock_->setSegments(segments_);
    if (frame_) {
        frame_.reset();
        emit frameChanged();
    }
    clock_->stop();
    position_ = MediaTime::zero();
    lastObserved_ = position_;
    resetPeriodic(position_);
    stalled_ = false;
    if (!hasItem()) {
        ++generation_;
        decoder_->stop();
        awaitingSeek_ = false;
        setPlaying(false);
        scheduleTick();
        return;
    }
    startDecoding(position_);
}

void TimelinePlayer::removeCurrentItem() {
    replaceCurrentItem({});
}

void TimelinePlayer::play() {
    if (!hasItem() || playing_)
        return;
    setPlaying(true);
    if (!awaitingSeek_)
        clock_->start(position_);
    scheduleTick();
}

void TimelinePlayer::pause() {
    if (!playing_)
        return;
    position_ = currentTime();
    clock_->stop();
    stalled_ = false;
    setPlaying(false);
    scheduleTick();
}

MediaTime TimelinePlayer::currentTime() const {
    if (playing_ && !awaitingSeek_ && clock_->isRunning())
        return clamped(clock_->now());
    return position_;
}

void TimelinePlayer::seek(MediaTime time, MediaTime toleranceBefore, MediaTime toleranceAfter,
                          std::function<void(bool finished)> completion) {
    if (!hasItem()) {
        complete(std::move(completion), false);
        return;
    }
    const MediaTime target = clamped(time);
    queuedSteps_ = 0;
    snapToFrame_ = false;
    if (seekCompletion_)
        complete(std::move(seekCompletion_), false);
    seekCompletion_ = nullptr;

    // A loose seek (a scrub) that the picture on screen already satisfies needs
    // no decoding; the queued pictures after it stay valid.
    if (!awaitingSeek_ && frame_ && (isPositive(toleranceBefore) || isPositive(toleranceAfter)) &&
        frame_->time <= target + toleranceAfter && target - toleranceBefore < frame_->end) {
        position_ = target;
        lastObserved_ = target;
        resetPeriodic(target);
        if (playing_)
            clock_->start(target);
        complete(std::move(completion), true);
        return;
    }
    position_ = target;
    lastObserved_ = target;
    resetPeriodic(target);
    seekCompletion_ = std::move(completion);
    startDecoding(target);
}

void TimelinePlayer::stepFrame(int count) {
    if (!hasItem() || count == 0)
        return;
    pause();
    if (awaitingSeek_) {
        // Counted from the picture the pending seek lands on.
        queuedSteps_ += count;
        return;
    }
    if (!frame_)
        return;
    if (count > 0) {
        // The next picture starts where this one ends; at the last one there is none.
        if (!(frame_->end < duration()))
            return;
        seek(frame_->end, MediaTime::zero(), MediaTime::zero());
        queuedSteps_ = count - 1;
    } else {
        if (!isPositive(frame_->time))
            return;
        // The previous picture is the one on screen just before this one begins;
        // its start is known once it is decoded.
        seek(frame_->time - kOneTick, MediaTime::zero(), MediaTime::zero());
        snapToFrame_ = true;
        queuedSteps_ = count + 1;
    }
}

TimelinePlayer::ObserverToken
TimelinePlayer::addPeriodicTimeObserver(MediaTime interval,
                                        std::function<void(MediaTime)> callback) {
    if (!isPositive(interval) || !callback)
        return 0;
    const ObserverToken token = nextToken_++;
    periodic_[token] = Periodic{interval, MediaTime::zero(), std::move(callback)};
    resetPeriodic(currentTime());
    scheduleTick();
    return token;
}

TimelinePlayer::ObserverToken
TimelinePlayer::addBoundaryTimeObserver(std::vector<MediaTime> times,
                                        std::function<void()> callback) {
    if (times.empty() || !callback)
        return 0;
    const ObserverToken token = nextToken_++;
    boundaries_[token] = Boundary{std::move(times), std::move(callback)};
    scheduleTick();
    return token;
}

void TimelinePlayer::removeTimeObserver(ObserverToken token) {
    periodic_.erase(token);
    boundaries_.erase(token);
}

void TimelinePlayer::startDecoding(MediaTime at) {
    ++generation_;
    stalled_ = false;
    awaitingSeek_ = true;
    clock_->stop();
    wakeOnFrame_ = true;
    decoder_->start(segments_, at, generation_);
    scheduleTick();
}

void TimelinePlayer::finishSeek(bool finished) {
    awaitingSeek_ = false;
    if (snapToFrame_ && frame_)
        position_ = frame_->time;
    snapToFrame_ = false;
    lastObserved_ = position_;
    resetPeriodic(position_);
    if (playing_)
        clock_->start(position_);
    if (seekCompletion_)
        complete(std::move(seekCompletion_), finished);
    seekCompletion_ = nullptr;
    if (queuedSteps_ != 0) {
        const int steps = queuedSteps_;
        queuedSteps_ = 0;
        stepFrame(steps);
    }
    if (!awaitingSeek_)
        emit seekLanded();
}

void TimelinePlayer::tick() {
    if (awaitingSeek_) {
        std::optional<QueuedFrame> first;
        while (!first) {
            // Asked before looking, so a frame queued right after the look wakes us.
            wakeOnFrame_ = true;
            std::optional<QueuedFrame> queued = decoder_->take();
            if (!queued)
                break;
            if (queued->generation == generation_)
                first = std::move(queued);
        }
        if (!first) {
            scheduleTick();
            return;
        }
        wakeOnFrame_ = false;
        if (first->frame.picture) {
            show(std::move(first->frame));
        } else if (frame_) {
            frame_.reset();
            emit frameChanged();
        }
        finishSeek(true);
        if (awaitingSeek_) {
            // A queued step started another seek.
            scheduleTick();
            return;
        }
    }
    if (!playing_) {
        scheduleTick();
        return;
    }
    if (stalled_) {
        if (!decoder_->peekTime()) {
            wakeOnFrame_ = true;
            scheduleTick();
            return;
        }
        stalled_ = false;
        clock_->start(position_);
    }
    MediaTime now = clock_->now();
    const bool atEnd = !(now < duration());
    if (atEnd)
        now = duration();
    for (;;) {
        const std::optional<MediaTime> due = decoder_->peekTime();
        if (!due || now < *due)
            break;
        std::optional<QueuedFrame> queued = decoder_->take();
        if (!queued || queued->generation != generation_ || !queued->frame.picture)
            continue;
        PlayerFrame& frame = queued->frame;
        // A picture late by more than its own span is skipped when a later one is
        // due too: showing it would only delay that one.
        const std::optional<MediaTime> following = decoder_->peekTime();
        const MediaTime span = frame.end - frame.time;
        if (following && !(now < *following) && !(now < frame.end + span)) {
            ++framesDropped_;
            continue;
        }
        show(std::move(frame));
    }
    const MediaTime from = lastObserved_;
    lastObserved_ = now;
    fireObservers(from, now);
    if (!playing_ || awaitingSeek_) {
        // An observer paused or sought.
        scheduleTick();
        return;
    }
    if (atEnd) {
        reachEnd();
        return;
    }
    if (!decoder_->peekTime()) {
        wakeOnFrame_ = true;
        if (frame_ && !(now < frame_->end)) {
            // The decoder fell behind (a slow disk, a busy machine): time waits
            // for the next picture instead of running past pictures never shown.
            stalled_ = true;
            ++underruns_;
            position_ = frame_->end;
            clock_->stop();
        }
    }
    scheduleTick();
}

void TimelinePlayer::scheduleTick() {
    if (!playing_ && !awaitingSeek_) {
        timer_.stop();
        return;
    }
    double wait = kMaxTickMilliseconds / 1000.0;
    if (playing_ && !awaitingSeek_) {
        const MediaTime now = clock_->now();
        auto consider = [&](MediaTime at) {
            if (now < at)
                wait = std::min(wait, (at - now).seconds());
        };
        if (const std::optional<MediaTime> due = decoder_->peekTime())
            wait = std::min(wait, std::max(0.0, (*due - now).seconds()));
        consider(duration());
        for (const auto& [token, observer] : periodic_)
            consider(observer.next);
        for (const auto& [token, observer] : boundaries_) {
            for (const MediaTime& at : observer.times)
                consider(at);
        }
    }
    timer_.start(static_cast<int>(std::ceil(wait * 1000.0)));
}

void TimelinePlayer::show(PlayerFrame frame) {
    frame_ = std::move(frame);
    ++framesShown_;
    emit frameChanged();
}

void TimelinePlayer::setPlaying(bool playing) {
    if (playing_ == playing)
        return;
    playing_ = playing;
    emit rateChanged();
}

void TimelinePlayer::reachEnd() {
    position_ = duration();
    clock_->stop();
    setPlaying(false);
    scheduleTick();
    emit playedToEnd();
}

void TimelinePlayer::fireObservers(MediaTime from, MediaTime to) {
    // An observer may remove itself or others, or seek: each is looked up again
    // before it is called.
    std::vector<ObserverToken> tokens;
    for (const auto& [token, observer] : periodic_)
        tokens.push_back(token);
    for (ObserverToken token : tokens) {
        auto found = periodic_.find(token);
        if (found == periodic_.end() || to < found->second.next)
            continue;
        resetPeriodic(to);
        found->second.callback(to);
    }
    tokens.clear();
    for (const auto& [token, observer] : boundaries_)
        tokens.push_back(token);
    for (ObserverToken token : tokens) {
        auto found = boundaries_.find(token);
        if (found == boundaries_.end())
            continue;
        const std::vector<MediaTime> times = found->second.times;
        for (const MediaTime& at : times) {
            found = boundaries_.find(token);
            if (found == boundaries_.end())
                break;
            if (from < at && !(to < at)) {
                const std::function<void()> callback = found->second.callback;
                callback();
            }
        }
    }
}

void TimelinePlayer::resetPeriodic(MediaTime at) {
    // The next multiple of each interval after `at`, so ticks fall on the same
    // grid whatever the seeks in between.
    for (auto& [token, observer] : periodic_) {
        const MediaTime interval = observer.interval;
        const std::int64_t ticks = at.convertScale(interval.timescale).value;
        MediaTime next{(ticks / interval.value + 1) * interval.value, interval.timescale};
        while (!(at < next))
            next = next + interval;
        // `at` was rounded to the interval's scale, possibly up past a grid point.
        while (at < next - interval)
            next = next - interval;
        observer.next = next;
    }
}

void TimelinePlayer::complete(std::function<void(bool)> completion, bool finished) {
    if (!completion)
        return;
    QMetaObject::invokeMethod(
        this, [completion = std::move(completion), finished] { completion(finished); },
        Qt::QueuedConnection);
}

MediaTime TimelinePlayer::clamped(MediaTime time) const {
    if (time < MediaTime::zero())
        return MediaTime::zero();
    return std::min(time, duration());
}

} // namespace kestrune
