#include "editing/project_view_model.h"
#include "ui/sidebar_metrics.h"
#include "view_test_support.h"

#include <QColor>
#include <QTemporaryDir>

namespace kestrune::test {
namespace {

// QML keeps colours to 8 bits a channel.
QRgb colorOf(QQuickItem* item) {
    return item->property("color").value<QColor>().rgba();
}

Section section(const char* title, const char* subtitle, double start) {
    return {Uuid::generate(), title, subtitle, start};
}

class SidebarPreviewTest : public ViewTest {
protected:
    QTemporaryDir dataDir;
    ProjectStore store{dataDir.path()};
    ProjectViewModel model{store};

    void setSections(std::vector<Section> sections) {
        Project project = Project::untitled();
        project.sections = std::move(sections);
        model.setProject(project);
    }

    QQuickItem* makeSidebar(int activeIndex, double width = 300, double height = 600) {
        return make("SidebarPreviewView",
                    {{"sections", QVariant::fromValue<QObject*>(model.sections())},
                     {"activeIndex", activeIndex},
                     {"theme", model.themeColors()}},
                    width, height);
    }

    void setThreeSections() {
        setSections({section("Introduction", "What we build", 0), section("Setup", "", 10),
                     section("Putting it together", "The last steps", 20)});
    }
};

TEST_F(SidebarPreviewTest, MetricsFollowTheExportLayoutOnTheViewSize) {
    SidebarMetrics metrics;
    metrics.setWidth(300);
    metrics.setHeight(600);
    metrics.setSectionCount(3);
    EXPECT_DOUBLE_EQ(metrics.paddingY(), 30);
    EXPECT_DOUBLE_EQ(metrics.itemHeight(), 180);
    EXPECT_DOUBLE_EQ(metrics.titleSize(), 23.5);
    EXPECT_DOUBLE_EQ(metrics.subtitleSize(), 11.5);

    metrics.setSectionCount(0);
    EXPECT_DOUBLE_EQ(metrics.itemHeight(), 0);
    EXPECT_DOUBLE_EQ(metrics.titleSize(), 23.5);
    // Many chapters on a short view: the fonts stop at their readable minimum.
    metrics.setSectionCount(40);
    metrics.setWidth(100);
    EXPECT_DOUBLE_EQ(metrics.titleSize(), 12);
    EXPECT_DOUBLE_EQ(metrics.subtitleSize(), 10);
}

TEST_F(SidebarPreviewTest, RowsSeparatorsAndHighlightSitWhereTheExportPutsThem) {
    setThreeSections();
    QQuickItem* sidebar = makeSidebar(1);
    ASSERT_NE(sidebar, nullptr);
    show(300, 600);

    const auto rows = find(sidebar, "sidebarRow");
    ASSERT_EQ(rows.size(), 3u);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(sceneRect(rows[k], sidebar), QRectF(0, 30 + 180 * k, 300, 180)) << k;

    const auto separators = find(sidebar, "separator");
    ASSERT_EQ(separators.size(), 2u);
    EXPECT_DOUBLE_EQ(sceneRect(separators[0], sidebar).y(), 210);
    EXPECT_DOUBLE_EQ(sceneRect(separators[1], sidebar).y(), 390);

    const auto highlight = find(sidebar, "highlight");
    ASSERT_EQ(highlight.size(), 1u);
    // It fades in as the rows arrive.
    EXPECT_TRUE(QTest::qWaitFor([&] { return highlight[0]->opacity() == 1; }, 5000));
    EXPECT_EQ(sceneRect(highlight[0], sidebar), QRectF(4, 210, 292, 180));
    EXPECT_DOUBLE_EQ(highlight[0]->property("radius").toDouble(), 8);

    const auto titles = find(sidebar, "sidebarTitle");
    ASSERT_EQ(titles.size(), 3u);
    EXPECT_EQ(titles[0]->property("font").value<QFont>().pixelSize(), 24); // 23.5 rounded
    EXPECT_EQ(titles[0]->property("font").value<QFont>().family(), "Lexend");
    const SidebarTheme& theme = SidebarTheme::classic();
    EXPECT_EQ(colorOf(titles[1]), theme.activeTitleColor.toColor().rgba());
    EXPECT_EQ(colorOf(titles[0]), theme.inactiveTitleColor.toColor().rgba());

    // The second chapter has no subtitle: its title alone is centred in the row.
    const auto subtitles = find(sidebar, "sidebarSubtitle");
    ASSERT_EQ(subtitles.size(), 2u);
    EXPECT_EQ(subtitles[0]->property("font").value<QFont>().pixelSize(), 12); // 11.5 rounded
    const auto texts = find(sidebar, "sidebarTexts");
    ASSERT_EQ(texts.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        const QRectF block = sceneRect(texts[k], sidebar);
        EXPECT_DOUBLE_EQ(block.x(), 12);
        EXPECT_DOUBLE_EQ(block.width(), 276);
        EXPECT_NEAR(block.center().y(), 30 + 180 * k + 90, 0.5) << k;
    }
    EXPECT_NEAR(sceneRect(texts[1], sidebar).height(), titles[1]->height(), 0.01);
    saveView("sidebar-preview");
}

// A narrower sidebar with more chapters and a title that wraps.
TEST_F(SidebarPreviewTest, DrawsTheSidebar) {
    setSections({section("Welcome", "A short tour", 0),
                 section("Importing clips from the camera and the phone", "", 10),
                 section("Trimming", "In and out points", 20), section("Export", "", 30)});
    QQuickItem* sidebar = makeSidebar(0, 240, 540);
    ASSERT_NE(sidebar, nullptr);
    show(240, 540);
    const auto titles = find(sidebar, "sidebarTitle");
    ASSERT_EQ(titles.size(), 4u);
    EXPECT_GT(titles[1]->property("lineCount").toInt(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return find(sidebar, "highlight")[0]->opacity() == 1; }));
    saveView("sidebar-preview-wrapped");
}

TEST_F(SidebarPreviewTest, WithoutSectionsOnlyTheBackgroundShows) {
    setSections({});
    QQuickItem* sidebar = makeSidebar(-1);
    ASSERT_NE(sidebar, nullptr);
    show(300, 600);
    EXPECT_EQ(find(sidebar, "background").size(), 1u);
    EXPECT_TRUE(find(sidebar, "separator").empty());
    EXPECT_TRUE(find(sidebar, "highlight").empty());
    EXPECT_TRUE(find(sidebar, "sidebarRow").empty());
    saveView("sidebar-preview-empty");
}

TEST_F(SidebarPreviewTest, NoHighlightOutsideTheChapters) {
    setThreeSections();
    for (int activeIndex : {-1, 3}) {
        QQuickItem* sidebar = makeSidebar(activeIndex);
        ASSERT_NE(sidebar, nullptr);
        EXPECT_TRUE(find(sidebar, "highlight").empty()) << activeIndex;
        const SidebarTheme& theme = SidebarTheme::classic();
        for (QQuickItem* title : find(sidebar, "sidebarTitle"))
            EXPECT_EQ(colorOf(title), theme.inactiveTitleColor.toColor().rgba());
    }
    // A chapter deleted under the playhead leaves a stale index: the box goes away.
    QQuickItem* sidebar = makeSidebar(2);
    show(300, 600);
    ASSERT_EQ(find(sidebar, "highlight").size(), 1u);
    setSections({section("Only", "", 0), section("Two", "", 5)});
    EXPECT_TRUE(QTest::qWaitFor([&] { return find(sidebar, "highlight").empty(); }, 5000));
}

TEST_F(SidebarPreviewTest, ThemeColorsAreNamedAfterTheThemeFieldsAndNotifyChanges) {
    int changes = 0;
    QObject::connect(&model, &ProjectViewModel::themeChanged, [&] { ++changes; });
    const SidebarTheme& midnight = SidebarTheme::presets()[2];
    model.setTheme(midnight);
    EXPECT_EQ(changes, 1);
    const QVariantMap colors = model.themeColors();
    EXPECT_EQ(colors.size(), 10);
    forEachThemeColor(midnight, [&](const char* key, const CodableColor& color) {
        EXPECT_EQ(colors.value(key).value<QColor>(), color.toColor()) << key;
    });
}

} // namespace
} // namespace kestrune::test
