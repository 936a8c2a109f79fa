// A whole working session in the editor window, as a user goes through it: a new
// project from the library, three clips, three sections, an export through the
// dialog to a file chosen in the save panel, and back in the library a rename and
// a copy. The written movie is read back with ffprobe; the window's pictures at
// each step land in screenshots/ of this build folder.
#include "export/media_probe.h"
#include "file_panel_answer.h"
#include "main_window_fixture.h"

#include <algorithm>
#include <cmath>

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

namespace kestrune::test {
namespace {

class MainWindowSessionTest : public MainWindowTest {
protected:
    // Answers the export's save panel with `path`, typed as a user would.
    void answerSavePanel(const QString& path) {
        QObject* panel = root->findChild<QObject*>("exportSavePanel");
        ASSERT_NE(panel, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return panel->property("visible").toBool(); }, 20000));
        ASSERT_NE(panelDialog(panel), nullptr);
        EXPECT_EQ(panelDialog(panel)->selectedFiles().value(0).section('/', -1), "export.mp4");
        QTest::qWait(100);
        EXPECT_TRUE(panelDialog(panel)->grab().save(QString(KESTRUNE_SCREENSHOTS) +
                                                    "/session-save-panel.png"));
        ASSERT_TRUE(test::answerFilePanel(panel, QUrl::fromLocalFile(path)));
    }

    // The library's cards, in the order shown.
    std::vector<QQuickItem*> cards() const { return find("projectCard"); }
    std::vector<QString> cardNames() const {
        std::vector<QString> names;
        for (QQuickItem* card : cards())
            names.push_back(card->property("projectName").toString());
        return names;
    }

    // Opens the context menu of the first card and picks `itemName` from it.
    void chooseFromFirstCardMenu(const QString& itemName) {
        ASSERT_FALSE(cards().empty());
        QTest::mouseClick(window, Qt::RightButton, {}, centreOf(cards().front()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return find(itemName).size() == 1; }));
        click(one(itemName));
    }
};

