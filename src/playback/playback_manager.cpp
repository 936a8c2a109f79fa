#include "playback_manager.h"

#include "media/proxy_cache.h"
#include "timeline_boundaries.h"

#include <algorithm>
#include <utility>

#include <QFile>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace kestrune {

namespace {

const MediaTime kTimelineTickInterval{1, 60};
const MediaTime kTrimTickInterval{1, kTrimTimescale};
const MediaTime kScrubTolerance{kTrimTimescale / 10, kTrimTimescale};
constexpr int kStepRefreshMilliseconds = 50;

// What trim mode reads of a clip's file off the main thread.
struct TrimFile {
    std::optional<VideoFileTiming> timing; // the original's
    std::string shownFile;                 // its proxy when one is made
};

// `seconds` within 0 … `end`; what is not a number goes to 0.
double clampedTo(double seconds, double end) {
    const double bounded = std::min(seconds, end);
    return bounded > 0 ? bounded : 0;
}

std::unique_ptr<PlaybackClock> makeClockWith(const PlaybackManager::ClockFactory& factory) {
    return factory ? factory() : nullptr;
}

// Runs `work` on the thread pool and hands its result to `apply` on the main
// thread. The watcher belongs to `owner`: once the owner is gone, the result is
// dropped unseen.
template <typename Result, typename Work, typename Apply>
void runOffMainThread(QObject* owner, Work work, Apply apply) {
    auto* watcher = new QFutureWatcher<Result>(owner);
    QObject::connect(watcher, &QFutureWatcherBase::finished, owner,
                     [watcher, apply = std::move(apply)]() mutable {
                         watcher->deleteLater();
                         apply(watcher->result());
                     });
    watcher->setFuture(QtConcurrent::run(std::move(work)));
}

} // namespace

PlaybackManager::PlaybackManager(ClockFactory makeClock, QObject* parent)
    : QObject(parent)
    , player_(std::make_unique<TimelinePlayer>(makeClockWith(makeClock)))
    , trimPlayer_(std::make_unique<TimelinePlayer>(makeClockWith(makeClock))) {
    stepRefresh_.setSingleShot(true);
    // Never early: the step it reads back has had its full 50 ms.
    stepRefresh_.setTimerType(Qt::PreciseTimer);
    stepRefresh_.setInterval(kStepRefreshMilliseconds);
    connect(&stepRefresh_, &QTimer::timeout, this, &PlaybackManager::refreshAfterStep);
    connect(trimPlayer_.get(), &TimelinePlayer::seekLanded, this, [this] {
        if (waitingForStep_) {
            waitingForStep_ = false;
            refreshAfterStep();
        }
        runHeldKeys();
    });
    // An out point at or past the file's end is never crossed: the end stops
    // playback instead, and the transport must not go on showing it as playing.
    connect(trimPlayer_.get(), &TimelinePlayer::playedToEnd, this, [this] {
        if (isTrimMode_)
            pauseTrim();
    });
}

PlaybackManager::~PlaybackManager() = default;

// Joined timeline

void PlaybackManager::loadTimeline(const std::vector<VideoClip>& clips,
                                   const std::map<Uuid, QString>& clipPaths) {
    removeMainObservers();
    assign(isLoaded_, false, &PlaybackManager::isLoadedChanged);
    assign(loadGeneration_, loadGeneration_ + 1, &PlaybackManager::loadGenerationChanged);
    const int generation = loadGeneration_;
    runOffMainThread<ProbedTimeline>(
        this, [located = locatedClipsInOrder(clips, clipPaths)] { return probeTimeline(located); },
        [this, generation](ProbedTimeline timeline) {
            applyLoad(generation, std::move(timeline), false);
        });
}

