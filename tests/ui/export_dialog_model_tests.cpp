#include "editing/project_view_model.h"
#include "export/chapter_list.h"
#include "export/export_coordinator.h"
#include "fixtures/test_media.h"
#include "support/held_export_pipeline.h"
#include "ui/export_dialog_model.h"

#include <gtest/gtest.h>
#include <memory>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace kestrune {
namespace {

using Content = ExportDialogModel::Content;

class ExportDialogModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dataDir.isValid());
        ASSERT_TRUE(mediaDir.isValid());
        dialog.setProjectVM(&project);
        dialog.setExportCoordinator(coordinator.get());
    }

    // Copies the test clip `media` into a folder of this test as `name`, so it can
    // be moved or deleted, and imports it.
    QString importCopy(const std::string& media, const QString& name) {
        const QString path = mediaDir.filePath(name);
        EXPECT_TRUE(QFile::copy(QString::fromStdString(test::testMedia(media)), path));
        const int before = project.clipCount();
        project.importVideo(path);
        EXPECT_TRUE(QTest::qWaitFor([&] { return project.clipCount() == before + 1; }, 10000));
        return path;
    }

    void waitForChecks() {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.isValidating(); }, 10000));
    }

    // Starts, lets the checks pass and answers the save panel with `chosen`.
    void startInto(const QString& chosen) {
        QSignalSpy asked(&dialog, &ExportDialogModel::saveLocationRequested);
        dialog.startExport();
        waitForChecks();
        ASSERT_EQ(asked.count(), 1) << coordinator->error().toStdString();
        ASSERT_TRUE(dialog.isChoosingSaveLocation());
        dialog.saveLocationChosen(QUrl::fromLocalFile(chosen));
    }

    void replaceCoordinator(ExportCoordinator::Pipeline pipeline) {
        coordinator = std::make_unique<ExportCoordinator>(std::move(pipeline));
        dialog.setExportCoordinator(coordinator.get());
    }

    QTemporaryDir dataDir;
    QTemporaryDir mediaDir;
    ProjectStore store{dataDir.path()};
    ProjectViewModel project{store};
    test::HeldExportPipeline held;
    std::unique_ptr<ExportCoordinator> coordinator =
        std::make_unique<ExportCoordinator>(held.pipeline());
    ExportDialogModel dialog;
};

TEST_F(ExportDialogModelTest, ContentFollowsTheCoordinatorsState) {
    QSignalSpy changed(&dialog, &ExportDialogModel::contentChanged);
    EXPECT_EQ(dialog.content(), Content::Settings);

    coordinator->setError("No clips to export.");
    EXPECT_EQ(dialog.content(), Content::Error);
    coordinator->reset();
    EXPECT_EQ(dialog.content(), Content::Settings);

    coordinator->startExport(ExportConfig{}, mediaDir.filePath("a.mp4"));
    EXPECT_EQ(dialog.content(), Content::Progress);
    // An error written while an export runs does not hide the progress.
    coordinator->setError("stray");
    EXPECT_EQ(dialog.content(), Content::Progress);
    held.end(test::HeldExportPipeline::Ending::success);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !coordinator->isExporting(); }));
    EXPECT_EQ(dialog.content(), Content::Completion);

    coordinator->startExport(ExportConfig{}, mediaDir.filePath("b.mp4"));
    held.end(test::HeldExportPipeline::Ending::failure);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !coordinator->isExporting(); }));
    EXPECT_EQ(dialog.content(), Content::Error);
    EXPECT_EQ(coordinator->error(), "Video writer failed: disk full");
    EXPECT_EQ(changed.count(), 6);
}

TEST_F(ExportDialogModelTest, OutputSizeComesFromAllClipsAndTheSidebarChoice) {
    EXPECT_EQ(dialog.outputSizeText(), "Output: 0 × 0");
    Project withClips = project.project();
    VideoClip wide;
    wide.id = Uuid::generate();
    wide.width = 1280;
    wide.height = 720;
    VideoClip tall = wide;
    tall.id = Uuid::generate();
    tall.width = 1079;
    tall.height = 1920;
    withClips.clips = {wide, tall};
    withClips.sidebarOverlay = true;
    project.setProject(withClips);
    // Overlaid, the sidebar takes no room of its own; each side rounds up to even.
    EXPECT_EQ(dialog.outputSizeText(), "Output: 1280 × 1920");

    project.setSidebarOverlay(false);
    const OutputDimensions beside = outputDimensions(withClips.clips, false);
    EXPECT_EQ(dialog.outputSizeText(),
              QString("Output: %1 × %2").arg(beside.outputWidth).arg(beside.outputHeight));
    EXPECT_GT(beside.outputWidth, 1280);
}

