// `kestrune FILE…`: the window started as the desktop entry starts it, with the
// command line read and handed to the shell as main() does.
#include "app/command_line.h"
#include "main_window_fixture.h"

#include <QFileInfo>

namespace kestrune::test {
namespace {

class StartedWithClipsTest : public MainWindowTest {
protected:
    void beforeWindow() override {
        // Relative names, as a terminal gives them, taken from the working folder.
        const QString folder = QFileInfo(QString::fromStdString(testMedia("hd30.mp4"))).path();
        const auto options = parseStartArguments({"hd30.mp4", "counter.mp4"}, folder);
        ASSERT_EQ(options.action, StartOptions::Action::Run);
        shell->startWithClips(options.clips);
    }
};

TEST_F(StartedWithClipsTest, OpensTheEditorOnANewProjectHoldingBothClips) {
    EXPECT_FALSE(popupShown("projectLibrary"));
    EXPECT_FALSE(coordinator().showProjectLibrary());
    ASSERT_TRUE(QTest::qWaitFor([&] { return project().clipCount() == 2; }, 20000));
    EXPECT_NE(cardOf("hd30.mp4"), nullptr);
    EXPECT_NE(cardOf("counter.mp4"), nullptr);
    EXPECT_FALSE(project().importError());
    EXPECT_TRUE(find("dropZone").empty());
    // The project is saved in the library like any other with clips.
    project().saveNow();
    ASSERT_EQ(store.listProjects().size(), 1u);
    EXPECT_EQ(store.listProjects().front().clipCount, 2);
    saveScreenshot("started-with-clips");
}

} // namespace
} // namespace kestrune::test
