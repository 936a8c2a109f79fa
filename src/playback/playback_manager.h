// The preview controller: plays the project's trimmed clips back to back as one
// timeline on the main player, and one clip's whole file on the trim player
// while the user trims it. It publishes the playing state, the playhead and the
// clip under it for the views. Lives on the main thread; files are read on
// worker threads and their results come back to it.
#pragma once

#include "model/project.h"
#include "model/uuid.h"
#include "playback_clock.h"
#include "timeline_player.h"
#include "timeline_probe.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

namespace kestrune {

class PlaybackManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)
    Q_PROPERTY(double currentTime READ currentTime NOTIFY currentTimeChanged)
    Q_PROPERTY(int currentClipIndex READ currentClipIndex NOTIFY currentClipIndexChanged)
    Q_PROPERTY(bool isTrimMode READ isTrimMode NOTIFY isTrimModeChanged)
    Q_PROPERTY(
        double trimClipCurrentTime READ trimClipCurrentTime NOTIFY trimClipCurrentTimeChanged)
    Q_PROPERTY(bool isScrubbing READ isScrubbing NOTIFY isScrubbingChanged)
    Q_PROPERTY(
        bool wasPlayingBeforeScrub READ wasPlayingBeforeScrub NOTIFY wasPlayingBeforeScrubChanged)
    Q_PROPERTY(QList<double> clipBoundaries READ clipBoundaries NOTIFY clipBoundariesChanged)
    Q_PROPERTY(bool isLoaded READ isLoaded NOTIFY isLoadedChanged)
    Q_PROPERTY(int loadGeneration READ loadGeneration NOTIFY loadGenerationChanged)
    Q_PROPERTY(double trimClipDuration READ trimClipDuration NOTIFY trimClipDurationChanged)
    // Frames a second of the clip on the trim player, once its file is read; 0 before.
    Q_PROPERTY(double trimClipFrameRate READ trimClipFrameRate NOTIFY trimClipFrameRateChanged)
    Q_PROPERTY(kestrune::TimelinePlayer* player READ player CONSTANT)
    Q_PROPERTY(kestrune::TimelinePlayer* trimPlayer READ trimPlayer CONSTANT)

public:
    // Makes the clock of each player; empty means the players' monotonic clock.
    using ClockFactory = std::function<std::unique_ptr<PlaybackClock>()>;

    explicit PlaybackManager(ClockFactory makeClock = {}, QObject* parent = nullptr);
    ~PlaybackManager() override;

    bool isPlaying() const { return isPlaying_; }
    double currentTime() const { return currentTime_; }
    int currentClipIndex() const { return currentClipIndex_; }
    bool isTrimMode() const { return isTrimMode_; }
    double trimClipCurrentTime() const { return trimClipCurrentTime_; }
    bool isScrubbing() const { return isScrubbing_; }
    bool wasPlayingBeforeScrub() const { return wasPlayingBeforeScrub_; }
    const QList<double>& clipBoundaries() const { return clipBoundaries_; }
    bool isLoaded() const { return isLoaded_; }
    int loadGeneration() const { return loadGeneration_; }
    double trimClipDuration() const { return trimClipDuration_; }
    double trimClipFrameRate() const { return trimClipFrameRate_; }
    TimelinePlayer* player() const { return player_.get(); }
    TimelinePlayer* trimPlayer() const { return trimPlayer_.get(); }

    // Builds the joined timeline from the clips whose files are located, in
    // `order`, each cut to its trim points. The files are read off the main
    // thread; only the newest load reaches the player.
    void loadTimeline(const std::vector<VideoClip>& clips,
                      const std::map<Uuid, QString>& clipPaths);
    // Loads the same timeline again because the files it plays changed (a preview
    // proxy became ready): the playhead stays where it is and playback goes on.
    void reloadTimeline(const std::vector<VideoClip>& clips,
                        const std::map<Uuid, QString>& clipPaths);

    // Plays the joined timeline once one is loaded.
    Q_INVOKABLE void play();
    Q_INVOKABLE void pause();
    // Moves the playhead to `seconds` on the joined timeline (clamped to it),
    // frame-exactly; playback goes on afterwards if it was running.
    Q_INVOKABLE void seek(double seconds);

    // Pauses the joined timeline and shows `clip`'s file (at `path`, or its
    // finished proxy) from its in point on the trim player. The file is read off
    // the main thread; a later enter or exit supersedes one still reading.
    void enterTrimMode(const VideoClip& clip, const QString& path);
    Q_INVOKABLE void exitTrimMode();
    // Plays the clip from the playhead (from `trimIn` when the playhead is at or
    // past `trimOut`) and pauses at `trimOut`.
    Q_INVOKABLE void playTrimRange(double trimIn, double trimOut);
    Q_INVOKABLE void pauseTrim();
    // Moves the trim playhead to `seconds` in clip time, frame-exactly.
    Q_INVOKABLE void seekTrim(double seconds);
    // Pauses and shows the next or previous frame; the playhead follows 50 ms
    // later, or when the frame lands if it takes longer.
    Q_INVOKABLE void stepFrame(bool forward);
    // Runs `action` with the trim playhead once every frame step asked for
    // before it has landed; steps asked for after it wait until it has run, so
    // keys pressed faster than frames decode act in order on the frame stepped to.
    void afterPendingSteps(std::function<void(double playhead)> action);
    Q_INVOKABLE void beginTrimScrub();
    Q_INVOKABLE void scrubTrim(double seconds);
    Q_INVOKABLE void endTrimScrub();