TEST_F(ExportDialogModelTest, AMovedClipFileIsListedAndNoSavePanelIsAsked) {
    importCopy("counter.mp4", "first.mp4");
    const QString second = importCopy("counter.mp4", "second.mp4");
    ASSERT_TRUE(QFile::rename(second, mediaDir.filePath("elsewhere.mp4")));

    QSignalSpy asked(&dialog, &ExportDialogModel::saveLocationRequested);
    dialog.startExport();
    EXPECT_TRUE(dialog.isValidating());
    waitForChecks();
    EXPECT_EQ(asked.count(), 0);
    EXPECT_EQ(coordinator->error(),
              "Cannot export — file access issues:\nsecond.mp4: File is missing or not readable");
    EXPECT_EQ(dialog.content(), Content::Error);
    EXPECT_EQ(held.started(), 0);

    // "Try Again" returns to the form with the same choices.
    dialog.setCodec(ExportCodec::hevc);
    dialog.reset();
    EXPECT_EQ(dialog.content(), Content::Settings);
    EXPECT_EQ(dialog.codecName(), "HEVC (H.265)");
}

TEST_F(ExportDialogModelTest, AnEmptyProjectHasNoClipsToExport) {
    QSignalSpy asked(&dialog, &ExportDialogModel::saveLocationRequested);
    dialog.startExport();
    waitForChecks();
    EXPECT_EQ(coordinator->error(), "No clips to export.");
    EXPECT_EQ(asked.count(), 0);
}

TEST_F(ExportDialogModelTest, CancellingTheSavePanelStaysOnTheForm) {
    importCopy("counter.mp4", "clip.mp4");
    QSignalSpy asked(&dialog, &ExportDialogModel::saveLocationRequested);
    dialog.startExport();
    waitForChecks();
    ASSERT_EQ(asked.count(), 1);
    dialog.saveLocationCancelled();
    EXPECT_FALSE(dialog.isChoosingSaveLocation());
    EXPECT_EQ(dialog.content(), Content::Settings);
    EXPECT_EQ(held.started(), 0);
    // A late answer for the dismissed request starts nothing.
    dialog.saveLocationChosen(QUrl::fromLocalFile(mediaDir.filePath("late.mp4")));
    EXPECT_EQ(held.started(), 0);
}

TEST_F(ExportDialogModelTest, ClosingWhileTheFilesAreCheckedDropsTheStart) {
    importCopy("counter.mp4", "clip.mp4");
    QSignalSpy asked(&dialog, &ExportDialogModel::saveLocationRequested);
    dialog.startExport();
    dialog.close();
    EXPECT_FALSE(dialog.isValidating());
    // The check still finishes on its thread; its result must not surface.
    QTest::qWait(500);
    EXPECT_EQ(asked.count(), 0);
    EXPECT_EQ(coordinator->error(), "");
}

TEST_F(ExportDialogModelTest, TheSavePanelAndTheChosenNameFollowTheCodec) {
    EXPECT_TRUE(dialog.proposedSaveFile().toLocalFile().endsWith("/export.mp4"));
    EXPECT_EQ(dialog.saveNameFilters(), QStringList{"MPEG-4 movies (*.mp4)"});
    EXPECT_EQ(dialog.defaultSuffix(), "mp4");
    dialog.setCodecName("ProRes 422");
    EXPECT_TRUE(dialog.proposedSaveFile().toLocalFile().endsWith("/export.mov"));
    EXPECT_EQ(dialog.saveNameFilters(), QStringList{"QuickTime movies (*.mov)"});
    EXPECT_EQ(dialog.defaultSuffix(), "mov");

    // A ProRes movie typed with the MPEG-4 extension is written as the .mov it is.
    importCopy("counter.mp4", "clip.mp4");
    startInto(mediaDir.filePath("film.mp4"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return held.started() == 1; }));
    EXPECT_EQ(held.outputPath(), mediaDir.filePath("film.mov"));
    dialog.close();

    // Every opening starts again from H.264 and High.
    dialog.setQualityName("Maximum");
    dialog.setCodecName("no such codec");
    EXPECT_EQ(dialog.codecName(), "ProRes 422");
    dialog.resetChoices();
    EXPECT_EQ(dialog.codecName(), "H.264");
    EXPECT_EQ(dialog.qualityName(), "High");
}