void PlaybackManager::reloadTimeline(const std::vector<VideoClip>& clips,
                                     const std::map<Uuid, QString>& clipPaths) {
    // A load under way starts from the beginning anyway, and must see the new files.
    if (!isLoaded_) {
        loadTimeline(clips, clipPaths);
        return;
    }
    // The old item plays on, and the playhead follows it, until the new one is read.
    const int generation = ++reloadGeneration_;
    runOffMainThread<ProbedTimeline>(
        this, [located = locatedClipsInOrder(clips, clipPaths)] { return probeTimeline(located); },
        [this, generation, load = loadGeneration_](ProbedTimeline timeline) {
            if (generation == reloadGeneration_ && load == loadGeneration_)
                applyLoad(load, std::move(timeline), true);
        });
}

void PlaybackManager::applyLoad(int generation, ProbedTimeline timeline, bool keepPlayhead) {
    // A newer load owns the player now; one that found nothing to play leaves
    // the previous item where it is.
    if (generation != loadGeneration_ || timeline.boundaries.size() < 2)
        return;
    const double playhead = player_->currentTime().seconds();
    assign(clipBoundaries_, timeline.boundaries, &PlaybackManager::clipBoundariesChanged);
    player_->replaceCurrentItem(std::move(timeline.segments));
    if (keepPlayhead) {
        seek(playhead); // resumes playing once the picture there is decoded
        return;
    }
    assign(currentClipIndex_, 0, &PlaybackManager::currentClipIndexChanged);
    assign(currentTime_, 0.0, &PlaybackManager::currentTimeChanged);
    assign(isLoaded_, true, &PlaybackManager::isLoadedChanged);
    removeMainObservers();
    timeObserverToken_ = player_->addPeriodicTimeObserver(
        kTimelineTickInterval, [this](MediaTime time) { mainTick(time); });
    installEndObserver();
}

void PlaybackManager::removeMainObservers() {
    if (timeObserverToken_ != 0) {
        player_->removeTimeObserver(timeObserverToken_);
        timeObserverToken_ = 0;
    }
    if (endObserver_) {
        disconnect(endObserver_);
        endObserver_ = {};
    }
}

void PlaybackManager::installEndObserver() {
    if (endObserver_) {
        disconnect(endObserver_);
        endObserver_ = {};
    }
    // The player stays at the end: nothing seeks back or loops.
    if (player_->hasItem())
        endObserver_ =
            connect(player_.get(), &TimelinePlayer::playedToEnd, this, &PlaybackManager::pause);
}

void PlaybackManager::mainTick(MediaTime time) {
    if (!isPlaying_)
        return;
    assign(currentTime_, time.seconds(), &PlaybackManager::currentTimeChanged);
    assign(currentClipIndex_, clipIndexAt(clipBoundaries_, currentTime_),
           &PlaybackManager::currentClipIndexChanged);
}

void PlaybackManager::play() {
    if (!isLoaded_)
        return;
    player_->play();
    assign(isPlaying_, true, &PlaybackManager::isPlayingChanged);
}

void PlaybackManager::pause() {
    player_->pause();
    assign(isPlaying_, false, &PlaybackManager::isPlayingChanged);
}

void PlaybackManager::seek(double seconds) {
    const double target =
        clampedTo(seconds, clipBoundaries_.isEmpty() ? 0.0 : clipBoundaries_.last());
    const bool wasPlaying = isPlaying_;
    if (wasPlaying)
        player_->pause();
    assign(currentTime_, target, &PlaybackManager::currentTimeChanged);
    assign(currentClipIndex_, clipIndexAt(clipBoundaries_, target),
           &PlaybackManager::currentClipIndexChanged);
    // The completion arrives later: a pause (or trim mode) in between wins over
    // resuming.
    player_->seek(trimTime(target), MediaTime::zero(), MediaTime::zero(),
                  [this, wasPlaying](bool finished) {
                      if (finished && wasPlaying && isPlaying_)
                          player_->play();
                  });
}

// Trim player

