#include "editing/project_view_model.h"
#include "export/export_coordinator.h"
#include "file_panel_answer.h"
#include "fixtures/test_media.h"
#include "support/held_export_pipeline.h"
#include "view_test_support.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QTemporaryDir>

namespace kestrune {
namespace {

using Ending = test::HeldExportPipeline::Ending;

// The dialog as the editor window shows it: open while the editing model asks
// for it, and dismissed by clearing that flag.
constexpr const char* kHost = R"(
import QtQuick
import Kestrune.Views

Item {
    id: host

    property var projectVM
    property var exportCoordinator

    ExportDialogView {
        projectVM: host.projectVM
        exportCoordinator: host.exportCoordinator
        visible: host.projectVM.showExportDialog
        onDismissRequested: host.projectVM.showExportDialog = false
    }
}
)";

class ExportDialogViewTest : public test::ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        ASSERT_TRUE(dataDir.isValid());
        QQmlComponent component(engine.get());
        component.setData(kHost, QUrl("qrc:/export_dialog_host.qml"));
        ASSERT_TRUE(component.isReady()) << component.errorString().toStdString();
        host.reset(qobject_cast<QQuickItem*>(component.createWithInitialProperties(
            {{"projectVM", QVariant::fromValue<QObject*>(&project)},
             {"exportCoordinator", QVariant::fromValue<QObject*>(&coordinator)}})));
        ASSERT_NE(host, nullptr);
        host->setParentItem(window->contentItem());
        host->setSize({kWidth, kHeight});
        show(kWidth, kHeight);
    }

    void TearDown() override {
        host.reset();
        ViewTest::TearDown();
    }

    QObject* dialog() const { return host->findChild<QObject*>("exportDialog"); }
    QQuickItem* dialogItem() const {
        return qvariant_cast<QQuickItem*>(dialog()->property("contentItem"));
    }
    bool dialogShown() const { return dialog()->property("visible").toBool(); }

    void open() {
        project.setShowExportDialog(true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialogShown(); }));
        QTest::qWait(50);
    }

    QQuickItem* one(const QString& name) const {
        const auto found = find(dialogItem(), name);
        EXPECT_EQ(found.size(), 1u) << name.toStdString();
        return found.empty() ? nullptr : found.front();
    }
    QString textOf(const QString& name) const {
        QQuickItem* item = one(name);
        return item ? item->property("text").toString() : QString();
    }

    void click(const QString& name) {
        QQuickItem* item = one(name);
        ASSERT_NE(item, nullptr);
        const QPoint centre =
            item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
        QTest::mouseClick(window.get(), Qt::LeftButton, {}, centre);
    }

    void importClip(const std::string& media) {
        const int before = project.clipCount();
        project.importVideo(QString::fromStdString(test::testMedia(media)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return project.clipCount() == before + 1; }, 10000));
    }

    QObject* savePanel() const { return host->findChild<QObject*>("exportSavePanel"); }
    bool savePanelShown() const { return savePanel() && savePanel()->property("visible").toBool(); }

    static constexpr double kWidth = 640;
    static constexpr double kHeight = 480;

    QTemporaryDir dataDir;
    ProjectStore store{dataDir.path()};
    ProjectViewModel project{store};
    test::HeldExportPipeline held;
    ExportCoordinator coordinator{held.pipeline()};
    std::unique_ptr<QQuickItem> host;
};

