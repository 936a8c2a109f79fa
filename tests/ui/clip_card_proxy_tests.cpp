// The clip cards while a clip's preview proxy is made and once the preview plays
// it, with real clips and a rule that asks for a proxy of every clip.
#include "editing/project_view_model.h"
#include "fixtures/test_media.h"
#include "view_test_support.h"

#include <QTemporaryDir>

namespace kestrune::test {
namespace {

class ClipCardProxy : public ViewTest {
protected:
    QTemporaryDir dataDir;
    QTemporaryDir cacheHome;
    ProjectStore store{dataDir.path()};
    ProjectViewModel model{store};
};

TEST_F(ClipCardProxy, ShowsTheMakingAndThenTheMark) {
    model.proxies().setCache(ProxyCache(cacheHome.filePath("proxies")));
    model.proxies().setNeedsProxy(
        [](const std::string& path, std::stop_token) { return path.ends_with("hd30.mp4"); });
    for (const char* name : {"silent.mp4", "hd30.mp4"}) {
        bool done = false;
        auto connection = QObject::connect(&model, &ProjectViewModel::importFinished,
                                           [&](const QString&, const QString&) { done = true; });
        model.importVideo(QString::fromStdString(testMedia(name)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 20000)) << name;
        QObject::disconnect(connection);
    }
    QQuickItem* strip =
        make("ClipStripView", {{"projectVM", QVariant::fromValue<QObject*>(&model)}}, 300, 100);
    ASSERT_NE(strip, nullptr);
    show(300, 100);
    const auto cards = find(strip, "clipCard");
    ASSERT_EQ(cards.size(), 2u);

    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto making = find(cards[1], "proxyProgress");
            return !making.empty() && cards[1]->property("proxyProgress").toDouble() > 0.05;
        },
        30000));
    EXPECT_TRUE(find(cards[0], "proxyProgress").empty());
    saveView("clip-card-proxy-making");

    ASSERT_TRUE(QTest::qWaitFor([&] { return !find(cards[1], "proxyBadge").empty(); }, 30000));
    EXPECT_TRUE(find(cards[1], "proxyProgress").empty());
    EXPECT_TRUE(find(cards[0], "proxyBadge").empty());
    saveView("clip-card-proxy");
}

} // namespace
} // namespace kestrune::test
