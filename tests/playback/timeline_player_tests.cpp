#include "fixtures/counter_frames.h"
#include "fixtures/test_media.h"
#include "log/capturing_sink.h"
#include "playback/frame_window.h"
#include "playback/timeline_player.h"
#include "seek_and_wait.h"
#include "support/manual_clock.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace kestrune {

void PrintTo(const MediaTime& time, std::ostream* out) {
    *out << time.value << "/" << time.timescale;
}

namespace {

using test::ManualClock;
using test::paintedFrameNumber;
using test::runFor;
using test::runUntil;
using test::seekAndWait;
using test::testMedia;

MediaTime frames(int count) {
    return {count, 30};
}

MediaTime seconds(double value) {
    return MediaTime::fromSeconds(value, 600);
}

PlayerSegment counter(double start, double end) {
    return {testMedia("counter.mp4"), seconds(start), seconds(end)};
}

int shownNumber(const TimelinePlayer& player) {
    return player.currentFrame() ? paintedFrameNumber(*player.currentFrame()->picture) : -1;
}

// A clock that is always exactly at the end of the picture on screen, as if each
// picture were shown for its whole span the moment it was decoded: playback at
// the decoder's pace, with no picture ever late however busy the machine is.
class PictureDrivenClock final : public PlaybackClock {
public:
    void start(MediaTime from) override {
        from_ = from;
        running_ = true;
    }
    void stop() override {
        from_ = now();
        running_ = false;
    }
    MediaTime now() const override { return running_ ? std::max(from_, shownEnd_) : from_; }
    bool isRunning() const override { return running_; }
    void follow(const PlayerFrame& frame) { shownEnd_ = frame.end; }

private:
    MediaTime from_ = MediaTime::zero();
    MediaTime shownEnd_ = MediaTime::zero();
    bool running_ = false;
};

TEST(TimelinePlayer, PlaysSegmentsBackToBackShowingEveryFrameOnceThenPausesAtTheEnd) {
    auto ownedClock = std::make_unique<PictureDrivenClock>();
    PictureDrivenClock* clock = ownedClock.get();
    TimelinePlayer player(std::move(ownedClock));
    std::vector<int> shown;
    std::vector<MediaTime> times;
    QObject::connect(&player, &TimelinePlayer::frameChanged, [&] {
        if (!player.currentFrame())
            return;
        shown.push_back(paintedFrameNumber(*player.currentFrame()->picture));
        times.push_back(player.currentFrame()->time);
        clock->follow(*player.currentFrame());
    });
    int ends = 0;
    QObject::connect(&player, &TimelinePlayer::playedToEnd, [&] { ++ends; });
    player.replaceCurrentItem({counter(1, 2), counter(3, 3.5)});
    EXPECT_EQ(player.duration(), seconds(1.5));
    player.play();
    EXPECT_EQ(player.rate(), 1.0);
    ASSERT_TRUE(runUntil([&] { return ends > 0; }));

    std::vector<int> expected;
    for (int i = 30; i < 60; ++i)
        expected.push_back(i);
    for (int i = 90; i < 105; ++i)
        expected.push_back(i);
    EXPECT_EQ(shown, expected);
    ASSERT_EQ(times.size(), expected.size());
    for (std::size_t i = 0; i < times.size(); ++i)
        EXPECT_EQ(times[i], frames(static_cast<int>(i))) << "frame " << i;
    EXPECT_EQ(player.framesDropped(), 0u);
    // The end pauses and stays there.
    EXPECT_EQ(player.rate(), 0.0);
    EXPECT_EQ(player.currentTime(), seconds(1.5));
    runFor(100);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(shown.size(), expected.size());
}

TEST(TimelinePlayer, TimeFollowsTheClockWhenPicturesComeLateAndLeavesTheLateOnesOut) {
    MediaTime now;
    TimelinePlayer player(std::make_unique<ManualClock>(&now));
    std::vector<int> shown;
    QObject::connect(&player, &TimelinePlayer::frameChanged,
                     [&] { shown.push_back(shownNumber(player)); });
    player.replaceCurrentItem({counter(0, 4)});
    player.play();
    ASSERT_TRUE(runUntil([&] { return shown.size() == 1; }));
    runFor(100); // the decoder fills its queue

    // A fifth of a second passes at once: the queued pictures are all late, and
    // the decoder catches up frame by frame.
    now = seconds(0.2);
    ASSERT_TRUE(runUntil([&] { return shownNumber(player) == 6; }));
    EXPECT_EQ(player.currentTime(), seconds(0.2));
    // Then further than it can decode frame by frame: it jumps to the key frame
    // at 3 s instead of decoding the pictures before it.
    now = seconds(3.1);
    ASSERT_TRUE(runUntil([&] { return shownNumber(player) == 93; }));
    EXPECT_EQ(player.currentTime(), seconds(3.1));
    runFor(100);
    EXPECT_EQ(shownNumber(player), 93);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_EQ(std::adjacent_find(shown.begin(), shown.end()), shown.end());
    EXPECT_LT(std::count_if(shown.begin(), shown.end(), [](int n) { return n > 6 && n < 90; }), 20);
    // Every picture up to the one on screen was either shown or counted as left out.
    EXPECT_EQ(player.framesShown() + player.framesDropped(), 94u);

    // Paused after that, the playhead's own picture is on screen, decoded exactly,
    // and frames step one by one from it.
    now = seconds(3.51);
    ASSERT_TRUE(runUntil([&] { return shownNumber(player) == 105; }));
    player.pause();
    ASSERT_TRUE(runUntil([&] { return !player.isSeeking(); }));
    EXPECT_EQ(shownNumber(player), 105);
    player.stepFrame(-1);
    player.stepFrame(-1);
    ASSERT_TRUE(runUntil([&] { return !player.isSeeking(); }));
    EXPECT_EQ(shownNumber(player), 103);
    player.stepFrame(1);
    ASSERT_TRUE(runUntil([&] { return !player.isSeeking(); }));
    EXPECT_EQ(shownNumber(player), 104);
    EXPECT_EQ(player.currentTime(), frames(104));
    EXPECT_TRUE(seekAndWait(player, seconds(1.51)));
    EXPECT_EQ(shownNumber(player), 45);
}

TEST(TimelinePlayer, ExactSeekShowsTheFrameWhoseSpanHoldsTheTarget) {
    TimelinePlayer player;
    player.replaceCurrentItem({counter(1, 2), counter(3, 3.5)});

    EXPECT_TRUE(seekAndWait(player, seconds(0.51))); // 1.51 s into counter.mp4
    EXPECT_EQ(shownNumber(player), 45);
    EXPECT_EQ(player.currentTime(), seconds(0.51));
    // Into the second segment: 3.2 s of the file.
    EXPECT_TRUE(seekAndWait(player, seconds(1.2)));
    EXPECT_EQ(shownNumber(player), 96);
    EXPECT_EQ(player.currentFrame()->segment, 1);
    // Out of range: clamped to the timeline, the end still shows the last frame.
    EXPECT_TRUE(seekAndWait(player, seconds(100)));
    EXPECT_EQ(player.currentTime(), seconds(1.5));
    EXPECT_EQ(shownNumber(player), 104);
    EXPECT_TRUE(seekAndWait(player, seconds(-3)));
    EXPECT_EQ(player.currentTime(), MediaTime::zero());
    EXPECT_EQ(shownNumber(player), 30);
}

TEST(TimelinePlayer, ANewItemNeverShowsPicturesOfTheOldOne) {
    TimelinePlayer player;
    player.replaceCurrentItem({counter(0, 1), counter(2, 3)});
    ASSERT_TRUE(runUntil([&] { return shownNumber(player) == 0; }));
    // Long enough for the decoder to open the second segment ahead of time.
    runFor(150);
    // Same file at the same index, other trim points.
    player.replaceCurrentItem({counter(0, 1), counter(3, 4)});
    EXPECT_FALSE(player.currentFrame());
    EXPECT_TRUE(seekAndWait(player, seconds(1)));
    EXPECT_EQ(shownNumber(player), 90);
}

TEST(TimelinePlayer, AFileThatCannotBeReadLetsItsTimePassWithoutAPicture) {
    log::CapturingSink sink;
    TimelinePlayer player;
    int ends = 0;
    QObject::connect(&player, &TimelinePlayer::playedToEnd, [&] { ++ends; });
    player.replaceCurrentItem({{"/nonexistent/clip.mp4", seconds(0), seconds(0.3)}});
    EXPECT_TRUE(seekAndWait(player, seconds(0.1)));
    EXPECT_FALSE(player.currentFrame());
    EXPECT_TRUE(sink.contains(log::Category::Playback, "/nonexistent/clip.mp4"));
    player.play();
    ASSERT_TRUE(runUntil([&] { return ends > 0; }));
    EXPECT_EQ(player.currentTime(), seconds(0.3));

    // Seeking into it shows nothing rather than the next segment's picture early.
    player.replaceCurrentItem(
        {counter(0, 0.2), {"/nonexistent/clip.mp4", seconds(0), seconds(1)}, counter(1, 1.2)});
    EXPECT_TRUE(seekAndWait(player, seconds(0.7)));
    EXPECT_FALSE(player.currentFrame());
    player.play();
    ASSERT_TRUE(runUntil([&] { return shownNumber(player) == 30; }));
    EXPECT_GE(player.currentTime(), seconds(1.2));
}

TEST(TimelinePlayer, SupersededSeekCompletesWithFalseAndTheLaterOneWins) {
    TimelinePlayer player;
    player.replaceCurrentItem({counter(0, 4)});
    std::vector<std::pair<int, bool>> completions;
    player.seek(seconds(1.51), MediaTime::zero(), MediaTime::zero(),
                [&](bool finished) { completions.emplace_back(1, finished); });
    player.seek(seconds(2.0), MediaTime::zero(), MediaTime::zero(),
                [&](bool finished) { completions.emplace_back(2, finished); });
    ASSERT_TRUE(runUntil([&] { return completions.size() == 2; }));
    EXPECT_EQ(completions[0], std::make_pair(1, false));
    EXPECT_EQ(completions[1], std::make_pair(2, true));
    EXPECT_EQ(shownNumber(player), 60);

    // Replacing the item overtakes a pending seek too; with no item nothing seeks.
    std::optional<bool> pending;
    player.seek(seconds(3), MediaTime::zero(), MediaTime::zero(), [&](bool f) { pending = f; });
    player.removeCurrentItem();
    ASSERT_TRUE(runUntil([&] { return pending.has_value(); }));
    EXPECT_FALSE(*pending);
    EXPECT_FALSE(seekAndWait(player, seconds(1)));
    EXPECT_FALSE(player.currentFrame());
    player.play();
    EXPECT_EQ(player.rate(), 0.0);
}

TEST(TimelinePlayer, StepsExactlyOneFrameEitherWayAcrossSegments) {
    TimelinePlayer player;
    player.replaceCurrentItem({counter(1, 2), counter(3, 3.5)});
    ASSERT_TRUE(seekAndWait(player, seconds(0.51)));
    ASSERT_EQ(shownNumber(player), 45);

    player.stepFrame(1);
    ASSERT_TRUE(runUntil([&] { return shownNumber(player) == 46; }));
    EXPECT_EQ(player.currentTime(), frames(16));
    player.stepFrame(-1);
    ASSERT_TRUE(runUntil([&] { return shownNumber(player) == 45; }));
    // A backward step puts the playhead at the frame's start, not inside it.
    EXPECT_EQ(player.currentTime(), frames(15));
    // Steps made in quick succession all count.
    player.stepFrame(-1);
    player.stepFrame(-1);
    player.stepFrame(-1);
    ASSERT_TRUE(runUntil([&] { return shownNumber(player) == 42; }));
    runFor(100);
    EXPECT_EQ(shownNumber(player), 42);
    EXPECT_EQ(player.currentTime(), frames(12));

    // From the last frame of the first segment to the first of the second, and back.
    ASSERT_TRUE(seekAndWait(player, frames(29)));
    ASSERT_EQ(shownNumber(player), 59);
    player.stepFrame(1);
    ASSERT_TRUE(runUntil([&] { return shownNumber(player) == 90; }));
    EXPECT_EQ(player.currentTime(), frames(30));
    player.stepFrame(-1);
    ASSERT_TRUE(runUntil([&] { return shownNumber(player) == 59; }));
    EXPECT_EQ(player.currentTime(), frames(29));

    // Stepping pauses playback; there is nothing before the first frame.
    ASSERT_TRUE(seekAndWait(player, MediaTime::zero()));
    player.play();
    player.stepFrame(-1);
    EXPECT_EQ(player.rate(), 0.0);
    runFor(100);
    EXPECT_EQ(shownNumber(player), 30);
    EXPECT_LT(player.currentTime(), frames(1));
}

TEST(TimelinePlayer, StepsRequestedFasterThanTheyLandAllCountAndLandOnTheirSum) {
    TimelinePlayer player;
    // Whenever steps land, the picture on screen is the one at the playhead.
    int landings = 0;
    int disagreements = 0;
    QObject::connect(&player, &TimelinePlayer::seekLanded, [&] {
        ++landings;
        const std::optional<PlayerFrame>& frame = player.currentFrame();
        if (!frame || player.currentTime() < frame->time || !(player.currentTime() < frame->end))
            ++disagreements;
    });
    player.replaceCurrentItem({counter(0, 4)});
    ASSERT_TRUE(seekAndWait(player, seconds(1.51)));
    ASSERT_EQ(shownNumber(player), 45);

    // Forwards over a key frame, in one burst: it lands on the last frame asked
    // for, with the playhead at its start.
    landings = 0;
    for (int i = 0; i < 40; ++i)
        player.stepFrame(1);
    ASSERT_TRUE(runUntil([&] { return !player.isSeeking(); }));
    EXPECT_EQ(shownNumber(player), 85);
    EXPECT_EQ(player.currentTime(), frames(85));
    EXPECT_GE(landings, 1);

    // Backwards over two key frames and more pictures than one decoding run keeps,
    // with steps the other way mixed in while it decodes.
    for (int i = 0; i < 70; ++i)
        player.stepFrame(-1);
    player.stepFrame(1);
    player.stepFrame(1);
    ASSERT_TRUE(runUntil([&] { return !player.isSeeking(); }));
    EXPECT_EQ(shownNumber(player), 17);
    EXPECT_EQ(player.currentTime(), frames(17));

    // Back over the pictures just decoded, then forwards past where they end.
    player.stepFrame(-1);
    player.stepFrame(-1);
    ASSERT_TRUE(runUntil([&] { return !player.isSeeking(); }));
    EXPECT_EQ(shownNumber(player), 15);
    for (int i = 0; i < 80; ++i)
        player.stepFrame(1);
    ASSERT_TRUE(runUntil([&] { return !player.isSeeking(); }));
    EXPECT_EQ(shownNumber(player), 95);

    // Past either end the steps stop at the first or last frame.
    for (int i = 0; i < 30; ++i)
        player.stepFrame(1);
    ASSERT_TRUE(runUntil([&] { return !player.isSeeking(); }));
    EXPECT_EQ(shownNumber(player), 119);
    EXPECT_EQ(player.currentTime(), frames(119));
    for (int i = 0; i < 130; ++i)
        player.stepFrame(-1);
    ASSERT_TRUE(runUntil([&] { return !player.isSeeking(); }));
    EXPECT_EQ(shownNumber(player), 0);
    EXPECT_EQ(player.currentTime(), MediaTime::zero());

    // A seek while steps decode overtakes them.
    for (int i = 0; i < 10; ++i)
        player.stepFrame(1);
    EXPECT_TRUE(seekAndWait(player, seconds(2.51)));
    runFor(100);
    EXPECT_EQ(shownNumber(player), 75);
    EXPECT_EQ(disagreements, 0);
}

// With room for only eight pictures (as with 4K footage), a run of steps back
// decodes once around where it lands, and steps on from there either way.
TEST(TimelinePlayer, StepsBackFurtherThanTheWindowHoldsLandWhereTheyAddUpTo) {
    TimelinePlayer player;
    player.replaceCurrentItem({counter(0, 4)});
    ASSERT_TRUE(seekAndWait(player, seconds(100.0 / 30 + 0.01)));
    ASSERT_EQ(shownNumber(player), 100);
    player.setStepMemory(8 * pictureBytes(*player.currentFrame()));

    for (int i = 0; i < 40; ++i)
        player.stepFrame(-1);
    ASSERT_TRUE(runUntil([&] { return !player.isSeeking(); }));
    EXPECT_EQ(shownNumber(player), 60);
    EXPECT_EQ(player.currentTime(), frames(60));

    // Back a little within what was kept, then forwards past its end.
    for (int i = 0; i < 3; ++i)
        player.stepFrame(-1);
    ASSERT_TRUE(runUntil([&] { return !player.isSeeking(); }));
    EXPECT_EQ(shownNumber(player), 57);
    for (int i = 0; i < 13; ++i)
        player.stepFrame(1);
    ASSERT_TRUE(runUntil([&] { return !player.isSeeking(); }));
    EXPECT_EQ(shownNumber(player), 70);

    // One step at a time, each landing before the next, back over several runs
    // of decoding and a key frame, then the other way: every frame in turn.
    for (int n = 69; n >= 50; --n) {
        player.stepFrame(-1);
        ASSERT_TRUE(runUntil([&] { return !player.isSeeking(); }));
        ASSERT_EQ(shownNumber(player), n);
        ASSERT_EQ(player.currentTime(), frames(n));
    }
    for (int n = 51; n <= 62; ++n) {
        player.stepFrame(1);
        ASSERT_TRUE(runUntil([&] { return !player.isSeeking(); }));
        ASSERT_EQ(shownNumber(player), n);
    }

    // Further back than the start: the first frame.
    ASSERT_TRUE(seekAndWait(player, seconds(20.0 / 30 + 0.01)));
    for (int i = 0; i < 40; ++i)
        player.stepFrame(-1);
    ASSERT_TRUE(runUntil([&] { return !player.isSeeking(); }));
    EXPECT_EQ(shownNumber(player), 0);
    EXPECT_EQ(player.currentTime(), MediaTime::zero());
}

TEST(TimelinePlayer, PlaysOnFromTheFrameStepsLandedOn) {
    auto ownedClock = std::make_unique<PictureDrivenClock>();
    PictureDrivenClock* clock = ownedClock.get();
    TimelinePlayer player(std::move(ownedClock));
    std::vector<int> shown;
    QObject::connect(&player, &TimelinePlayer::frameChanged, [&] {
        shown.push_back(shownNumber(player));
        if (player.currentFrame())
            clock->follow(*player.currentFrame());
    });
    player.replaceCurrentItem({counter(1, 2), counter(3, 3.5)});
    ASSERT_TRUE(seekAndWait(player, frames(20)));
    // Back five over pictures decoded for the steps, whose queue goes on from
    // elsewhere: playback starts again from the frame on screen.
    for (int i = 0; i < 5; ++i)
        player.stepFrame(-1);
    ASSERT_TRUE(runUntil([&] { return !player.isSeeking(); }));
    ASSERT_EQ(shownNumber(player), 45);
    shown.clear();
    int ends = 0;
    QObject::connect(&player, &TimelinePlayer::playedToEnd, [&] { ++ends; });
    player.play();
    ASSERT_TRUE(runUntil([&] { return ends > 0; }));
    std::vector<int> expected;
    for (int i = 46; i < 60; ++i)
        expected.push_back(i);
    for (int i = 90; i < 105; ++i)
        expected.push_back(i);
    // The frame on screen may be shown again as playback starts from it.
    if (!shown.empty() && shown.front() == 45)
        shown.erase(shown.begin());
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(player.framesDropped(), 0u);
}

// A 64 × 64 grey picture shown for frame `n` of a 30 fps clip.
PlayerFrame grey(int n) {
    AVFrame* picture = av_frame_alloc();
    picture->format = AV_PIX_FMT_GRAY8;
    picture->width = picture->height = 64;
    EXPECT_EQ(av_frame_get_buffer(picture, 0), 0);
    PlayerFrame frame;
    frame.picture = std::shared_ptr<const AVFrame>(picture, [](const AVFrame* f) {
        AVFrame* owned = const_cast<AVFrame*>(f);
        av_frame_free(&owned);
    });
    frame.time = frames(n);
    frame.end = frames(n + 1);
    return frame;
}

TEST(FrameWindow, KeepsItsBudgetByDroppingThePicturesFurthestFromTheCurrentOne) {
    FrameWindow window(3 * pictureBytes(grey(0)));
    EXPECT_EQ(window.capacityFor(grey(0)), 3u);
    window.reset(grey(5));
    for (int n = 6; n <= 8; ++n) {
        window.append(grey(n));
        ASSERT_TRUE(window.forward());
    }
    // Stepping forwards drops the oldest pictures, never the current one.
    EXPECT_EQ(window.current().time, frames(8));
    EXPECT_EQ(window.first().time, frames(6));
    EXPECT_FALSE(window.forward());
    ASSERT_TRUE(window.backward());
    ASSERT_TRUE(window.backward());
    EXPECT_FALSE(window.backward());
    EXPECT_EQ(window.current().time, frames(6));

    // Earlier pictures put in front push out the latest ones.
    std::vector<PlayerFrame> earlier{grey(4), grey(5)};
    EXPECT_FALSE(window.prepend(std::move(earlier)));
    EXPECT_EQ(window.current().time, frames(6));
    EXPECT_EQ(window.first().time, frames(4));
    EXPECT_EQ(window.last().time, frames(6));
    ASSERT_TRUE(window.backward());
    EXPECT_EQ(window.current().time, frames(5));
}

TEST(TimelinePlayer, PeriodicObserverTicksOnItsIntervalOnlyWhilePlaying) {
    TimelinePlayer player;
    player.replaceCurrentItem({counter(0, 4)});
    std::vector<MediaTime> ticks;
    const TimelinePlayer::ObserverToken token = player.addPeriodicTimeObserver(
        MediaTime{1, 10}, [&](MediaTime time) { ticks.push_back(time); });
    ASSERT_NE(token, 0u);
    runFor(150);
    EXPECT_TRUE(ticks.empty());

    player.play();
    ASSERT_TRUE(runUntil([&] { return ticks.size() >= 5; }));
    player.pause();
    // One tick per interval of the timeline: tick n comes at or after n/10 s and
    // before the next one is due.
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        EXPECT_GE(ticks[i], (MediaTime{static_cast<std::int64_t>(i) + 1, 10})) << "tick " << i;
        EXPECT_LT(ticks[i], (MediaTime{static_cast<std::int64_t>(i) + 2, 10})) << "tick " << i;
    }
    const std::size_t whenPaused = ticks.size();
    runFor(250);
    EXPECT_EQ(ticks.size(), whenPaused);

