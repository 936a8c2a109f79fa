// The preview switching to a clip's proxy once it is ready: the playhead stays
// and the picture at the playhead is the same frame; trim mode steps through the
// proxy's frames. (Playback going on is the window test's.)
#include "fixtures/counter_frames.h"
#include "fixtures/test_media.h"
#include "media/proxy_cache.h"
#include "media/proxy_maker.h"
#include "playback/playback_manager.h"
#include "support/event_loop.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace kestrune {
namespace {

using test::runUntil;

int shownNumber(const TimelinePlayer* player) {
    return player->currentFrame() ? test::paintedFrameNumber(*player->currentFrame()->picture) : -1;
}

TEST(PreviewProxy, TheTimelineSwitchesToTheProxyWhereItStandsAndTrimModeStepsThroughIt) {
    QTemporaryDir folder;
    const QString clip = folder.filePath("counter.mp4");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(test::testMedia("counter.mp4")), clip));
    VideoClip record;
    record.id = Uuid::generate();
    record.fileName = "counter.mp4";
    record.trimIn = 0.5;
    const std::vector<VideoClip> clips{record};
    const std::map<Uuid, QString> paths{{record.id, clip}};

    PlaybackManager manager;
    manager.loadTimeline(clips, paths);
    ASSERT_TRUE(runUntil([&] { return manager.isLoaded(); }));
    const QList<double> boundaries = manager.clipBoundaries();
    manager.seek(2.0);
    ASSERT_TRUE(runUntil([&] { return shownNumber(manager.player()) == 75; }));

    // The proxy lands in the cache (the test program's own cache home).
    const ProxyCache cache;
    const QString proxy = cache.proxyPath(clip);
    const QString temporary = cache.temporaryPath(proxy);
    ASSERT_EQ(makeProxy(QFile::encodeName(clip).toStdString(),
                        QFile::encodeName(temporary).toStdString(), {})
                  .status,
              ProxyOutcome::Status::completed);
    ASSERT_TRUE(cache.publish(temporary, proxy));

    manager.reloadTimeline(clips, paths);
    ASSERT_TRUE(runUntil([&] {
        return manager.player()->segments().front().path == proxy.toStdString() &&
               !manager.player()->isSeeking() && manager.player()->currentFrame();
    }));
    EXPECT_EQ(manager.clipBoundaries(), boundaries);
    EXPECT_DOUBLE_EQ(manager.currentTime(), 2.0);
    EXPECT_EQ(shownNumber(manager.player()), 75); // the same frame, from the proxy
    EXPECT_FALSE(manager.isPlaying());

    // Trim mode shows the proxy's pictures at the original's frame times and rate.
    manager.enterTrimMode(record, clip);
    TimelinePlayer* trim = manager.trimPlayer();
    ASSERT_TRUE(runUntil([&] { return !trim->isSeeking() && shownNumber(trim) == 15; }));
    EXPECT_EQ(trim->segments().front().path, proxy.toStdString());
    EXPECT_DOUBLE_EQ(manager.trimClipFrameRate(), 30);
    for (int i = 0; i < 3; ++i)
        manager.stepFrame(true);
    manager.stepFrame(false);
    double playhead = -1;
    manager.afterPendingSteps([&](double at) { playhead = at; });
    ASSERT_TRUE(runUntil([&] { return playhead >= 0; }));
    EXPECT_NEAR(playhead, 17.0 / 30, 1e-3);
    EXPECT_EQ(shownNumber(trim), 17);
}

} // namespace
} // namespace kestrune
