// The playback engine: plays an item made of file segments back to back as one
// timeline, shows the picture due at the clock's time, seeks frame-exactly,
// steps single frames and reports its time to observers. It lives on the main
// thread; decoding runs on a worker and every callback arrives on the main thread.
#pragma once

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
    // landed are counted, not lost.
    void stepFrame(int count);
    // Whether a seek or step is still decoding its picture (seekLanded() follows).
    bool isSeeking() const { return awaitingSeek_; }

    // `callback(time)` every `interval` of timeline time while playing.
    ObserverToken addPeriodicTimeObserver(MediaTime interval,
                                          std::function<void(MediaTime)> callback);
    // `callback()` each time playback crosses one of `times`.
    ObserverToken addBoundaryTimeObserver(std::vector<MediaTime> times,
                                          std::function<void()> callback);
    void removeTimeObserver(ObserverToken token);

    // The picture on screen, if any.
    const std::optional<PlayerFrame>& currentFrame() const { return frame_; }

    // Pictures shown and pictures dropped (already late by more than their own
    // span when a later one was due) since the player was made.
    std::uint64_t framesShown() const { return framesShown_; }
    std::uint64_t framesDropped() const { return framesDropped_; }
    // Times playback waited for the decoder to catch up.
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

    void startDecoding(MediaTime at);
    void finishSeek(bool finished);
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
    bool stalled_ = false; // playing, time held until the decoder delivers
    std::function<void(bool)> seekCompletion_;
    bool snapToFrame_ = false; // a backward step: the playhead goes to the frame's start
    int queuedSteps_ = 0;
    std::optional<PlayerFrame> frame_;

    ObserverToken nextToken_ = 1;
    std::map<ObserverToken, Periodic> periodic_;
    std::map<ObserverToken, Boundary> boundaries_;

    std::uint64_t framesShown_ = 0;
    std::uint64_t framesDropped_ = 0;
    std::uint64_t underruns_ = 0;
};

} // namespace kestrune
