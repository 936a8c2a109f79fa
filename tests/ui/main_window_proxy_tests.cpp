// The window while a clip's preview proxy is made: the card shows the making,
// and once the proxy is ready the preview plays it on from where it was.
#include "main_window_fixture.h"

#include <atomic>
#include <memory>
#include <thread>

namespace kestrune::test {
namespace {

class MainWindowProxyTest : public MainWindowTest {};

TEST_F(MainWindowProxyTest, ThePreviewTakesTheProxyWithoutLosingItsPlace) {
    closeLibrary();
    QTemporaryDir folder;
    const QString clip = folder.filePath("counter.mp4");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(testMedia("counter.mp4")), clip));
    // The proxy is held back until the preview is playing.
    auto go = std::make_shared<std::atomic<bool>>(false);
    project().proxies().setNeedsProxy([go](const std::string&, std::stop_token stop) {
        while (!*go && !stop.stop_requested())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return true;
    });
    const int before = project().clipCount();
    project().importVideo(clip);
    ASSERT_TRUE(QTest::qWaitFor([&] { return project().clipCount() == before + 1; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback().isLoaded(); }, 10000));
    playback().play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback().currentTime() > 1.0; }, 10000));

    *go = true;
    const std::string original = QFile::encodeName(clip).toStdString();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return playback().player()->segments().front().path != original; }, 20000));
    EXPECT_TRUE(playback().isPlaying());
    EXPECT_GT(playback().currentTime(), 1.0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback().player()->rate() > 0; }, 5000));
    QQuickItem* card = cardOf("counter.mp4");
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(findIn(card, "proxyBadge").size(), 1u);
    EXPECT_TRUE(findIn(card, "proxyProgress").empty());
    saveScreenshot("proxy-card");
}

} // namespace
} // namespace kestrune::test
