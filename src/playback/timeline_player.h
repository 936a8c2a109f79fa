// The playback engine: plays an item made of file segments back to back as one
// timeline, shows the picture due at the clock's time, seeks frame-exactly,
// steps single frames and reports its time to observers. Time follows the clock
// whatever the decoder manages: pictures that come too late are left out, never
// waited for. It lives on the main thread; decoding runs on a worker and every
// callback arrives on the main thread.
#pragma once

#include "frame_window.h"
#include "playback_clock.h"
#include "player_item.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QObject>
#include <QTimer>

namespace kestrune {

class TimelineDecoder;
struct QueuedFrame;

class TimelinePlayer : public QObject {
    Q_OBJECT

public:
    // Identifies an observer for removeTimeObserver; never 0.
    using ObserverToken = std::uint64_t;

    // Plays on `clock`, or on a monotonic clock when none is given.
    explicit TimelinePlayer(std::unique_ptr<PlaybackClock> clock = nullptr,
                            QObject* parent = nullptr);
    ~TimelinePlayer() override;

    // Plays `segments` from the start of the joined timeline; the rate stays as it
    // was. Segments whose end is not after their start take no time. A pending
    // seek completes with false.
    void replaceCurrentItem(std::vector<PlayerSegment> segments);
    // Empties the player and pauses it.
    void removeCurrentItem();
    bool hasItem() const { return !segments_->empty(); }
    const std::vector<PlayerSegment>& segments() const { return *segments_; }
    // The length of the joined timeline.
    MediaTime duration() const { return offsets_.back(); }

    // Rate 1 or 0. Playing with no item does nothing.
    void play();
    void pause();
    double rate() const { return playing_ ? 1.0 : 0.0; }

    // The playhead on the joined timeline.
    MediaTime currentTime() const;

    // Moves the playhead to `time` (clamped to the timeline) and shows the
    // picture on screen there. With zero tolerances that is exactly the frame
    // whose span contains `time`; wider tolerances let the picture already shown
    // stand when it lies within them. `completion` runs on the main thread: true
    // when the picture is shown, false when a later seek, step or item change
    // overtook this one. Playback pauses while the seek decodes and then goes on.
    void seek(MediaTime time, MediaTime toleranceBefore, MediaTime toleranceAfter,
              std::function<void(bool finished)> completion = {});
    // Pauses and shows exactly the next (+1) or previous (−1) frame; the
    // playhead moves to that frame's start. Steps made before the last one has
    // landed are counted, not lost: a run of them lands on the frame they add up
    // to, with the pictures in between left out.
    void stepFrame(int count);
    // The memory the decoded pictures kept for frame steps may take (192 MB unless
    // set); more pictures at hand make fewer decoding runs for steps back.
    void setStepMemory(std::size_t bytes) { window_.setByteBudget(bytes); }
    // Whether a seek or step is still decoding its picture (seekLanded() follows).
    bool isSeeking() const { return awaitingSeek_ || fetch_ != Fetch::none; }

    // `callback(time)` every `interval` of timeline time while playing.
    ObserverToken addPeriodicTimeObserver(MediaTime interval,
                                          std::function<void(MediaTime)> callback);
    // `callback()` each time playback crosses one of `times`.
    ObserverToken addBoundaryTimeObserver(std::vector<MediaTime> times,
                                          std::function<void()> callback);
    void removeTimeObserver(ObserverToken token);

    // The picture on screen, if any.
    const std::optional<PlayerFrame>& currentFrame() const { return frame_; }

    // Pictures shown, and pictures left out while playing (decoded too late, when
    // a later one was already due, or not decoded at all by a decoder catching
    // up), since the player was made.
    std::uint64_t framesShown() const { return framesShown_; }
    std::uint64_t framesDropped() const { return framesDropped_; }
    // Times the next picture was due before the decoder had it: the one on
    // screen stayed longer while time went on.
    std::uint64_t underruns() const { return underruns_; }

signals:
    // A new picture is on screen (currentFrame()), or none is any more (a new
    // item until its first picture, a seek into files that cannot be read).
    void frameChanged();
    void rateChanged();
    // Playback reached the end of the item and paused there.
    void playedToEnd();
    // A seek or frame step (with the steps queued behind it) has landed: its
    // picture is on screen and currentTime() is where it landed.
    void seekLanded();

private:
    struct Periodic {
        MediaTime interval;
        MediaTime next; // the next time it fires at
        std::function<void(MediaTime)> callback;
    };
    struct Boundary {
        std::vector<MediaTime> times;
        std::function<void()> callback;
    };

    // What a frame step waits for from the decoder.
    enum class Fetch {
        none,
        following, // the picture after the window's last
        preceding, // the pictures before the window's first
    };

    void startDecoding(MediaTime at);
    // Decodes from `at` for frame steps, while paused.
    void decodeForSteps(MediaTime at);
    void finishSeek(bool finished);
    // Takes the pending steps as far as the pictures at hand go; lands when they
    // are all taken.
    void continueSteps();
    // Starts decoding the pictures before the window's first, for steps back.
    void fetchPreceding();
    // Puts the pictures decoded before the window into it.
    void takePreceding();
    void landSteps();
    void cancelSteps();
    // The next queued frame of the current request.
    std::optional<QueuedFrame> takeCurrent();
    // Shows the newest picture due at `now`, leaving out the older ones.
    void presentDue(MediaTime now);
    void tick();
    void scheduleTick();
    void show(PlayerFrame frame);
    void setPlaying(bool playing);
    void reachEnd();
    void fireObservers(MediaTime from, MediaTime to);
    void resetPeriodic(MediaTime at);
    void complete(std::function<void(bool)> completion, bool finished);
    MediaTime clamped(MediaTime time) const;

    std::unique_ptr<PlaybackClock> clock_;
    std::unique_ptr<TimelineDecoder> decoder_;
    QTimer timer_;
    std::atomic<bool> wakeOnFrame_ = false;

    std::shared_ptr<const std::vector<PlayerSegment>> segments_;
    std::vector<MediaTime> offsets_;
    std::uint64_t generation_ = 0;
    bool playing_ = false;
    MediaTime position_;     // the playhead while the clock does not run
    MediaTime lastObserved_; // the time observers were last given
    bool awaitingSeek_ = false;
    std::function<void(bool)> seekCompletion_;
    std::optional<PlayerFrame> frame_;
    // frame_ ends where the next picture of its file begins (no picture after it
    // was left out to keep up).
    bool frameExact_ = true;
    bool underrunCounted_ = false; // for the picture on screen

    // Frame steps, while paused: the pictures around the one on screen, steps
    // requested and not yet taken, and what they wait for from the decoder.
    FrameWindow window_;
    int pendingSteps_ = 0;
    Fetch fetch_ = Fetch::none;
    // The decoder's queue goes on with the picture after window_.last().
    bool streamFollows_ = false;
    std::vector<PlayerFrame> preceding_; // decoded before window_.first()
    MediaTime precedingUntil_;
    std::size_t precedingRoom_ = 0;     // pictures preceding_ may hold
    std::int64_t precedingLeftOut_ = 0; // decoded after those, not kept
    MediaTime precedingLeftOutFrom_;    // the first of them

    ObserverToken nextToken_ = 1;
    std::map<ObserverToken, Periodic> periodic_;
    std::map<ObserverToken, Boundary> boundaries_;

    std::uint64_t framesShown_ = 0;
    std::uint64_t framesDropped_ = 0;
    std::uint64_t underruns_ = 0;
};

} // namespace kestrune