void PlaybackManager::enterTrimMode(const VideoClip& clip, const QString& path) {
    pause();
    tearDownTrimPlayer();
    assign(isTrimMode_, true, &PlaybackManager::isTrimModeChanged);
    assign(trimClipCurrentTime_, clip.trimIn, &PlaybackManager::trimClipCurrentTimeChanged);
    assign(trimClipDuration_, clip.duration, &PlaybackManager::trimClipDurationChanged);
    assign(trimClipFrameRate_, 0.0, &PlaybackManager::trimClipFrameRateChanged);

    const std::uint64_t generation = trimGeneration_;
    const MediaTime trimIn = trimTime(clip.trimIn);
    const std::string file = QFile::encodeName(path).toStdString();
    // The clip's timing is the original's; the pictures come from its proxy when
    // one is made, which holds every frame at the original's time, so steps and
    // trim points land on the same frames either way, only faster on 4K footage.
    runOffMainThread<TrimFile>(
        this,
        [file] {
            return TrimFile{probeVideoTiming(file), previewFile(file)};
        },
        [this, generation, trimIn](TrimFile read) {
            applyTrimItem(generation, read.shownFile, read.timing, trimIn);
        });
}

void PlaybackManager::applyTrimItem(std::uint64_t generation, const std::string& shownFile,
                                    std::optional<VideoFileTiming> timing, MediaTime trimIn) {
    // Superseded by a later enter or exit; a file that cannot be played leaves
    // the trim player empty.
    if (generation != trimGeneration_ || !timing)
        return;
    assign(trimClipFrameRate_, timing->frameRate, &PlaybackManager::trimClipFrameRateChanged);
    // Files that do not state their length play as long as the clip is known to be.
    const MediaTime end =
        MediaTime::zero() < timing->duration ? timing->duration : trimTime(trimClipDuration_);
    trimPlayer_->replaceCurrentItem({PlayerSegment{shownFile, MediaTime::zero(), end}});
    trimPlayer_->seek(trimIn, MediaTime::zero(), MediaTime::zero(), [this, generation](bool) {
        if (generation != trimGeneration_ || trimTimeObserverToken_ != 0)
            return;
        trimTimeObserverToken_ = trimPlayer_->addPeriodicTimeObserver(
            kTrimTickInterval, [this](MediaTime time) { trimTick(time); });
    });
}

void PlaybackManager::exitTrimMode() {
    tearDownTrimPlayer();
    assign(isTrimMode_, false, &PlaybackManager::isTrimModeChanged);
    assign(trimClipCurrentTime_, 0.0, &PlaybackManager::trimClipCurrentTimeChanged);
    assign(trimClipDuration_, 0.0, &PlaybackManager::trimClipDurationChanged);
    assign(trimClipFrameRate_, 0.0, &PlaybackManager::trimClipFrameRateChanged);
}

void PlaybackManager::tearDownTrimPlayer() {
    ++trimGeneration_;
    if (trimTimeObserverToken_ != 0) {
        trimPlayer_->removeTimeObserver(trimTimeObserverToken_);
        trimTimeObserverToken_ = 0;
    }
    if (trimBoundaryObserver_ != 0) {
        trimPlayer_->removeTimeObserver(trimBoundaryObserver_);
        trimBoundaryObserver_ = 0;
    }
    cancelStepRefresh();
    heldKeys_.clear();
    trimPlayer_->removeCurrentItem();
}

void PlaybackManager::trimTick(MediaTime time) {
    if (!isTrimMode_ || isScrubbing_)
        return;
    assign(trimClipCurrentTime_, time.seconds(), &PlaybackManager::trimClipCurrentTimeChanged);
}

void PlaybackManager::playTrimRange(double trimIn, double trimOut) {
    // Without a file (still being read, or unreadable) nothing would play, and
    // the transport must not claim that something does.
    if (!isTrimMode_ || !trimPlayer_->hasItem())
        return;
    if (trimOut <= trimClipCurrentTime_)
        seekTrim(trimIn);
    if (trimBoundaryObserver_ != 0)
        trimPlayer_->removeTimeObserver(trimBoundaryObserver_);
    trimBoundaryObserver_ =
        trimPlayer_->addBoundaryTimeObserver({trimTime(trimOut)}, [this] { pauseTrim(); });
    trimPlayer_->play();
    assign(isPlaying_, true, &PlaybackManager::isPlayingChanged);
}