TEST_F(ExportDialogViewTest, ShowsEachStateOfTheExport) {
    importClip("hd30.mp4");
    project.addSection("Intro", "", 0);
    project.addSection("Counting", "", 1);
    open();
    EXPECT_EQ(textOf("exportOutputSize"), "Output: 1920 × 1080");
    EXPECT_EQ(one("exportCodecPicker")->property("currentText").toString(), "H.264");
    EXPECT_EQ(one("exportQualityPicker")->property("currentText").toString(), "High");
    EXPECT_NE(one("startExportButton"), nullptr);
    EXPECT_TRUE(find(dialogItem(), "renderProgress").empty());
    saveView("export-dialog-settings");

    coordinator.startExport(ExportConfig{}, dataDir.filePath("out.mp4"));
    coordinator.applyPhase("Clip 2 of 3");
    coordinator.updateProgress(0.05, 1000);
    QTest::qWait(20);
    EXPECT_NE(one("renderProgress"), nullptr);
    EXPECT_EQ(textOf("exportProgressText"), "Clip 2 of 3 — 5%");
    // No estimate until the export is past 5 %.
    EXPECT_TRUE(find(dialogItem(), "exportRemainingText").empty());
    coordinator.updateProgress(0.456, 156'000);
    QTest::qWait(20);
    EXPECT_EQ(textOf("exportProgressText"), "Clip 2 of 3 — 45%");
    EXPECT_EQ(textOf("exportRemainingText"), "~03:06 remaining");
    EXPECT_EQ(textOf("exportOutputSize"), "Output: 1920 × 1080");
    EXPECT_TRUE(find(dialogItem(), "startExportButton").empty());
    QTest::qWait(50);
    saveView("export-dialog-progress");

    held.end(Ending::success);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !find(dialogItem(), "exportCompleteText").empty(); }));
    QTest::qWait(50);
    EXPECT_EQ(textOf("exportCompleteText"), "Export complete!");
    EXPECT_NE(one("showInFolderButton"), nullptr);
    // Two chapters: YouTube wants three, which the note says.
    EXPECT_TRUE(textOf("chaptersNote").contains("at least three chapters"));
    click("copyChaptersButton");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "00:00 Intro\n00:01 Counting\n");
    QTest::qWait(50);
    EXPECT_EQ(textOf("copyChaptersButton"), "Copied");
    // Neither a file manager nor a handler for folders here: the dialog says so.
    EXPECT_TRUE(find(dialogItem(), "showInFolderError").empty());
    click("showInFolderButton");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !find(dialogItem(), "showInFolderError").empty(); }, 10000));
    EXPECT_EQ(textOf("showInFolderError"), "Could not open the folder " + dataDir.path());
    saveView("export-dialog-complete");

    click("exportDoneButton");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogShown(); }));
    EXPECT_FALSE(project.showExportDialog());
    EXPECT_TRUE(coordinator.outputURL().isEmpty());

    coordinator.setError("Cannot export — file access issues:\na.mp4: File is missing or not "
                         "readable\nb.mp4: No saved file reference");
    open();
    EXPECT_EQ(textOf("exportErrorText"), coordinator.error());
    saveView("export-dialog-error");
    click("tryAgainButton");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !find(dialogItem(), "startExportButton").empty(); }));
    EXPECT_TRUE(dialogShown());
    EXPECT_EQ(coordinator.error(), "");
}

TEST_F(ExportDialogViewTest, TheSavePanelAnswersTheStartButton) {
    importClip("counter.mp4");
    open();
    ASSERT_NE(savePanel(), nullptr);

    // Cancelled: back on the form, nothing started.
    click("startExportButton");
    ASSERT_TRUE(QTest::qWaitFor([&] { return savePanelShown(); }, 10000));
    ASSERT_NE(test::panelDialog(savePanel()), nullptr);
    EXPECT_EQ(test::panelDialog(savePanel())->selectedFiles().value(0).section('/', -1),
              "export.mp4");
    ASSERT_TRUE(test::cancelFilePanel(savePanel()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !savePanelShown(); }));
    EXPECT_EQ(held.started(), 0);
    EXPECT_NE(one("startExportButton"), nullptr);

    // Chosen without an extension: the export goes to the name with ".mp4".
    click("startExportButton");
    ASSERT_TRUE(QTest::qWaitFor([&] { return savePanelShown(); }, 10000));
    ASSERT_TRUE(test::answerFilePanel(savePanel(), QUrl::fromLocalFile(dataDir.filePath("talk"))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return held.started() == 1; }));
    EXPECT_EQ(held.outputPath(), dataDir.filePath("talk.mp4"));
    EXPECT_EQ(held.config().codec, ExportCodec::h264);
    EXPECT_EQ(held.config().clips.size(), 1u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !find(dialogItem(), "renderProgress").empty(); }));

    // "Cancel" stops the export and dismisses the sheet.
    click("cancelExportButton");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogShown(); }));
    EXPECT_FALSE(coordinator.isExporting());
    EXPECT_FALSE(project.showExportDialog());
}

TEST_F(ExportDialogViewTest, EscapeDuringAnExportCancelsItAndReopeningStartsFromTheDefaults) {
    importClip("counter.mp4");
    open();
    auto* model = qvariant_cast<QObject*>(dialog()->property("model"));
    ASSERT_NE(model, nullptr);
    model->setProperty("codec", "ProRes 422");
    model->setProperty("quality", "Maximum");
    QTest::qWait(20);
    EXPECT_EQ(one("exportCodecPicker")->property("currentText").toString(), "ProRes 422");

    coordinator.startExport(ExportConfig{}, dataDir.filePath("out.mov"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return held.started() == 1; }));
    QTest::keyClick(window.get(), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogShown(); }));
    EXPECT_FALSE(coordinator.isExporting());
    EXPECT_FALSE(project.showExportDialog());

    open();
    EXPECT_EQ(one("exportCodecPicker")->property("currentText").toString(), "H.264");
    EXPECT_EQ(one("exportQualityPicker")->property("currentText").toString(), "High");

    // The close button after a failure clears it.
    coordinator.setError("Video writer failed: disk full");
    QTest::qWait(20);
    click("closeExportDialogButton");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogShown(); }));
    EXPECT_EQ(coordinator.error(), "");
}

} // namespace
} // namespace kestrune
