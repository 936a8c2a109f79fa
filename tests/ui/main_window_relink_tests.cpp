// Clips whose folder was moved after the project was made: the library marks the
// project, the editor marks the clips and offers "Locate…", one located file
// brings the others back, and undo takes the relink back.
#include "file_panel_answer.h"
#include "main_window_fixture.h"

#include <cmath>

namespace kestrune::test {
namespace {

class MainWindowRelinkTest : public MainWindowTest {
protected:
    QTemporaryDir files;

    // A copy of a test clip at `relativePath` under the test's folder.
    QString copyOf(const char* clip, const QString& relativePath) {
        const QString path = files.filePath(relativePath);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        EXPECT_TRUE(QFile::copy(QString::fromStdString(testMedia(clip)), path));
        return path;
    }
};

TEST_F(MainWindowRelinkTest, MovedClipsAreMarkedLocatedAndTheRelinkUndone) {
    closeLibrary();
    for (const auto& [clip, name] :
         {std::pair{"silent.mp4", "one.mp4"}, {"hd60.mov", "two.mov"}, {"talk.mp4", "three.mp4"}}) {
        const int before = project().clipCount();
        project().importVideo(copyOf(clip, QString("shoot/take/") + name));
        ASSERT_TRUE(QTest::qWaitFor([&] { return project().clipCount() == before + 1; }, 10000));
    }
    ASSERT_TRUE(project().saveNow());
    // Far enough that opening the project does not find them on its own.
    ASSERT_TRUE(QDir().mkpath(files.filePath("archive/2026")));
    ASSERT_TRUE(QDir().rename(files.filePath("shoot/take"), files.filePath("archive/2026/take")));

    click(one("libraryButton"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return find("projectCard").size() == 1; }));
    EXPECT_EQ(find("projectCardMissingMark").size(), 1u);
    click(one("projectCard"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !popupShown("projectLibrary"); }));

    ASSERT_TRUE(QTest::qWaitFor([&] { return find("missingBadge").size() == 3; }));
    EXPECT_EQ(texts("missingClipsText"), std::vector<QString>{"3 clips can't be found"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !project().searchingForClips(); }, 10000));
    EXPECT_EQ(project().missingClipCount(), 3);
    saveScreenshot("missing-clips");

    click(one("locateButton"));
    QObject* panel = root->findChild<QObject*>("locatePanel");
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->property("visible").toBool(); }));
    EXPECT_EQ(panelDialog(panel)->windowTitle(), "Locate “one.mp4”");
    ASSERT_TRUE(
        answerFilePanel(panel, QUrl::fromLocalFile(files.filePath("archive/2026/take/one.mp4"))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return project().missingClipCount() == 0; }, 10000));
    EXPECT_TRUE(find("missingBadge").empty());
    EXPECT_TRUE(find("missingClipsBar").empty());
    EXPECT_EQ(project().undoText(), "Undo Relink Clips");

    // The preview has them again: missing clips are left out of the joined
    // timeline, so its 7 s hold all three, and the last one can be shown.
    waitForTimeline(7);
    playback().seek(5.5);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return std::abs(playback().currentTime() - 5.5) < 0.1; }, 10000));

    // The file panel was a window of its own; the editor has the keys again.
    window->requestActivate();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return project().missingClipCount() == 3; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return find("missingBadge").size() == 3; }));
}

} // namespace
} // namespace kestrune::test
