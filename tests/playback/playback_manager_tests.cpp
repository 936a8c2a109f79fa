#include "fixtures/counter_frames.h"
#include "fixtures/test_media.h"
#include "log/capturing_sink.h"
#include "media/media_file.h"
#include "playback/playback_manager.h"
#include "playback/timeline_boundaries.h"
#include "support/event_loop.h"
#include "support/manual_clock.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>

namespace kestrune {
namespace {

using test::ManualClock;
using test::paintedFrameNumber;
using test::runFor;
using test::runUntil;
using test::testMedia;

constexpr double kFrame = 1.0 / 30; // counter.mp4 and hd30.mp4

// Lets every file read still in flight finish and hand over its result.
void settle() {
    QThreadPool::globalInstance()->waitForDone();
    runFor(20);
}

int shownNumber(const TimelinePlayer* player) {
    return player->currentFrame() ? paintedFrameNumber(*player->currentFrame()->picture) : -1;
}

// The clip list and file table the editing model hands over.
struct Clips {
    std::vector<VideoClip> clips;
    std::map<Uuid, QString> urls;

    VideoClip& add(const std::string& path, double trimIn, std::optional<double> trimOut,
                   bool located = true) {
        VideoClip clip;
        clip.id = Uuid::generate();
        clip.fileName = path.substr(path.rfind('/') + 1);
        clip.order = static_cast<int>(clips.size());
        clip.trimIn = trimIn;
        clip.trimOut = trimOut;
        if (located)
            urls[clip.id] = QString::fromStdString(path);
        return clips.emplace_back(clip);
    }
    VideoClip& add(const char* media, double trimIn, std::optional<double> trimOut) {
        return add(testMedia(media), trimIn, trimOut);
    }
};

void loadAndWait(PlaybackManager& manager, const Clips& timeline) {
    manager.loadTimeline(timeline.clips, timeline.urls);
    ASSERT_TRUE(runUntil([&] { return manager.isLoaded(); }));
}

std::vector<std::string> segmentPaths(const TimelinePlayer* player) {
    std::vector<std::string> paths;
    for (const PlayerSegment& segment : player->segments())
        paths.push_back(segment.path);
    return paths;
}

VideoClip clipOf(const std::string& path, double trimIn, double duration) {
    VideoClip clip;
    clip.id = Uuid::generate();
    clip.fileName = path.substr(path.rfind('/') + 1);
    clip.duration = duration;
    clip.trimIn = trimIn;
    return clip;
}

// Enters trim mode and waits until the clip's picture at its in point is shown
// and the playhead follows playback.
void enterAndWait(PlaybackManager& manager, const std::string& path, double trimIn,
                  double duration) {
    manager.enterTrimMode(clipOf(path, trimIn, duration), QString::fromStdString(path));
    TimelinePlayer* trim = manager.trimPlayer();
    ASSERT_TRUE(runUntil([&] { return trim->currentFrame() && !trim->isSeeking(); }));
    runFor(10); // the seek's completion installs the playhead's observer
}

TEST(PlaybackManager, ClipIndexIsTheClipWhoseSpanHoldsTheTimeAndTheLastOneOutside) {
    const QList<double> boundaries{0, 4, 10, 15};
    EXPECT_EQ(clipIndexAt(boundaries, 0), 0);
    EXPECT_EQ(clipIndexAt(boundaries, 3.99), 0);
    EXPECT_EQ(clipIndexAt(boundaries, 4.0), 1);
    EXPECT_EQ(clipIndexAt(boundaries, 14.99), 2);
    EXPECT_EQ(clipIndexAt(boundaries, 15.0), 2);
    EXPECT_EQ(clipIndexAt(boundaries, -1), 2);
    EXPECT_EQ(clipIndexAt({0}, 3), 0);
    EXPECT_EQ(clipIndexAt({}, 3), 0);
    // A clip that takes no time is never under the playhead.
    EXPECT_EQ(clipIndexAt({0, 4, 4, 9}, 4), 2);
}

TEST(PlaybackManager, LoadJoinsLocatedClipsInOrderCutToTheirTrimPoints) {
    PlaybackManager manager;
    Clips timeline;
    timeline.add("counter.mp4", 1, 3).order = 2;
    timeline.add("hd30.mp4", 0.5, std::nullopt).order = 0; // to the file's end
    timeline.add(testMedia("silent.mp4"), 0, 1, /*located=*/false).order = 1;
    timeline.add("hd60.mov", 0.25, 1.25).order = 3;
    timeline.add("silent.mp4", 1.5, 0.5).order = 4; // inverted: takes no time

    loadAndWait(manager, timeline);
    const double hd30 =
        std::round(MediaFile(testMedia("hd30.mp4")).duration().seconds() * 600) / 600 - 0.5;
    const QList<double> expected{0, hd30, hd30 + 2, hd30 + 3, hd30 + 3};
    ASSERT_EQ(manager.clipBoundaries().size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(manager.clipBoundaries()[i], expected[i], 1e-9) << i;
    EXPECT_EQ(segmentPaths(manager.player()),
              (std::vector<std::string>{testMedia("hd30.mp4"), testMedia("counter.mp4"),
                                        testMedia("hd60.mov"), testMedia("silent.mp4")}));
    EXPECT_EQ(manager.loadGeneration(), 1);
    EXPECT_EQ(manager.currentTime(), 0);
    EXPECT_EQ(manager.currentClipIndex(), 0);

    // The index follows the playhead at once; the picture follows when it is decoded.
    manager.seek(hd30 + 0.5); // 1.5 s into counter.mp4
    EXPECT_EQ(manager.currentClipIndex(), 1);
    EXPECT_DOUBLE_EQ(manager.currentTime(), hd30 + 0.5);
    EXPECT_TRUE(runUntil([&] { return shownNumber(manager.player()) == 45; }));
    manager.seek(hd30 + 2);
    EXPECT_EQ(manager.currentClipIndex(), 2);
    manager.seek(100);
    EXPECT_NEAR(manager.currentTime(), hd30 + 3, 1e-9);
    EXPECT_EQ(manager.currentClipIndex(), 3);
    manager.seek(-3);
    EXPECT_EQ(manager.currentTime(), 0);
    EXPECT_EQ(manager.currentClipIndex(), 0);
}

TEST(PlaybackManager, UnusableFilesAreLoggedAndLeftOutAndALoadOfNothingKeepsTheLastTimeline) {
    log::CapturingSink sink;
    QTemporaryDir folder;
    const std::string broken = folder.filePath("broken.mp4").toStdString();
    std::ofstream(broken) << "not a movie";
    PlaybackManager manager;
    Clips timeline;
    timeline.add("audio-only.m4a", 0, 1);
    timeline.add("counter.mp4", 0, 4);
    timeline.add(broken, 0, 1);
    loadAndWait(manager, timeline);

    EXPECT_EQ(manager.clipBoundaries(), (QList<double>{0, 4}));
    EXPECT_TRUE(sink.contains(log::Category::Playback,
                              "Clip 'audio-only.m4a' has no video track, skipping"));
    EXPECT_TRUE(sink.contains(log::Category::Playback, "Failed to insert clip 'broken.mp4': "));

    Clips unusable;
    unusable.add("audio-only.m4a", 0, 1);
    unusable.add(testMedia("counter.mp4"), 0, 1, /*located=*/false);
    manager.loadTimeline(unusable.clips, unusable.urls);
    EXPECT_FALSE(manager.isLoaded());
    settle();
    EXPECT_FALSE(manager.isLoaded());
    EXPECT_EQ(manager.clipBoundaries(), (QList<double>{0, 4}));
    EXPECT_EQ(segmentPaths(manager.player()), std::vector<std::string>{testMedia("counter.mp4")});
    manager.play();
    EXPECT_FALSE(manager.isPlaying());
}

TEST(PlaybackManager, OnlyTheNewestOfOverlappingLoadsReachesThePlayer) {
    PlaybackManager manager;
    Clips older;
    for (const char* media : {"hd30.mp4", "hd60.mov", "silent.mp4", "short-sound.mp4"})
        older.add(media, 0, 1);
    Clips newer;
    newer.add("counter.mp4", 0, 2);
    int boundaryChanges = 0;
    QObject::connect(&manager, &PlaybackManager::clipBoundariesChanged, [&] { ++boundaryChanges; });

    manager.loadTimeline(older.clips, older.urls);
    manager.loadTimeline(newer.clips, newer.urls);
    EXPECT_EQ(manager.loadGeneration(), 2);
    settle();
    EXPECT_TRUE(manager.isLoaded());
    EXPECT_EQ(boundaryChanges, 1);
    EXPECT_EQ(manager.clipBoundaries(), (QList<double>{0, 2}));
    EXPECT_EQ(segmentPaths(manager.player()), std::vector<std::string>{testMedia("counter.mp4")});
}

TEST(PlaybackManager, NothingPlaysOrMovesBeforeATimelineIsLoaded) {
    PlaybackManager manager;
    manager.play();
    EXPECT_FALSE(manager.isPlaying());
    EXPECT_EQ(manager.player()->rate(), 0.0);
    manager.seek(7);
    EXPECT_EQ(manager.currentTime(), 0);
    EXPECT_EQ(manager.currentClipIndex(), 0);
    manager.seek(std::nan(""));
    EXPECT_EQ(manager.currentTime(), 0);
}

TEST(PlaybackManager, PlaysAcrossClipsWithoutGapOrRepeatAndPausesAtTheLastTick) {
    PlaybackManager manager;
    Clips timeline;
    timeline.add("counter.mp4", 0, 1);
    timeline.add("counter.mp4", 3, 4);
    loadAndWait(manager, timeline);
    std::vector<int> shown;
    QObject::connect(manager.player(), &TimelinePlayer::frameChanged,
                     [&] { shown.push_back(shownNumber(manager.player())); });
    std::vector<int> indexes;
    QObject::connect(&manager, &PlaybackManager::currentClipIndexChanged,
                     [&] { indexes.push_back(manager.currentClipIndex()); });
    manager.play();
    EXPECT_TRUE(manager.isPlaying());
    ASSERT_TRUE(runUntil([&] { return !manager.isPlaying(); }, 8000));

    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_EQ(std::adjacent_find(shown.begin(), shown.end()), shown.end());
    EXPECT_EQ(shown.back(), 119);
    if (manager.player()->framesDropped() == 0) {
        EXPECT_EQ(shown.size(), 60u);
        EXPECT_EQ(std::count_if(shown.begin(), shown.end(), [](int n) { return n < 30; }), 30);
    }
    EXPECT_EQ(indexes, std::vector<int>{1});
    // The end pauses where the last tick left the playhead; nothing loops back.
    const double lastTick = manager.currentTime();
    EXPECT_GT(lastTick, 2 - 2.0 / 60);
    EXPECT_LE(lastTick, 2);
    EXPECT_EQ(manager.player()->rate(), 0.0);
    runFor(100);
    EXPECT_EQ(manager.currentTime(), lastTick);
}

TEST(PlaybackManager, SeekWhilePlayingGoesOnFromTheTargetUnlessPausedMeanwhile) {
    PlaybackManager manager;
    Clips timeline;
    timeline.add("counter.mp4", 0, 4);
    loadAndWait(manager, timeline);
    manager.play();
    runFor(200);

    manager.seek(2.5);
    EXPECT_TRUE(manager.isPlaying());
    EXPECT_EQ(manager.currentTime(), 2.5);
    ASSERT_TRUE(runUntil([&] { return manager.currentTime() > 2.6; }));
    EXPECT_EQ(manager.player()->rate(), 1.0);

    // Paused while the seek decodes: the seek's completion must not restart it.
    manager.seek(1.0);
    manager.pause();
    runFor(200);
    EXPECT_EQ(manager.player()->rate(), 0.0);
    EXPECT_EQ(manager.currentTime(), 1.0);
    EXPECT_EQ(shownNumber(manager.player()), 30);

    // Ticks while paused change nothing.
    manager.player()->play();
    runFor(100);
    EXPECT_EQ(manager.currentTime(), 1.0);
}

TEST(PlaybackManager, EnteringTrimModePausesTheTimelineAndShowsTheClipAtItsInPoint) {
    PlaybackManager manager;
    Clips timeline;
    timeline.add("hd30.mp4", 0, 3);
    loadAndWait(manager, timeline);
    manager.play();
    runFor(100);

    enterAndWait(manager, testMedia("counter.mp4"), 2.5, 4);
    EXPECT_FALSE(manager.isPlaying());
    EXPECT_EQ(manager.player()->rate(), 0.0);
    EXPECT_TRUE(manager.isTrimMode());
    EXPECT_EQ(manager.trimClipCurrentTime(), 2.5);
    EXPECT_EQ(manager.trimClipDuration(), 4);
    EXPECT_EQ(shownNumber(manager.trimPlayer()), 75);
    EXPECT_EQ(manager.trimPlayer()->duration(), MediaTime(4, 1));

    // A later enter supersedes one whose file is still being read, and an exit
    // supersedes both.
    manager.enterTrimMode(clipOf(testMedia("hd30.mp4"), 0, 3),
                          QString::fromStdString(testMedia("hd30.mp4")));
    manager.enterTrimMode(clipOf(testMedia("hd60.mov"), 1, 2),
                          QString::fromStdString(testMedia("hd60.mov")));
    settle();
    EXPECT_EQ(segmentPaths(manager.trimPlayer()), std::vector<std::string>{testMedia("hd60.mov")});
    manager.enterTrimMode(clipOf(testMedia("hd30.mp4"), 0, 3),
                          QString::fromStdString(testMedia("hd30.mp4")));
    manager.exitTrimMode();
    settle();
    EXPECT_FALSE(manager.trimPlayer()->hasItem());
    EXPECT_FALSE(manager.isTrimMode());
    EXPECT_EQ(manager.trimClipCurrentTime(), 0);
    EXPECT_EQ(manager.trimClipDuration(), 0);
}

TEST(PlaybackManager, PlayTrimRangeStartsFromThePlayheadOrTheInPointAndStopsAtTheOutPoint) {
    PlaybackManager manager;
    enterAndWait(manager, testMedia("counter.mp4"), 1, 4);
    std::optional<double> earliest;
    QObject::connect(&manager, &PlaybackManager::trimClipCurrentTimeChanged, [&] {
        if (manager.isPlaying())
            earliest = std::min(earliest.value_or(99), manager.trimClipCurrentTime());
    });

    // At the out point: back to the in point first.
    manager.seekTrim(2);
    manager.playTrimRange(1, 2);
    EXPECT_EQ(manager.trimClipCurrentTime(), 1);
    EXPECT_TRUE(manager.isPlaying());
    ASSERT_TRUE(runUntil([&] { return !manager.isPlaying(); }));
    EXPECT_GE(*earliest, 1);
    EXPECT_GE(manager.trimClipCurrentTime(), 2);
    EXPECT_LT(manager.trimClipCurrentTime(), 3); // it stopped, long before the file's end
    EXPECT_EQ(manager.trimPlayer()->rate(), 0.0);

    // Before the out point: from the playhead.
    earliest.reset();
    manager.seekTrim(1.5);
    ASSERT_TRUE(runUntil([&] { return !manager.trimPlayer()->isSeeking(); }));
    manager.playTrimRange(1, 2);
    ASSERT_TRUE(runUntil([&] { return !manager.isPlaying(); }));
    EXPECT_GE(*earliest, 1.5);
    EXPECT_GE(manager.trimClipCurrentTime(), 2);

    // The transport's second press pauses.
    manager.playTrimRange(1, 3);
    runFor(100);
    manager.isPlaying() ? manager.pauseTrim() : manager.playTrimRange(1, 3);
    EXPECT_FALSE(manager.isPlaying());
    EXPECT_EQ(manager.trimPlayer()->rate(), 0.0);

    // An out point past the file's end: its end stops playback.
    manager.seekTrim(3.8);
    manager.playTrimRange(0, 10);
    ASSERT_TRUE(runUntil([&] { return !manager.isPlaying(); }));
    EXPECT_EQ(manager.trimPlayer()->rate(), 0.0);
}

TEST(PlaybackManager, TheTickThatCrossesTheOutPointLeavesThePlayheadThere) {
    MediaTime now;
    PlaybackManager manager([&now] { return std::make_unique<ManualClock>(&now); });
    enterAndWait(manager, testMedia("counter.mp4"), 1.95, 4);
    runFor(100); // the decoder fills its queue
    manager.playTrimRange(1.5, 2);

    // A tick just short of the out point, then one just past it.
    now = MediaTime{199943, 100000};
    ASSERT_TRUE(runUntil([&] { return manager.trimClipCurrentTime() == now.seconds(); }));
    runFor(50);
    now = MediaTime{200040, 100000};
    ASSERT_TRUE(runUntil([&] { return !manager.isPlaying(); }));
    EXPECT_GE(manager.trimClipCurrentTime(), 2);
    // So the next press starts over from the in point.
    manager.playTrimRange(1.5, 2);
    EXPECT_EQ(manager.trimClipCurrentTime(), 1.5);
}

TEST(PlaybackManager, ScrubbingClampsHoldsThePlayheadAndDoesNotResume) {
    PlaybackManager manager;
    enterAndWait(manager, testMedia("counter.mp4"), 0, 4);
    manager.playTrimRange(0, 4);
    runFor(100);

    manager.beginTrimScrub();
    EXPECT_TRUE(manager.isScrubbing());
    EXPECT_TRUE(manager.wasPlayingBeforeScrub());
    EXPECT_FALSE(manager.isPlaying());
    EXPECT_EQ(manager.trimPlayer()->rate(), 0.0);
    manager.scrubTrim(-1);
    EXPECT_EQ(manager.trimClipCurrentTime(), 0);
    manager.scrubTrim(12);
    EXPECT_EQ(manager.trimClipCurrentTime(), 4);
    manager.trimPlayer()->play(); // ticks during a drag leave the dragged position
    runFor(100);
    EXPECT_EQ(manager.trimClipCurrentTime(), 4);

    manager.endTrimScrub();
    EXPECT_FALSE(manager.isScrubbing());
    EXPECT_TRUE(manager.wasPlayingBeforeScrub());
    EXPECT_FALSE(manager.isPlaying());
    ASSERT_TRUE(runUntil([&] { return !manager.trimPlayer()->isSeeking(); }));
    EXPECT_EQ(shownNumber(manager.trimPlayer()), 119);
}

TEST(PlaybackManager, FrameStepsReadBackTheSteppedFrameAndOnlyTheLastOfQuickSteps) {
    PlaybackManager manager;
    enterAndWait(manager, testMedia("counter.mp4"), 2.5, 4);

    manager.stepFrame(true);
    ASSERT_TRUE(runUntil([&] { return manager.trimClipCurrentTime() != 2.5; }));
    EXPECT_NEAR(manager.trimClipCurrentTime(), 76 * kFrame, 1e-9);
    EXPECT_EQ(shownNumber(manager.trimPlayer()), 76);
    manager.stepFrame(false);
    ASSERT_TRUE(runUntil([&] { return manager.trimClipCurrentTime() == 2.5; }));
    EXPECT_EQ(shownNumber(manager.trimPlayer()), 75);

    // Two steps 20 ms apart: the first step's refresh, due 30 ms after the
    // second, is cancelled; the one read comes 50 ms after the second step.
    std::vector<std::pair<double, qint64>> changes;
    QElapsedTimer sinceSecond;
    QObject::connect(&manager, &PlaybackManager::trimClipCurrentTimeChanged, [&] {
        changes.emplace_back(manager.trimClipCurrentTime(),
                             sinceSecond.isValid() ? sinceSecond.elapsed() : -1);
    });
    manager.stepFrame(true);
    QTimer::singleShot(20, Qt::PreciseTimer, [&] {
        manager.stepFrame(true);
        sinceSecond.start();
    });
    ASSERT_TRUE(runUntil([&] { return !changes.empty(); }));
    runFor(100);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_NEAR(changes[0].first, 77 * kFrame, 1e-9);
    EXPECT_GE(changes[0].second, 45);
    EXPECT_EQ(shownNumber(manager.trimPlayer()), 77);

    // Outside trim mode a step does nothing.
    manager.exitTrimMode();
    manager.stepFrame(true);
    runFor(80);
    EXPECT_EQ(manager.trimClipCurrentTime(), 0);
}

TEST(PlaybackManager, ABackwardStepThatLandsAfterTheWaitStillReadsTheSteppedFrame) {
    // hd30.mp4 has a single key frame: stepping back near its end decodes most
    // of the file, which may well take longer than the 50 ms wait.
    PlaybackManager manager;
    enterAndWait(manager, testMedia("hd30.mp4"), 2.5, 3);
    manager.stepFrame(false);
    ASSERT_TRUE(runUntil([&] { return manager.trimClipCurrentTime() != 2.5; }));
    EXPECT_NEAR(manager.trimClipCurrentTime(), 74 * kFrame, 1e-9);
    EXPECT_EQ(manager.trimPlayer()->currentFrame()->time.seconds(), manager.trimClipCurrentTime());
}

TEST(PlaybackManager, LeavingTrimModeWhilePlayingKeepsThePlayingFlagForTheNextCall) {
    PlaybackManager manager;
    Clips timeline;
    timeline.add("counter.mp4", 0, 4);
    loadAndWait(manager, timeline);
    enterAndWait(manager, testMedia("counter.mp4"), 0, 4);
    manager.playTrimRange(0, 4);
    runFor(50);

    manager.exitTrimMode();
    EXPECT_TRUE(manager.isPlaying());
    EXPECT_FALSE(manager.trimPlayer()->hasItem());
    manager.pause();
    EXPECT_FALSE(manager.isPlaying());
    // Trim operations outside trim mode do nothing.
    manager.playTrimRange(0, 4);
    EXPECT_FALSE(manager.isPlaying());
}

TEST(PlaybackManager, DestroyingTheManagerWithFilesStillBeingReadIsSafe) {
    Clips timeline;
    for (const char* media : {"hd30.mp4", "hd60.mov", "counter.mp4"})
        timeline.add(media, 0, 1);
    {
        PlaybackManager manager;
        manager.loadTimeline(timeline.clips, timeline.urls);
        manager.enterTrimMode(clipOf(testMedia("hd30.mp4"), 1, 3),
                              QString::fromStdString(testMedia("hd30.mp4")));
    }
    settle();
    PlaybackManager next;
    loadAndWait(next, timeline);
    EXPECT_EQ(next.loadGeneration(), 1);
}

// Resident memory of this process, bytes.
long residentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

TEST(PlaybackManager, LongPlaybackKeepsMemoryBounded) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine";
#endif
    PlaybackManager manager;
    Clips timeline;
    for (int i = 0; i < 12; ++i)
        timeline.add("counter.mp4", 0.2 * (i % 4), 0.2 * (i % 4) + 0.85);
    loadAndWait(manager, timeline);
    manager.play();
    runFor(1500);
    const long early = residentBytes();
    ASSERT_TRUE(runUntil([&] { return !manager.isPlaying(); }, 20000));
    EXPECT_EQ(manager.currentClipIndex(), 11);
    EXPECT_LT(residentBytes() - early, 30L * 1024 * 1024);
}

} // namespace
} // namespace kestrune
