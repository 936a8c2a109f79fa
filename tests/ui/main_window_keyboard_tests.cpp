// The window's keyboard and its feedback, as a new user meets them: the keys
// that drive the preview after clicks on other controls, Tab through the
// section form, a file that cannot be added, a long project name, the menus'
// shortcut hints.
#include "main_window_fixture.h"

#include <QDropEvent>
#include <QFile>
#include <QMimeData>

namespace kestrune::test {
namespace {

class MainWindowKeyboardTest : public MainWindowTest {
protected:
    // Drags `urls` in from outside the window and lets go at `at`.
    void dropFiles(const QList<QUrl>& urls, QPoint at) {
        QMimeData files;
        files.setUrls(urls);
        QDragEnterEvent enter(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &move);
        QDropEvent drop(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &drop);
    }
};

TEST_F(MainWindowKeyboardTest, AClickAnywhereButATextFieldGivesTheKeysBackToThePreview) {
    closeLibrary();
    importClip("hd30.mp4");    // 3 s
    importClip("counter.mp4"); // 4 s
    waitForTimeline(7);

    // The layout switch, then Space: the preview plays.
    ASSERT_FALSE(withText("Side-by-side").empty());
    click(withText("Side-by-side").front());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !project().sidebarOverlay(); }));
    QTest::keyClick(window, Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback().isPlaying(); }));
    QTest::keyClick(window, Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !playback().isPlaying(); }));

    // A theme's miniature, then Right: five seconds on.
    playback().seek(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback().currentTime() == 0; }));
    const auto miniatures = find("miniature");
    ASSERT_GE(miniatures.size(), 2u);
    click(miniatures[1]);
    QTest::keyClick(window, Qt::Key_Right);
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::abs(playback().currentTime() - 5) < 0.05; }))
        << playback().currentTime();

    // A text field keeps its keys: Space types a space and plays nothing.
    QQuickItem* name = one("projectNameField");
    click(name);
    ASSERT_TRUE(name->hasActiveFocus());
    QTest::keyClick(window, Qt::Key_End);
    QTest::keyClick(window, Qt::Key_Space);
    QTest::qWait(100);
    EXPECT_FALSE(playback().isPlaying());
    EXPECT_TRUE(name->property("text").toString().endsWith(' '));
}

TEST_F(MainWindowKeyboardTest, TabGoesThroughTheSectionFormsFieldsThenItsButtons) {
    closeLibrary();
    importClip("hd30.mp4");
    waitForTimeline(3);
    click(one("addSectionButton"));
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const auto fields = find("titleField");
        return fields.size() == 1 && fields.front()->hasActiveFocus();
    }));
    typeText("Intro");
    for (const char* next : {"subtitleField", "timeField", "useCurrentButton", "cancelButton",
                             "saveButton", "titleField"}) {
        QTest::keyClick(window, Qt::Key_Tab);
        EXPECT_TRUE(QTest::qWaitFor([&] { return one(next)->hasActiveFocus(); }, 1000)) << next;
        // With a time typed, Save can be reached too.
        if (std::string_view(next) == "timeField")
            typeText("0:01");
    }
    QTest::keyClick(window, Qt::Key_Backtab);
    EXPECT_TRUE(one("saveButton")->hasActiveFocus());
    QTest::keyClick(window, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return find("titleField").empty(); }));
}

TEST_F(MainWindowKeyboardTest, AFileThatCannotBeAddedIsNamedOverTheStrip) {
    closeLibrary();
    importClip("hd30.mp4");
    waitForTimeline(3);
    QTemporaryDir folder;
    const QString notes = folder.filePath("notes.txt");
    const QString fake = folder.filePath("holiday.mp4");
    for (const QString& path : {notes, fake}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a video\n");
    }

    // Dropped on the preview, as from a file manager.
    dropFiles({QUrl::fromLocalFile(notes)}, centreOf(one("previewContainer")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !find("importErrorBanner").empty(); }, 10000));
    EXPECT_EQ(texts("importErrorFile"), std::vector<QString>{"notes.txt"});
    EXPECT_EQ(texts("importErrorReason"),
              std::vector<QString>{project().property("importError").toString()});
    EXPECT_FALSE(project().property("importError").toString().isEmpty());
    EXPECT_EQ(project().clipCount(), 1);
    saveScreenshot("import-error-over-strip");
    // A click puts it away.
    click(one("importErrorBanner"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return find("importErrorBanner").empty(); }));

    // A fake video says why, and goes by itself after a few seconds.
    dropFiles({QUrl::fromLocalFile(fake)}, centreOf(one("clipStrip")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !find("importErrorBanner").empty(); }, 10000));
    EXPECT_EQ(texts("importErrorFile"), std::vector<QString>{"holiday.mp4"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return find("importErrorBanner").empty(); }, 10000));
    EXPECT_EQ(project().clipCount(), 1);

    // A good clip dropped on the window joins the project.
    dropFiles({QUrl::fromLocalFile(QString::fromStdString(testMedia("counter.mp4")))},
              centreOf(one("previewContainer")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return project().clipCount() == 2; }, 10000));
}

TEST_F(MainWindowKeyboardTest, ALongNameIsElidedInTheMiddleAndTheFileMenuShowsItsShortcuts) {
    closeLibrary();
    project().setName("A very long project name for the summer holiday footage of the whole "
                      "family, recorded on three phones and one camera, part 2");
    QQuickItem* elided = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const auto found = find("elidedProjectName");
        elided = found.empty() ? nullptr : found.front();
        return elided != nullptr;
    }));
    EXPECT_TRUE(elided->property("truncated").toBool());
    saveScreenshot("long-project-name");
    // Edited, the field shows the whole name.
    click(one("projectNameField"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return find("elidedProjectName").empty(); }));
    QTest::keyClick(window, Qt::Key_Escape);

    const auto fileTitles = withText("&File");
    ASSERT_FALSE(fileTitles.empty());
    click(fileTitles.front());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !find("shortcutText").empty(); }));
    const auto hints = texts("shortcutText");
    for (const char* hint : {"Ctrl+N", "Ctrl+Shift+L", "Ctrl+Q"})
        EXPECT_NE(std::find(hints.begin(), hints.end(), hint), hints.end()) << hint;
    saveScreenshot("file-menu");
    QTest::keyClick(window, Qt::Key_Escape);
}

} // namespace
} // namespace kestrune::test
