// A clip this machine cannot decode as fast as it plays, in the real window: time
// goes on at the wall clock's pace and the preview leaves pictures out instead.
#include "fixtures/heavy_clip.h"
#include "main_window_fixture.h"

#include <QElapsedTimer>

namespace kestrune::test {
namespace {

class MainWindowHeavyClipTest : public MainWindowTest {};

TEST_F(MainWindowHeavyClipTest, PlaysAtTheClocksPaceLeavingPicturesOut) {
    const std::string clip = heavyClip();
    closeLibrary();
    const int before = project().clipCount();
    project().importVideo(QString::fromStdString(clip));
    ASSERT_TRUE(QTest::qWaitFor([&] { return project().clipCount() == before + 1; }, 30000));
    waitForTimeline(3);
    TimelinePlayer& player = *playback().player();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.currentFrame().has_value(); }, 10000));

    const std::uint64_t shownBefore = player.framesShown();
    const std::uint64_t droppedBefore = player.framesDropped();
    playback().play();
    ASSERT_TRUE(playback().isPlaying());
    // Time counts from the first picture of the run, once the clock is going.
    ASSERT_TRUE(QTest::qWaitFor([&] { return MediaTime::zero() < player.currentTime(); }, 5000));
    QElapsedTimer wall;
    wall.start();
    const double from = player.currentTime().seconds();
    QTest::qWait(2500);
    const double moved = player.currentTime().seconds() - from;
    const double elapsed = wall.elapsed() / 1000.0;
    const std::uint64_t shown = player.framesShown() - shownBefore;
    const std::uint64_t dropped = player.framesDropped() - droppedBefore;
    saveScreenshot("heavy-clip-playing");
    RecordProperty("playhead_per_wall_second", std::to_string(moved / elapsed));
    RecordProperty("frames_shown", std::to_string(shown));
    RecordProperty("frames_dropped", std::to_string(dropped));
    // Generous bounds, for a machine busy with other work.
    EXPECT_GE(moved / elapsed, 0.85) << moved << " s of play in " << elapsed << " s";
    EXPECT_GT(dropped, 0u);
    EXPECT_GE(shown, 10u) << "the picture kept moving";

    // Paused and sought exactly after that, the frame is the exact one.
    playback().pause();
    EXPECT_FALSE(playback().isPlaying());
    playback().seek(1.5);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !player.isSeeking() && player.currentFrame() &&
                   player.currentFrame()->time == MediaTime{90, 60};
        },
        10000));
    EXPECT_EQ(player.currentFrame()->end, (MediaTime{91, 60}));
}

} // namespace
} // namespace kestrune::test