void PlaybackManager::pauseTrim() {
    trimPlayer_->pause();
    assign(isPlaying_, false, &PlaybackManager::isPlayingChanged);
}

void PlaybackManager::seekTrim(double seconds) {
    const double target = clampedTo(seconds, trimClipDuration_);
    const bool wasPlaying = isPlaying_;
    if (wasPlaying)
        trimPlayer_->pause();
    assign(trimClipCurrentTime_, target, &PlaybackManager::trimClipCurrentTimeChanged);
    trimPlayer_->seek(trimTime(target), MediaTime::zero(), MediaTime::zero(),
                      [this, wasPlaying, generation = trimGeneration_](bool finished) {
                          if (finished && wasPlaying && isPlaying_ && generation == trimGeneration_)
                              trimPlayer_->play();
                      });
}

void PlaybackManager::stepFrame(bool forward) {
    if (!isTrimMode_ || !trimPlayer_->hasItem())
        return;
    if (!heldKeys_.empty()) {
        heldKeys_.push_back({forward ? 1 : -1, {}});
        return;
    }
    issueStep(forward);
}

void PlaybackManager::afterPendingSteps(std::function<void(double playhead)> action) {
    heldKeys_.push_back({0, [this, action = std::move(action)] {
                             // The step has landed: the playhead shows it now, not 50 ms later.
                             if (stepRefresh_.isActive()) {
                                 cancelStepRefresh();
                                 refreshAfterStep();
                             }
                             action(trimClipCurrentTime_);
                         }});
    runHeldKeys();
}

void PlaybackManager::runHeldKeys() {
    // A key run from here may ask for more; the loop below takes it in turn.
    if (runningHeldKeys_)
        return;
    runningHeldKeys_ = true;
    while (!heldKeys_.empty()) {
        // The player counts steps while it decodes; only other keys wait for them.
        if (heldKeys_.front().step == 0 && trimPlayer_->isSeeking())
            break;
        HeldKey key = std::move(heldKeys_.front());
        heldKeys_.pop_front();
        if (key.step != 0)
            issueStep(key.step > 0);
        else
            key.action();
    }
    runningHeldKeys_ = false;
}

void PlaybackManager::issueStep(bool forward) {
    if (!isTrimMode_ || !trimPlayer_->hasItem())
        return;
    if (isPlaying_)
        pauseTrim();
    trimPlayer_->stepFrame(forward ? 1 : -1);
    // Only the last of quick steps is read back.
    cancelStepRefresh();
    stepRefresh_.start();
}

void PlaybackManager::refreshAfterStep() {
    // A backward step decodes from a key frame and may take longer than the
    // wait: the position before it lands is not the stepped frame's.
    if (trimPlayer_->isSeeking()) {
        waitingForStep_ = true;
        return;
    }
    if (isScrubbing_)
        return;
    assign(trimClipCurrentTime_, trimPlayer_->currentTime().seconds(),
           &PlaybackManager::trimClipCurrentTimeChanged);
}

void PlaybackManager::cancelStepRefresh() {
    stepRefresh_.stop();
    waitingForStep_ = false;
}

void PlaybackManager::beginTrimScrub() {
    assign(isScrubbing_, true, &PlaybackManager::isScrubbingChanged);
    assign(wasPlayingBeforeScrub_, isPlaying_, &PlaybackManager::wasPlayingBeforeScrubChanged);
    if (isPlaying_)
        pauseTrim();
}

void PlaybackManager::scrubTrim(double seconds) {
    const double target = clampedTo(seconds, trimClipDuration_);
    assign(trimClipCurrentTime_, target, &PlaybackManager::trimClipCurrentTimeChanged);
    trimPlayer_->seek(trimTime(target), kScrubTolerance, kScrubTolerance);
}

void PlaybackManager::endTrimScrub() {
    assign(isScrubbing_, false, &PlaybackManager::isScrubbingChanged);
    trimPlayer_->seek(trimTime(trimClipCurrentTime_), MediaTime::zero(), MediaTime::zero());
}

} // namespace kestrune
