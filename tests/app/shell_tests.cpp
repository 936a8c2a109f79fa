// The application shell without a window: what the menu, the header and the
// library do to the open project, the hand-shake that creates a project while
// the library is shown, the export guard, and saving on focus loss and on quit.
#include "app/kestrune_app.h"
#include "export/export_error.h"
#include "fixtures/counter_clip.h"
#include "model/project_json.h"
#include "model/project_lock.h"
#include "support/held_export_pipeline.h"
#include "support/manual_clock.h"

#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>

#include <QFile>
#include <QGuiApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kestrune;

namespace {

class ShellTest : public ::testing::Test {
protected:
    QTemporaryDir dataDir;
    ProjectStore store{dataDir.path() + "/Kestrune"};
    test::HeldExportPipeline heldExport;
    KestruneApp app{store, [] { return std::make_unique<test::ManualClock>(); },
                    heldExport.pipeline()};
    AppCoordinator& coordinator = *app.appCoordinator();
    PlaybackManager& playback = *app.playbackManager();

    void startExport() {
        ExportConfig config;
        config.clips.resize(1);
        app.exportCoordinator()->startExport(config, dataDir.filePath("out.mp4"));
        ASSERT_TRUE(app.exportCoordinator()->isExporting());
    }

    // A project of counter.mp4 clips, each cut to [0, out).
    static Project counterProject(std::vector<double> outPoints) {
        Project project = Project::untitled();
        for (double out : outPoints) {
            VideoClip clip = test::counterClip(static_cast<int>(project.clips.size()));
            clip.trimOut = out;
            project.clips.push_back(clip);
        }
        return project;
    }

    static QString idText(const Uuid& id) { return QString::fromStdString(id.toString()); }

    bool stored(const QString& projectId) const {
        return QFile::exists(store.projectFilePath(*Uuid::parse(projectId.toStdString())));
    }

    bool previewShows(QList<double> boundaries) {
        return QTest::qWaitFor(
            [&] { return playback.isLoaded() && playback.clipBoundaries() == boundaries; });
    }

