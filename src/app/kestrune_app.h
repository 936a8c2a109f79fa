// The application shell: owns the four long-lived objects every view shares,
// installs a new editing model when the user switches projects, keeps the
// preview in step with the clip list, and saves when the application loses the
// foreground or quits. The window reaches it as `app` and stays declarative: the
// menu, header and library actions are the invokables below.
#pragma once

#include "app_coordinator.h"
#include "app_delegate.h"
#include "editing/project_view_model.h"
#include "export/export_coordinator.h"
#include "model/project_store.h"
#include "playback/playback_manager.h"

#include <memory>
#include <vector>

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

namespace kestrune {

class KestruneApp : public QObject {
    Q_OBJECT
    // Replaced on every switch of project; the old model goes once the views have
    // let go of it.
    Q_PROPERTY(kestrune::ProjectViewModel* projectVM READ projectVM NOTIFY projectVMChanged)
    Q_PROPERTY(kestrune::PlaybackManager* playbackManager READ playbackManager CONSTANT)
    Q_PROPERTY(kestrune::ExportCoordinator* exportCoordinator READ exportCoordinator CONSTANT)
    Q_PROPERTY(kestrune::AppCoordinator* appCoordinator READ appCoordinator CONSTANT)

public:
    // Projects live in `store`, which must outlive the shell. Tests hand in a
    // clock for the preview and an export pipeline of their own.
    explicit KestruneApp(const ProjectStore& store, PlaybackManager::ClockFactory makeClock = {},
                         ExportCoordinator::Pipeline exportPipeline = exportMovie,
                         QObject* parent = nullptr);
    ~KestruneApp() override;

    ProjectViewModel* projectVM() const { return projectVM_; }
    PlaybackManager* playbackManager() { return &playbackManager_; }
    ExportCoordinator* exportCoordinator() { return &exportCoordinator_; }
    AppCoordinator* appCoordinator() { return &appCoordinator_; }
    const AppDelegate& appDelegate() const { return appDelegate_; }
    // Where the projects are kept; the library lists, renames and copies them here.
    const ProjectStore& store() const { return store_; }

    // Installs `model` as the open project; the shell owns it from now on.
    void switchProject(std::unique_ptr<ProjectViewModel> model);

    // Started with clips (`kestrune FILE…`): the editor shows the fresh project
    // with the library closed, and the clips are imported into it as if they had
    // been dropped on it. Nothing happens for no clips.
    void startWithClips(const QList<QUrl>& clips);

    // Moves the old single autosave file into the projects folder and arms the
    // quit hooks. Runs once; later calls do nothing.
    Q_INVOKABLE void windowFirstShown();

    // File > New Project.
    Q_INVOKABLE void newProjectFromMenu();
    // File > Show/Hide Project Library.
    Q_INVOKABLE void toggleLibraryFromMenu();
    // The header's library button.
    Q_INVOKABLE void openLibraryFromHeader();
    // The library's cards and its New Project card. Ids the store does not know
    // open as an empty project; text that is no id is ignored.
    Q_INVOKABLE void openProjectFromLibrary(const QString& projectId);
    Q_INVOKABLE void deleteProjectFromLibrary(const QString& projectId);
    Q_INVOKABLE void newProjectFromLibrary();
    // The library sheet has closed, by whatever means: a New Project asked for
    // while it was shown is created now.
    Q_INVOKABLE void libraryDismissed();

    // Leaving the foreground pauses the preview and saves the open project.
    void applicationStateChanged(Qt::ApplicationState state);

signals:
    void projectVMChanged();

private:
    void installHooks();
    void watch(ProjectViewModel& model);
    void clipsMayHaveChanged();
    bool isTrimming() const;

    AppDelegate appDelegate_;
    ProjectViewModel* projectVM_;
    PlaybackManager playbackManager_;
    ExportCoordinator exportCoordinator_;
    AppCoordinator appCoordinator_;
    const ProjectStore& store_;
    // The open model's clip list as last seen, to tell clip changes from others.
    std::vector<VideoClip> seenClips_;
    bool windowShown_ = false;
};

} // namespace kestrune
