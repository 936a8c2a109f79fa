// The editor window as the application makes it: the real Main.qml over a real
// shell with a store of its own, driven through the keyboard and the shell's
// objects. Run under xvfb-run the preview's pictures are drawn too, and the
// window's picture is saved to screenshots/ in this build folder.
#include "main_window_fixture.h"

#include <cmath>
#include <string>

#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Kestrune_ViewsPlugin)

namespace kestrune::test {
namespace {

TEST_F(MainWindowTest, StartsInTheLibraryOverAnEmptyProject) {
    EXPECT_EQ(window->width(), 1280);
    EXPECT_EQ(window->height(), 800);
    EXPECT_EQ(window->minimumSize(), QSize(1024, 640));
    EXPECT_EQ(window->title(), "Kestrune — Untitled Project");
    EXPECT_TRUE(popupShown("projectLibrary"));
    EXPECT_NE(one("emptyLibraryState"), nullptr);
    EXPECT_FALSE(withText("No Projects Yet").empty());
    EXPECT_TRUE(find("librarySearchField").empty());
    saveScreenshot("library");

    // Escape closes the library, and the shell hears of it.
    QTest::keyClick(window, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !popupShown("projectLibrary"); }));
    EXPECT_FALSE(coordinator().showProjectLibrary());
    EXPECT_NE(one("dropZone"), nullptr);
    EXPECT_TRUE(find("previewContainer").empty());
    EXPECT_EQ(texts("dropTitle"), std::vector<QString>{"Drop a video here"});
    EXPECT_NE(one("sectionsColumn"), nullptr);
    EXPECT_FALSE(withText("SECTIONS").empty());
    saveScreenshot("empty-project");
}

TEST_F(MainWindowTest, MenuShortcutsWorkWhereverTheFocusIs) {
    // Ctrl+Shift+L closes and opens the library, the header's name field has the keyboard or not.
    QTest::keyClick(window, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !coordinator().showProjectLibrary(); }));
    one("projectNameField")->forceActiveFocus();
    QTest::keyClick(window, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return popupShown("projectLibrary"); }));

    // New Project while the library is shown closes it, then opens a fresh project.
    const QString before = project().projectId();
    QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return project().projectId() != before; }));
    EXPECT_FALSE(coordinator().showProjectLibrary());
    EXPECT_FALSE(popupShown("projectLibrary"));
    EXPECT_EQ(coordinator().activeProjectId(), Uuid::parse(project().projectId().toStdString()));
}

TEST_F(MainWindowTest, TheNameFieldEditsTheProjectName) {
    closeLibrary();
    auto* field = one("projectNameField");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->property("text").toString(), "Untitled Project");
    click(field);
    QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
    for (char c : std::string("Launch Demo"))
        QTest::keyClick(window, c);
    EXPECT_EQ(project().name(), "Launch Demo");
    EXPECT_EQ(window->title(), "Kestrune — Launch Demo");
}

TEST_F(MainWindowTest, TheExportAlertClosesWithItsButton) {
    closeLibrary();
    coordinator().setExportBlockedAlert(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return popupShown("exportBlockedAlert"); }));
    EXPECT_FALSE(withText("Please finish exporting before switching projects.").empty());
    EXPECT_FALSE(withText("Export in Progress").empty());
    std::vector<QQuickItem*> ok;
    for (QQuickItem* item : withText("OK"))
        if (item->inherits("QQuickAbstractButton"))
            ok.push_back(item);
    ASSERT_EQ(ok.size(), 1u);
    QTest::qWait(300); // the dialog's opening transition
    saveScreenshot("export-alert");
    click(ok.front());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !coordinator().exportBlockedAlert(); }));
}

TEST_F(MainWindowTest, PlaysTwoImportedClipsWithTheChapterSidebar) {
    closeLibrary();
    importClip("hd30.mp4");    // 3 s
    importClip("counter.mp4"); // 4 s
    waitForTimeline(7);

    // The strip shows both cards; the preview has taken the drop zone's place and the keyboard.
    EXPECT_EQ(texts("fileNameText"), (std::vector<QString>{"hd30.mp4", "counter.mp4"}));
    EXPECT_EQ(texts("lengthText"), (std::vector<QString>{"00:03", "00:04"}));
    EXPECT_TRUE(find("dropZone").empty());
    auto* preview = one("previewContainer");
    ASSERT_NE(preview, nullptr);
    auto* videoColumn = one("videoColumn");
    ASSERT_NE(videoColumn, nullptr);
    EXPECT_TRUE(videoColumn->hasActiveFocus());
    EXPECT_EQ(texts("timeText"), std::vector<QString>{"00:00 / 00:07"});

    project().addSection("Introduction", "What we build", 0);
    project().addSection("The Details", "", 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return find("sidebarRow").size() == 2; }));
    QStringList titles;
    for (const QString& title : texts("sidebarTitle"))
        titles << title;
    EXPECT_EQ(titles, (QStringList{"Introduction", "The Details"}));

    // Space plays; the playhead, the slider and the time text move along.
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_TRUE(playback().isPlaying());
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback().currentTime() >= 1.0; }, 5000));
    EXPECT_TRUE(playback().isPlaying());
    auto* slider = one("timelineSlider");
    ASSERT_NE(slider, nullptr);
    EXPECT_GT(slider->property("value").toDouble(), 0.5);
    EXPECT_DOUBLE_EQ(slider->property("to").toDouble(), playback().clipBoundaries().back());
    EXPECT_EQ(texts("timeText").front().right(8), " / 00:07");
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_FALSE(playback().isPlaying());

    // The arrows seek five seconds either way.
    playback().seek(1.0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::abs(playback().currentTime() - 1.0) < 0.02; }));
    QTest::keyClick(window, Qt::Key_Right);
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::abs(playback().currentTime() - 6.0) < 0.02; }));
    // The second chapter is the active one now.
    EXPECT_EQ(preview->property("activeIndex").toInt(), 1);
    QTest::keyClick(window, Qt::Key_Left);
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::abs(playback().currentTime() - 1.0) < 0.02; }));
    EXPECT_EQ(preview->property("activeIndex").toInt(), 0);

    // With the name field holding the keyboard, Space types instead of playing.
    auto* nameField = one("projectNameField");
    click(nameField);
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_FALSE(playback().isPlaying());
    EXPECT_EQ(project().name(), "Untitled Project ");
    click(one("previewContainer"));
    EXPECT_TRUE(videoColumn->hasActiveFocus());
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_TRUE(playback().isPlaying());
    QTest::keyClick(window, Qt::Key_Space);

    const QImage picture = saveScreenshot("editor");
    if (videoFramesDrawn()) {
        // The player's picture, not the video area's background, fills the inset.
        auto* player = one("playerView");
        ASSERT_NE(player, nullptr);
        const QPointF centre =
            player->mapToScene(QPointF(player->width() * 0.3, player->height() / 2));
        const auto background =
            project().themeColors().value("videoAreaBackground").value<QColor>();
        const QColor shown = picture.pixelColor(centre.toPoint() * picture.devicePixelRatio());
        EXPECT_NE(shown.rgb(), background.rgb());
    }

    // Side by side, the video area narrows and its player gets a border.
    project().setSidebarOverlay(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !find("videoBorder").empty(); }));
    auto* frame = one("outputFrame");
    ASSERT_NE(frame, nullptr);
    EXPECT_LT(one("videoArea")->width(), frame->width() * 0.85);
    saveScreenshot("editor-side-by-side");
}

} // namespace
} // namespace kestrune::test