    static void deleteOldModels() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

} // namespace

TEST_F(ShellTest, StartsInTheLibraryOnAnUnsavedUntitledProject) {
    EXPECT_TRUE(coordinator.showProjectLibrary());
    EXPECT_FALSE(coordinator.activeProjectId());
    EXPECT_EQ(coordinator.property("activeProjectId").toString(), "");
    EXPECT_FALSE(coordinator.exportBlockedAlert());
    EXPECT_EQ(coordinator.newProjectRequest(), 0);
    EXPECT_FALSE(coordinator.newProjectPending());
    EXPECT_EQ(app.projectVM()->name(), "Untitled Project");
    EXPECT_EQ(app.projectVM()->clipCount(), 0);

    // The views find the four objects through the properties.
    EXPECT_EQ(app.property("projectVM").value<ProjectViewModel*>(), app.projectVM());
    EXPECT_EQ(app.property("playbackManager").value<PlaybackManager*>(), &playback);
    EXPECT_EQ(app.property("exportCoordinator").value<ExportCoordinator*>(),
              app.exportCoordinator());
    EXPECT_EQ(app.property("appCoordinator").value<AppCoordinator*>(), &coordinator);

    // Closing the library without choosing anything stores nothing, not even on quit.
    coordinator.setShowProjectLibrary(false);
    app.windowFirstShown();
    app.appDelegate().aboutToQuit();
    EXPECT_TRUE(store.listProjects().empty());
}

TEST_F(ShellTest, TheFirstShowMigratesTheOldAutosaveAndArmsTheQuitHooks) {
    const Project legacy = counterProject({1});
    QFile file(store.legacyAutosavePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(encodeProject(legacy)));
    file.close();
    app.projectVM()->setProject(counterProject({2}));

    app.appDelegate().aboutToQuit();
    EXPECT_TRUE(store.listProjects().empty()) << "no hooks before the window is shown";

    app.windowFirstShown();
    EXPECT_TRUE(stored(idText(legacy.id)));
    app.appDelegate().aboutToQuit();
    EXPECT_TRUE(stored(app.projectVM()->projectId()));
}

TEST_F(ShellTest, NewProjectWhileTheLibraryIsShownCreatesOneProjectOnceItHasClosed) {
    ProjectViewModel* first = app.projectVM();
    QPointer<ProjectViewModel> watched = first;
    int switches = 0;
    QObject::connect(&app, &KestruneApp::projectVMChanged, [&] { ++switches; });

    app.newProjectFromMenu();
    app.newProjectFromMenu(); // before the sheet has finished closing
    EXPECT_EQ(coordinator.newProjectRequest(), 1);
    EXPECT_TRUE(coordinator.newProjectPending());
    EXPECT_FALSE(coordinator.showProjectLibrary());
    EXPECT_EQ(app.projectVM(), first);

    app.libraryDismissed();
    app.libraryDismissed();
    EXPECT_EQ(switches, 1);
    EXPECT_FALSE(coordinator.newProjectPending());
    EXPECT_NE(app.projectVM(), first);
    EXPECT_EQ(coordinator.activeProjectId(), app.projectVM()->project().id);
    EXPECT_FALSE(coordinator.showProjectLibrary());
    deleteOldModels();
    EXPECT_TRUE(watched.isNull());

    // Dismissing the library on its own creates nothing.
    app.toggleLibraryFromMenu();
    EXPECT_TRUE(coordinator.showProjectLibrary());
    app.toggleLibraryFromMenu();
    app.libraryDismissed();
    EXPECT_EQ(switches, 1);
}

TEST_F(ShellTest, NewProjectWithTheLibraryHiddenSavesTheOldOneAndStartsAtOnce) {
    const Project saved = counterProject({1, 2});
    ASSERT_TRUE(store.save(saved));
    app.openProjectFromLibrary(idText(saved.id));
    ASSERT_TRUE(previewShows({0, 1, 3}));
    app.projectVM()->setName("Renamed");
    const QString oldId = idText(saved.id);

    app.newProjectFromMenu();
    EXPECT_EQ(store.load(saved.id).name, "Renamed");
    EXPECT_NE(app.projectVM()->projectId(), oldId);
    EXPECT_EQ(app.projectVM()->clipCount(), 0);
    EXPECT_EQ(coordinator.activeProjectIdText(), app.projectVM()->projectId());
    EXPECT_FALSE(coordinator.showProjectLibrary());
    EXPECT_EQ(coordinator.newProjectRequest(), 0);
    EXPECT_FALSE(playback.player()->hasItem());
    EXPECT_FALSE(stored(app.projectVM()->projectId()));
}

TEST_F(ShellTest, EverySwitchIsRefusedWhileAnExportRuns) {
    const Project other = counterProject({1});
    ASSERT_TRUE(store.save(other));
    ProjectViewModel* open = app.projectVM();
    int alerts = 0;
    QObject::connect(&coordinator, &AppCoordinator::exportBlockedAlertChanged, [&] {
        if (coordinator.exportBlockedAlert())
            ++alerts;
    });
    startExport();

    const std::vector<std::pair<const char*, std::function<void()>>> attempts = {
        {"new project from the menu", [&] { app.newProjectFromMenu(); }},
        {"toggle the library", [&] { app.toggleLibraryFromMenu(); }},
        {"new project in the library", [&] { app.newProjectFromLibrary(); }},
        {"open a project", [&] { app.openProjectFromLibrary(idText(other.id)); }},
    };
    auto tryAll = [&](bool libraryShown) {
        coordinator.setShowProjectLibrary(libraryShown);
        for (const auto& [what, attempt] : attempts) {
            attempt();
            EXPECT_TRUE(coordinator.exportBlockedAlert()) << what;
            EXPECT_EQ(app.projectVM(), open) << what;
            EXPECT_EQ(coordinator.showProjectLibrary(), libraryShown) << what;
            coordinator.setExportBlockedAlert(false); // the alert's OK button
        }
    };
    tryAll(true);
    tryAll(false);
    app.openLibraryFromHeader();
    EXPECT_TRUE(coordinator.exportBlockedAlert());
    EXPECT_FALSE(coordinator.showProjectLibrary());
    EXPECT_EQ(alerts, 9);
    EXPECT_EQ(coordinator.newProjectRequest(), 0);
    EXPECT_FALSE(coordinator.newProjectPending());
    EXPECT_FALSE(coordinator.activeProjectId());

    app.exportCoordinator()->cancel();
    app.openLibraryFromHeader();
    EXPECT_TRUE(coordinator.showProjectLibrary());
}

TEST_F(ShellTest, AProjectFileThatCannotBeReadOpensAsAnEmptyProject) {
    const Uuid id = Uuid::generate();
    QFile file(store.projectFilePath(id));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"id\": \"not a project");
    file.close();