TEST_F(ExportDialogModelTest, ClosingDuringAnExportCancelsIt) {
    importCopy("counter.mp4", "clip.mp4");
    startInto(mediaDir.filePath("out"));
    ASSERT_TRUE(coordinator->isExporting());
    ASSERT_TRUE(QTest::qWaitFor([&] { return held.started() == 1; }));
    EXPECT_EQ(held.outputPath(), mediaDir.filePath("out.mp4"));
    const int generation = coordinator->exportGeneration();

    dialog.close();
    EXPECT_FALSE(coordinator->isExporting());
    EXPECT_GT(coordinator->exportGeneration(), generation);
    EXPECT_EQ(dialog.content(), Content::Settings);
}

TEST_F(ExportDialogModelTest, NeverWritesOverOneOfTheClips) {
    const QString clip = importCopy("counter.mp4", "clip.mp4");
    const qint64 size = QFileInfo(clip).size();
    startInto(clip);
    EXPECT_EQ(held.started(), 0);
    EXPECT_FALSE(coordinator->isExporting());
    EXPECT_EQ(coordinator->error(), "Cannot export over \"clip.mp4\": it is one of the project's "
                                    "clips. Choose another file.");
    EXPECT_EQ(QFileInfo(clip).size(), size);
}

// The real pipeline, from the start button's action to the written file.
TEST_F(ExportDialogModelTest, ExportsTheProjectAndCopiesItsChapters) {
    replaceCoordinator(exportMovie);
    importCopy("counter.mp4", "b.mp4");
    importCopy("hd30.mp4", "a.mp4");
    project.moveClip(1, 0);
    project.addSection("Intro", "", 0);
    project.addSection("Demo", "", 2);
    project.addSection("Too late", "", 60);

    startInto(mediaDir.filePath("talk"));
    EXPECT_EQ(dialog.content(), Content::Progress);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !coordinator->isExporting(); }, 120000));
    ASSERT_EQ(dialog.content(), Content::Completion) << coordinator->error().toStdString();
    const QString written = mediaDir.filePath("talk.mp4");
    EXPECT_EQ(coordinator->outputURL(), QUrl::fromLocalFile(written));

    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-print_format", "json", "-show_format", written});
    ASSERT_TRUE(probe.waitForFinished(30000));
    ASSERT_EQ(probe.exitCode(), 0) << probe.readAllStandardError().toStdString();
    const QJsonObject format =
        QJsonDocument::fromJson(probe.readAllStandardOutput()).object()["format"].toObject();
    EXPECT_TRUE(format["format_name"].toString().contains("mp4"));
    const double joined = project.totalDuration();
    EXPECT_NEAR(format["duration"].toString().toDouble(), joined, 0.2);

    // The chapters of the export, not of the section past the end.
    EXPECT_TRUE(dialog.hasChapters());
    dialog.copyChapters();
    EXPECT_TRUE(dialog.chaptersCopied());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "00:00 Intro\n00:02 Demo\n");
    EXPECT_EQ(dialog.chaptersText(), "00:00 Intro\n00:02 Demo\n");
    // Two chapters, the first only two seconds long: YouTube would not take them.
    EXPECT_TRUE(dialog.chaptersNote().contains("at least three chapters"))
        << dialog.chaptersNote().toStdString();
    EXPECT_TRUE(dialog.chaptersNote().contains("at least 10 seconds"));

    dialog.reset();
    EXPECT_EQ(dialog.content(), Content::Settings);
    EXPECT_FALSE(dialog.chaptersCopied());
    EXPECT_TRUE(QFileInfo::exists(written));
}

TEST_F(ExportDialogModelTest, WithoutChaptersThereIsNothingToCopy) {
    QGuiApplication::clipboard()->setText("kept");
    EXPECT_FALSE(dialog.hasChapters());
    EXPECT_EQ(dialog.chaptersNote(), "");
    dialog.copyChapters();
    EXPECT_FALSE(dialog.chaptersCopied());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
}

} // namespace
} // namespace kestrune
