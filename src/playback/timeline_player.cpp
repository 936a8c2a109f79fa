#include "timeline_player.h"

#include "timeline_decoder.h"

#include <algorithm>
#include <cmath>

namespace kestrune {

namespace {

// The longest the player sleeps while it plays or waits for a picture; a new
// picture from the decoder or a due observer wakes it sooner.
constexpr int kMaxTickMilliseconds = 10;

// The pictures kept around the one on screen for frame steps: about two seconds
// of 1080p, so that a run of backward steps decodes from a key frame once every
// second of pictures rather than once a step.
constexpr std::size_t kStepPictureBytes = 192u << 20;

bool isPositive(MediaTime time) {
    return MediaTime::zero() < time;
}

bool samePicture(const PlayerFrame& a, const PlayerFrame& b) {
    return a.picture == b.picture && a.time == b.time && a.segment == b.segment;
}

} // namespace

TimelinePlayer::TimelinePlayer(std::unique_ptr<PlaybackClock> clock, QObject* parent)
    : QObject(parent)
    , clock_(clock ? std::move(clock) : std::make_unique<MonotonicClock>())
    , segments_(std::make_shared<const std::vector<PlayerSegment>>())
    , offsets_{MediaTime::zero()}
    , window_(kStepPictureBytes) {
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
    cancelSteps();
    window_.clear();
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
    // After frame steps the decoder's queue may not go on from the picture on
    // screen: it starts again there.
    const bool following =
        window_.empty() || (streamFollows_ && samePicture(window_.current(), window_.last()));
    if (fetch_ != Fetch::none || (!awaitingSeek_ && !following)) {
        cancelSteps();
        startDecoding(position_);
    }
    window_.clear();
    if (!awaitingSeek_)
        clock_->start(position_);
    scheduleTick();
}

void TimelinePlayer::pause() {
    if (!playing_)
        return;
    position_ = currentTime();
    clock_->stop();
    decoder_->setPlayhead(std::nullopt);
    setPlaying(false);
    if (!awaitingSeek_) {
        presentDue(position_);
        // Paused, the picture on screen is the one at the playhead, and its end is
        // where the next one begins: a decoder that fell behind or left pictures
        // out decodes it exactly.
        const bool holds = frame_ && frame_->time <= position_ &&
                           (position_ < frame_->end || !(frame_->end < duration()));
        if (frame_ && (!holds || !frameExact_)) {
            startDecoding(position_);
        } else if (frame_) {
            window_.reset(*frame_);
            streamFollows_ = true;
        }
    }
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
    const bool stepping = fetch_ != Fetch::none;
    cancelSteps();
    if (seekCompletion_)
        complete(std::move(seekCompletion_), false);
    seekCompletion_ = nullptr;

    // A loose seek (a scrub) that the picture on screen already satisfies needs
    // no decoding; the queued pictures after it stay valid.
    if (!awaitingSeek_ && !stepping && frame_ &&
        (isPositive(toleranceBefore) || isPositive(toleranceAfter)) &&
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
    if (!isSeeking()) {
        if (!frame_)
            return;
        if (window_.empty()) {
            // Played to the end: the pictures after the last one are not known.
            window_.reset(*frame_);
            streamFollows_ = false;
        }
    }
    // Counted from the picture a pending seek or step lands on.
    pendingSteps_ += count;
    if (!isSeeking())
        continueSteps();
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
    awaitingSeek_ = true;
    fetch_ = Fetch::none;
    clock_->stop();
    wakeOnFrame_ = true;
    decoder_->start(segments_, at, generation_);
    scheduleTick();
}

void TimelinePlayer::decodeForSteps(MediaTime at) {
    ++generation_;
    wakeOnFrame_ = true;
    decoder_->start(segments_, at, generation_);
    scheduleTick();
}

void TimelinePlayer::finishSeek(bool finished) {
    awaitingSeek_ = false;
    // The decoder goes on from the picture the seek landed on.
    if (frame_)
        window_.reset(*frame_);
    else
        window_.clear();
    streamFollows_ = frameExact_;
    lastObserved_ = position_;
    resetPeriodic(position_);
    if (playing_) {
        window_.clear();
        clock_->start(position_);
    }
    if (seekCompletion_)
        complete(std::move(seekCompletion_), finished);
    seekCompletion_ = nullptr;
    if (pendingSteps_ != 0 && !playing_)
        continueSteps(); // lands once the steps are taken
    else
        emit seekLanded();
}

void TimelinePlayer::continueSteps() {
    while (pendingSteps_ != 0 && !window_.empty()) {
        if (pendingSteps_ > 0) {
            if (window_.forward()) {
                --pendingSteps_;
                continue;
            }
            // The next picture starts where the last one ends; after the last
            // picture of the timeline there is none.
            const MediaTime end = window_.last().end;
            if (!(end < duration()))
                break;
            if (fetch_ != Fetch::following) {
                fetch_ = Fetch::following;
                if (!streamFollows_) {
                    decodeForSteps(end);
                    streamFollows_ = true;
                }
            }
            std::optional<QueuedFrame> next = takeCurrent();
            if (!next)
                return; // the decoder wakes us
            if (!next->frame.picture) {
                streamFollows_ = false;
                break;
            }
            streamFollows_ = !next->gapAfter;
            window_.append(std::move(next->frame));
        } else {
            if (window_.backward()) {
                ++pendingSteps_;
                continue;
            }
            if (!isPositive(window_.first().time))
                break;
            if (fetch_ != Fetch::preceding)
                fetchPreceding();
            for (;;) {
                std::optional<QueuedFrame> queued = takeCurrent();
                if (!queued)
                    return; // the decoder wakes us
                // Up to the picture the window begins with.
                if (!queued->frame.picture || !(queued->frame.time < precedingUntil_))
                    break;
                if (preceding_.size() < precedingRoom_) {
                    preceding_.push_back(std::move(queued->frame));
                } else {
                    if (precedingLeftOut_ == 0)
                        precedingLeftOutFrom_ = queued->frame.time;
                    ++precedingLeftOut_;
                }
            }
            fetch_ = Fetch::none;
            if (preceding_.empty())
                break; // nothing before it can be read
            takePreceding();
        }
    }
    landSteps();
}

void TimelinePlayer::fetchPreceding() {
    const PlayerFrame& first = window_.first();
    const std::size_t room = std::max<std::size_t>(window_.capacityFor(first), 2);
    const std::int64_t half = std::min<std::int64_t>(static_cast<std::int64_t>(room / 2), 60);
    // Usually the window filled with the pictures before the one on screen (the
    // first), keeping the one after it: steps that reach back past the window go
    // on back more often than they turn, and each run starts from a key frame, so
    // the more a run keeps the fewer runs (4K footage fills the window with a few
    // pictures). Steps back further than the window holds (a held key on 4K
    // footage) are decoded in one run from the key frame before where they land,
    // with half a window more around it, rather than a run for each window.
    const std::int64_t beyond = std::max(-pendingSteps_, 1);
    const bool jump = beyond > static_cast<std::int64_t>(room);
    const std::int64_t count =
        jump ? beyond + half : std::clamp<std::int64_t>(static_cast<std::int64_t>(room) - 2, 1, 60);
    const MediaTime span =
        isPositive(first.end - first.time) ? first.end - first.time : MediaTime{1, 30};
    // A picture held for seconds (a screen recording) would make that a long way
    // back.
    const MediaTime earliest = first.time - MediaTime{2, 1} - MediaTime{jump ? beyond : 0, 10};
    MediaTime from = first.time;
    for (std::int64_t i = 0; i < count && isPositive(from) && earliest < from; ++i)
        from = from - span;
    fetch_ = Fetch::preceding;
    preceding_.clear();
    precedingRoom_ = room;
    precedingLeftOut_ = 0;
    precedingUntil_ = first.time;
    streamFollows_ = false;
    // Only the picture on screen (and for a run of the usual size, the one after
    // it) is kept while the others are decoded, so that both never take more than
    // the window's budget.
    if (jump)
        window_.reset(PlayerFrame(window_.current()));
    else
        window_.keepAfterCurrent(1);
    decodeForSteps(std::max(from, MediaTime::zero()));
}

void TimelinePlayer::takePreceding() {
    if (precedingLeftOut_ == 0) {
        preceding_.back().end = precedingUntil_;
        if (!window_.prepend(std::move(preceding_)))
            streamFollows_ = false;
    } else {
        // The pictures kept end before the window begins: they become the window,
        // on the picture the steps land on, or as near to it as they reach (the
        // steps left are taken from there).
        preceding_.back().end = precedingLeftOutFrom_;
        const auto decoded = static_cast<std::int64_t>(preceding_.size()) + precedingLeftOut_;
        const std::int64_t target = decoded + pendingSteps_;
        const std::int64_t at =
            std::clamp<std::int64_t>(target, 0, static_cast<std::int64_t>(preceding_.size()) - 1);
        window_.replace(std::move(preceding_), static_cast<std::size_t>(at));
        pendingSteps_ = static_cast<int>(target - at);
        streamFollows_ = false;
    }
    preceding_.clear();
}

void TimelinePlayer::landSteps() {
    pendingSteps_ = 0;
    fetch_ = Fetch::none;
    preceding_.clear();
    if (!window_.empty()) {
        if (!frame_ || !samePicture(*frame_, window_.current())) {
            frameExact_ = true;
            show(window_.current());
        }
        position_ = frame_->time;
    }
    lastObserved_ = position_;
    resetPeriodic(position_);
    emit seekLanded();
}

void TimelinePlayer::cancelSteps() {
    pendingSteps_ = 0;
    if (fetch_ == Fetch::preceding)
        streamFollows_ = false;
    fetch_ = Fetch::none;
    preceding_.clear();
}

std::optional<QueuedFrame> TimelinePlayer::takeCurrent() {
    for (;;) {
        // Asked before looking, so a frame queued right after the look wakes us.
        wakeOnFrame_ = true;
        std::optional<QueuedFrame> queued = decoder_->take();
        if (!queued)
            return std::nullopt;
        if (queued->generation == generation_) {
            wakeOnFrame_ = false;
            return queued;
        }
    }
}

void TimelinePlayer::presentDue(MediaTime now) {
    std::optional<QueuedFrame> newest;
    for (;;) {
        const std::optional<MediaTime> due = decoder_->peekTime();
        if (!due || now < *due)
            break;
        std::optional<QueuedFrame> queued = decoder_->take();
        if (!queued || queued->generation != generation_)
            continue;
        framesDropped_ += static_cast<std::uint64_t>(queued->leftOut);
        if (!queued->frame.picture)
            continue;
        // A picture is late once the next one is due too: showing it would only
        // hold that one up.
        if (newest)
            ++framesDropped_;
        newest = std::move(queued);
    }
    if (newest) {
        frameExact_ = !newest->gapAfter;
        show(std::move(newest->frame));
    } else if (frame_ && !(now < frame_->end) && frame_->end < duration() && !underrunCounted_) {
        underrunCounted_ = true;
        ++underruns_;
    }
}

void TimelinePlayer::tick() {
    if (awaitingSeek_) {
        std::optional<QueuedFrame> first = takeCurrent();
        if (!first) {
            scheduleTick();
            return;
        }
        if (first->frame.picture) {
            frameExact_ = !first->gapAfter;
            show(std::move(first->frame));
        } else if (frame_) {
            frame_.reset();
            emit frameChanged();
        }
        finishSeek(true);
    }
    if (fetch_ != Fetch::none)
        continueSteps();
    if (!playing_ || isSeeking()) {
        scheduleTick();
        return;
    }
    MediaTime now = clock_->now();
    const bool atEnd = !(now < duration());
    if (atEnd)
        now = duration();
    // The decoder leaves pictures out when it falls behind this.
    decoder_->setPlayhead(now);
    presentDue(now);
    const MediaTime from = lastObserved_;
    lastObserved_ = now;
    fireObservers(from, now);
    if (!playing_ || isSeeking()) {
        // An observer paused or sought.
        scheduleTick();
        return;
    }
    if (atEnd) {
        reachEnd();
        return;
    }
    if (!decoder_->peekTime())
        wakeOnFrame_ = true;
    scheduleTick();
}

void TimelinePlayer::scheduleTick() {
    if (!playing_ && !isSeeking()) {
        timer_.stop();
        return;
    }
    double wait = kMaxTickMilliseconds / 1000.0;
    if (playing_ && !isSeeking()) {
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
    underrunCounted_ = false;
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
    decoder_->setPlayhead(std::nullopt);
    // Steps from here go back from the last picture.
    if (frame_) {
        window_.reset(*frame_);
        streamFollows_ = false;
    }
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