    app.openProjectFromLibrary(idText(id));
    EXPECT_EQ(coordinator.activeProjectId(), id);
    EXPECT_FALSE(coordinator.showProjectLibrary());
    EXPECT_EQ(app.projectVM()->name(), "Untitled Project");
    EXPECT_EQ(app.projectVM()->clipCount(), 0);
    EXPECT_NE(app.projectVM()->project().id, id);

    // Text that is no id changes nothing.
    ProjectViewModel* open = app.projectVM();
    app.openProjectFromLibrary("nonsense");
    app.deleteProjectFromLibrary("nonsense");
    EXPECT_EQ(app.projectVM(), open);
    EXPECT_EQ(coordinator.activeProjectId(), id);
}

TEST_F(ShellTest, OpeningAProjectFindsItsFilesAndLoadsThePreview) {
    const Project saved = counterProject({2, 1.5});
    ASSERT_TRUE(store.save(saved));

    app.openProjectFromLibrary(idText(saved.id));
    EXPECT_EQ(app.projectVM()->project().clips, saved.clips);
    EXPECT_EQ(app.projectVM()->clipPaths().size(), 2u);
    EXPECT_EQ(coordinator.activeProjectId(), saved.id);
    EXPECT_FALSE(coordinator.showProjectLibrary());
    EXPECT_FALSE(playback.isLoaded()) << "the preview loads from the event loop";
    EXPECT_TRUE(previewShows({0, 2, 3.5}));
}

TEST_F(ShellTest, DeletingTheOpenProjectResetsTheEditorAndKeepsTheLibraryOpen) {
    const Project open = counterProject({2});
    const Project other = counterProject({1});
    ASSERT_TRUE(store.save(open));
    ASSERT_TRUE(store.save(other));
    app.openProjectFromLibrary(idText(open.id));
    ASSERT_TRUE(previewShows({0, 2}));
    ProjectViewModel* model = app.projectVM();
    model->scheduleAutosave();
    app.openLibraryFromHeader();

    app.deleteProjectFromLibrary(idText(other.id));
    EXPECT_FALSE(stored(idText(other.id)));
    EXPECT_EQ(app.projectVM(), model);
    EXPECT_EQ(model->project().id, open.id);
    EXPECT_EQ(model->clipCount(), 1);
    EXPECT_EQ(coordinator.activeProjectId(), open.id);
    EXPECT_TRUE(playback.player()->hasItem());

    app.deleteProjectFromLibrary(idText(open.id));
    EXPECT_FALSE(stored(idText(open.id)));
    EXPECT_FALSE(model->autosavePending()) << "a pending save would bring the file back";
    EXPECT_EQ(app.projectVM(), model);
    EXPECT_NE(model->project().id, open.id);
    EXPECT_EQ(model->name(), "Untitled Project");
    EXPECT_EQ(model->clipCount(), 0);
    EXPECT_TRUE(model->clipPaths().empty());
    EXPECT_EQ(coordinator.activeProjectId(), model->project().id);
    EXPECT_TRUE(coordinator.showProjectLibrary());
    EXPECT_FALSE(playback.player()->hasItem());
}

TEST_F(ShellTest, LeavingTheForegroundPausesAndSaves) {
    const Project saved = counterProject({2});
    ASSERT_TRUE(store.save(saved));
    app.openProjectFromLibrary(idText(saved.id));
    ASSERT_TRUE(previewShows({0, 2}));
    playback.play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return playback.isPlaying(); }));
    app.projectVM()->setName("Renamed");

    emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_TRUE(playback.isPlaying());
    EXPECT_EQ(store.load(saved.id).name, saved.name);

    emit qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_FALSE(playback.isPlaying());
    EXPECT_EQ(store.load(saved.id).name, "Renamed");
}

TEST_F(ShellTest, QuittingCancelsTheExportAndSavesTheProjectOpenThen) {
    app.windowFirstShown();
    const Project saved = counterProject({1});
    ASSERT_TRUE(store.save(saved));
    app.newProjectFromLibrary();
    app.openProjectFromLibrary(idText(saved.id));
    coordinator.setShowProjectLibrary(false);
    app.newProjectFromMenu();
    deleteOldModels();
    app.projectVM()->setProject(counterProject({2}));
    const QString openId = app.projectVM()->projectId();
    startExport();

    // A real quit: the event loop ends and the application says it is about to quit.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    EXPECT_FALSE(app.exportCoordinator()->isExporting());
    EXPECT_TRUE(heldExport.waitUntilCancelled());
    EXPECT_TRUE(stored(openId));
}