TEST_F(MainWindowSessionTest, FromANewProjectToAnExportedMovieAndBackToTheLibrary) {
    // The library greets a first-time user with its empty state.
    ASSERT_TRUE(QTest::qWaitFor([&] { return popupShown("projectLibrary"); }));
    EXPECT_EQ(find("emptyLibraryState").size(), 1u);
    EXPECT_TRUE(find("librarySearchField").empty());
    saveScreenshot("session-empty-library");
    click(one("newProjectButton"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !popupShown("projectLibrary"); }));

    // The project gets a name, three clips and three sections.
    click(one("projectNameField"));
    replaceText("Garden Tour");
    QTest::keyClick(window, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return project().name() == "Garden Tour"; }));
    // The first clip through the drop zone's panel, the others as if dropped.
    click(one("dropZone"));
    QObject* importPanel = root->findChild<QObject*>("fileImporter");
    ASSERT_NE(importPanel, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return importPanel->property("visible").toBool(); }));
    ASSERT_TRUE(answerFilePanel(
        importPanel, QUrl::fromLocalFile(QString::fromStdString(testMedia("hd30.mp4")))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return project().clipCount() == 1; }, 10000));
    importClip("hd60.mov");
    importClip("silent.mp4"); // no sound
    // 3 s of 1080p, then 2 s and 2 s of 720p.
    waitForTimeline(7);
    addSectionThroughForm("Welcome", "Where we start", "0:00", true);
    addSectionThroughForm("The Beds", "Spring planting", "0:03", true);
    addSectionThroughForm("The Pond", "", "5", true);
    playback().seek(4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::abs(playback().currentTime() - 4) < 0.02; }));
    QTest::qWait(600); // the sidebar's highlight slides to the second chapter
    saveScreenshot("session-editor");

    // The dialog opens on its form with the size of the clips and the defaults.
    click(one("exportButton"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return popupShown("exportDialog"); }));
    EXPECT_EQ(texts("exportOutputSize"), std::vector<QString>{"Output: 1920 × 1080"});
    EXPECT_EQ(one("exportCodecPicker")->property("currentText").toString(), "H.264");
    EXPECT_EQ(one("exportQualityPicker")->property("currentText").toString(), "High");
    saveScreenshot("session-export-form");

    // Start, answer the save panel, and watch it run.
    QTemporaryDir outputDir;
    ASSERT_TRUE(outputDir.isValid());
    const QString movie = outputDir.filePath("garden.mp4");
    click(one("startExportButton"));
    answerSavePanel(movie);
    ExportCoordinator& exports = *shell->exportCoordinator();
    ASSERT_TRUE(QTest::qWaitFor([&] { return exports.isExporting(); }, 10000));
    // Caught while it runs, once an estimate of the time left can be shown.
    if (QTest::qWaitFor(
            [&] { return exports.estimatedRemaining().has_value() || !exports.isExporting(); },
            60000) &&
        exports.isExporting()) {
        EXPECT_EQ(find("renderProgress").size(), 1u);
        EXPECT_EQ(find("cancelExportButton").size(), 1u);
        saveScreenshot("session-exporting");
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !exports.isExporting(); }, 300000));
    ASSERT_TRUE(exports.error().isEmpty()) << exports.error().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return find("exportCompleteText").size() == 1; }));
    EXPECT_EQ(texts("exportCompleteText"), std::vector<QString>{"Export complete!"});
    EXPECT_EQ(exports.outputURL(), QUrl::fromLocalFile(movie));
    EXPECT_EQ(find("showInFolderButton").size(), 1u);

    // The chapter list for the video's description, straight to the clipboard.
    click(one("copyChaptersButton"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return QGuiApplication::clipboard()->text().startsWith("00:00 Welcome"); }));
    EXPECT_EQ(QGuiApplication::clipboard()->text().trimmed(),
              "00:00 Welcome\n00:03 The Beds\n00:05 The Pond");
    // Chapters this short are refused by YouTube, and the dialog says so.
    EXPECT_EQ(find("chaptersNote").size(), 1u);
    saveScreenshot("session-export-complete");
    click(one("exportDoneButton"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !popupShown("exportDialog"); }));
    EXPECT_FALSE(project().showExportDialog());
    EXPECT_TRUE(exports.outputURL().isEmpty());

    // The movie: the joined length, the clips' size, sound, and the three chapters.
    const auto info = testing::probe(movie);
    EXPECT_NEAR(std::stod(info["format"]["duration"].get<std::string>()), 7.0, 0.1);
    bool hasVideo = false;
    bool hasAudio = false;
    for (const auto& stream : info["streams"]) {
        if (stream["codec_type"] == "video") {
            hasVideo = true;
            EXPECT_EQ(stream["codec_name"], "h264");
            EXPECT_EQ(stream["width"], 1920);
            EXPECT_EQ(stream["height"], 1080);
        }
        if (stream["codec_type"] == "audio") {
            hasAudio = true;
            EXPECT_EQ(stream["codec_name"], "aac");
        }
    }
    EXPECT_TRUE(hasVideo);
    EXPECT_TRUE(hasAudio);
    ASSERT_EQ(info["chapters"].size(), 3u);
    EXPECT_EQ(info["chapters"][1]["tags"]["title"], "The Beds");
    EXPECT_NEAR(std::stod(info["chapters"][2]["start_time"].get<std::string>()), 5.0, 0.01);

    // Back in the library: the project's card with its clips, length and date.
    click(one("libraryButton"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return popupShown("projectLibrary"); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return cards().size() == 1; }));
    EXPECT_EQ(cardNames(), std::vector<QString>{"Garden Tour"});
    EXPECT_EQ(texts("projectCardClipCount"), std::vector<QString>{"3 clips"});
    EXPECT_EQ(texts("projectCardLength"), std::vector<QString>{"00:07"});
    EXPECT_TRUE(texts("projectCardDate").front().startsWith("Today, "));

    // Renamed in place; the open project takes the new name, and keeps it.
    chooseFromFirstCardMenu("renameProjectItem");
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const auto fields = find("projectRenameField");
        return fields.size() == 1 && fields.front()->hasActiveFocus();
    }));
    replaceText("Garden Tour 2026");
    QTest::keyClick(window, Qt::Key_Return);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return cardNames() == std::vector<QString>{"Garden Tour 2026"}; }));
    EXPECT_EQ(project().name(), "Garden Tour 2026");
    ASSERT_TRUE(project().saveNow());
    EXPECT_EQ(store.listProjects().front().name, "Garden Tour 2026");

    // Duplicated: the copy is the newest, so it comes first.
    chooseFromFirstCardMenu("duplicateProjectItem");
    ASSERT_TRUE(QTest::qWaitFor([&] { return cards().size() == 2; }));
    EXPECT_EQ(cardNames(), (std::vector<QString>{"Garden Tour 2026 Copy", "Garden Tour 2026"}));
    EXPECT_EQ(store.listProjects().size(), 2u);
    // Both cards show the first clip's picture once it is decoded.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto pictures = find("projectCardPicture");
            return pictures.size() == 2 &&
                   std::all_of(pictures.begin(), pictures.end(),
                               [](auto* p) { return p->property("hasImage").toBool(); });
        },
        20000));
    saveScreenshot("session-library");
}

} // namespace
} // namespace kestrune::test