signals:
    void isPlayingChanged();
    void currentTimeChanged();
    void currentClipIndexChanged();
    void isTrimModeChanged();
    void trimClipCurrentTimeChanged();
    void isScrubbingChanged();
    void wasPlayingBeforeScrubChanged();
    void clipBoundariesChanged();
    void isLoadedChanged();
    void loadGenerationChanged();
    void trimClipDurationChanged();
    void trimClipFrameRateChanged();

private:
    void applyLoad(int generation, ProbedTimeline timeline, bool keepPlayhead);
    void removeMainObservers();
    void installEndObserver();
    void mainTick(MediaTime time);

    void applyTrimItem(std::uint64_t generation, const std::string& shownFile,
                       std::optional<VideoFileTiming> timing, MediaTime trimIn);
    void tearDownTrimPlayer();
    void trimTick(MediaTime time);
    void issueStep(bool forward);
    void refreshAfterStep();
    void cancelStepRefresh();
    // Runs the held keys in order for as long as no step is decoding.
    void runHeldKeys();

    template <typename T>
    void assign(T& field, const T& value, void (PlaybackManager::*changed)()) {
        if (field == value)
            return;
        field = value;
        emit(this->*changed)();
    }

    bool isPlaying_ = false;
    double currentTime_ = 0;
    int currentClipIndex_ = 0;
    bool isTrimMode_ = false;
    double trimClipCurrentTime_ = 0;
    bool isScrubbing_ = false;
    bool wasPlayingBeforeScrub_ = false;
    QList<double> clipBoundaries_{0.0};
    bool isLoaded_ = false;
    int loadGeneration_ = 0;
    // Counts reloads that keep the playhead, so only the newest one lands.
    int reloadGeneration_ = 0;
    double trimClipDuration_ = 0;
    double trimClipFrameRate_ = 0;

    TimelinePlayer::ObserverToken timeObserverToken_ = 0;
    QMetaObject::Connection endObserver_;
    TimelinePlayer::ObserverToken trimTimeObserverToken_ = 0;
    TimelinePlayer::ObserverToken trimBoundaryObserver_ = 0;
    // Counts trim-player teardowns, so a file still being read for an earlier
    // trim mode is dropped when it arrives.
    std::uint64_t trimGeneration_ = 0;
    // The position refresh after a frame step; waitingForStep_ when the step had
    // not landed yet when it was due.
    QTimer stepRefresh_;
    bool waitingForStep_ = false;
    // Keys waiting for the steps before them to land, oldest first: a frame
    // step (+1 or -1), or another key's action.
    struct HeldKey {
        int step = 0;
        std::function<void()> action;
    };
    std::deque<HeldKey> heldKeys_;
    bool runningHeldKeys_ = false;

    // Destroyed first, so none of their callbacks can outlive the fields above.
    std::unique_ptr<TimelinePlayer> player_;
    std::unique_ptr<TimelinePlayer> trimPlayer_;
};

} // namespace kestrune