    player.removeTimeObserver(token);
    player.play();
    runFor(250);
    EXPECT_EQ(ticks.size(), whenPaused);
}

TEST(TimelinePlayer, BoundaryObserverFiresWhenPlaybackCrossesNotWhenSeekingPast) {
    TimelinePlayer player;
    player.replaceCurrentItem({counter(0, 4)});
    std::vector<MediaTime> crossings;
    player.addBoundaryTimeObserver({seconds(0.5), seconds(3)},
                                   [&] { crossings.push_back(player.currentTime()); });
    ASSERT_TRUE(seekAndWait(player, seconds(0.4)));
    player.play();
    ASSERT_TRUE(runUntil([&] { return !crossings.empty(); }));
    EXPECT_GE(crossings[0], seconds(0.5));
    EXPECT_LT(crossings[0], seconds(0.7));
    // Seeking over the second boundary does not cross it.
    ASSERT_TRUE(seekAndWait(player, seconds(3.5)));
    runFor(100);
    EXPECT_EQ(crossings.size(), 1u);
}

TEST(TimelinePlayer, ReplacingTheItemWhilePlayingPlaysTheNewOneFromItsStart) {
    TimelinePlayer player;
    std::vector<int> shown;
    QObject::connect(&player, &TimelinePlayer::frameChanged,
                     [&] { shown.push_back(shownNumber(player)); });
    int ends = 0;
    QObject::connect(&player, &TimelinePlayer::playedToEnd, [&] { ++ends; });
    player.replaceCurrentItem({counter(0, 4)});
    player.play();
    ASSERT_TRUE(runUntil([&] { return shown.size() >= 5; }));

    player.replaceCurrentItem({counter(2, 2.5)});
    // The old picture goes at once.
    EXPECT_EQ(shown.back(), -1);
    shown.clear();
    EXPECT_EQ(player.rate(), 1.0);
    EXPECT_EQ(player.currentTime(), MediaTime::zero());
    ASSERT_TRUE(runUntil([&] { return ends > 0; }));
    std::vector<int> expected;
    for (int i = 60; i < 75; ++i)
        expected.push_back(i);
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(player.currentTime(), seconds(0.5));
}

} // namespace
} // namespace kestrune