TEST_F(ShellTest, ClipChangesReloadThePreviewExceptWhileTrimmingAndTheEndOfTrimmingDoes) {
    const Project saved = counterProject({2, 1});
    ASSERT_TRUE(store.save(saved));
    app.openProjectFromLibrary(idText(saved.id));
    ASSERT_TRUE(previewShows({0, 2, 3}));
    ProjectViewModel& model = *app.projectVM();
    const Uuid first = saved.clips[0].id;

    model.moveClip(0, 1);
    EXPECT_TRUE(previewShows({0, 1, 3}));

    const int loads = playback.loadGeneration();
    model.setTrimmingClipId(first);
    model.updateTrim(first, 0, 3.0);
    model.updateTrim(first, 0, 2.5);
    model.setName("Renamed");
    EXPECT_EQ(playback.loadGeneration(), loads);

    // Finishing the trim loads the timeline with the new out point.
    model.setTrimmingClipId(std::nullopt);
    EXPECT_TRUE(previewShows({0, 1, 3.5}));
    model.removeClip(saved.clips[1].id);
    EXPECT_TRUE(previewShows({0, 2.5}));
}

TEST_F(ShellTest, UndoReloadsThePreviewWorksDuringAnExportAndStaysWithItsProject) {
    const Project saved = counterProject({2, 1});
    ASSERT_TRUE(store.save(saved));
    app.openProjectFromLibrary(idText(saved.id));
    ASSERT_TRUE(previewShows({0, 2, 3}));
    ProjectViewModel* model = app.projectVM();

    model->removeClip(saved.clips[0].id);
    EXPECT_TRUE(previewShows({0, 1}));
    // The export works on its own copy: the window goes on editing and undoing.
    startExport();
    model->undo();
    EXPECT_TRUE(previewShows({0, 2, 3}));
    EXPECT_EQ(model->clipPaths().size(), 2u);
    model->updateTrim(saved.clips[1].id, 0, 0.5);
    model->undo();
    EXPECT_TRUE(previewShows({0, 2, 3}));
    model->redo();
    EXPECT_TRUE(previewShows({0, 2, 2.5}));
    app.exportCoordinator()->cancel();
    ASSERT_TRUE(heldExport.waitUntilCancelled());

    // Another project, or a new one, starts with nothing to undo; so does this
    // one opened again.
    app.newProjectFromLibrary();
    EXPECT_FALSE(app.projectVM()->canUndo());
    app.openProjectFromLibrary(idText(saved.id));
    EXPECT_FALSE(app.projectVM()->canUndo());
    EXPECT_FALSE(app.projectVM()->canRedo());
    app.projectVM()->setSidebarOverlay(false);
    app.deleteProjectFromLibrary(idText(saved.id));
    EXPECT_FALSE(app.projectVM()->canUndo());
}

// The window's lock keeps kestrune-cli off the project it shows; one it cannot
// get (a command running at that moment) does not keep a project from opening.
TEST_F(ShellTest, TheWindowHoldsTheLockOfTheProjectItShows) {
    const auto locked = [&](const Uuid& id) {
        return ProjectLock::tryTake(store.lockFilePath(id)).outcome == ProjectLock::Outcome::held;
    };
    const Uuid untitled = app.projectVM()->project().id;
    EXPECT_TRUE(locked(untitled)) << "the unsaved project is locked by its id";

    const Project first = counterProject({1});
    const Project second = counterProject({1});
    ASSERT_TRUE(store.save(first));
    ASSERT_TRUE(store.save(second));
    app.openProjectFromLibrary(idText(first.id));
    EXPECT_TRUE(locked(first.id));
    EXPECT_FALSE(QFile::exists(store.lockFilePath(untitled))) << "it never got a file";

    {
        auto command = ProjectLock::tryTake(store.lockFilePath(second.id));
        ASSERT_EQ(command.outcome, ProjectLock::Outcome::taken);
        app.openProjectFromLibrary(idText(second.id));
        EXPECT_EQ(app.projectVM()->project().id, second.id);
        EXPECT_EQ(coordinator.lockedProjectId(), std::nullopt);
        EXPECT_FALSE(locked(first.id));
    }

    app.openProjectFromLibrary(idText(first.id));
    EXPECT_EQ(coordinator.lockedProjectId(), first.id);
    app.deleteProjectFromLibrary(idText(first.id));
    EXPECT_FALSE(QFile::exists(store.lockFilePath(first.id)));
    EXPECT_TRUE(locked(app.projectVM()->project().id));
}
