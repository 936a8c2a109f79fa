// Which project is open and whether the project library is shown over the editor.
// Every switch from one project to another goes through here, and none is allowed
// while an export runs. Lives on the main thread.
#pragma once

#include "model/project_lock.h"
#include "model/project_store.h"
#include "model/uuid.h"

#include <memory>
#include <optional>

#include <QObject>
#include <QString>

namespace kestrune {

class ExportCoordinator;
class PlaybackManager;
class ProjectViewModel;

class AppCoordinator : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool showProjectLibrary READ showProjectLibrary WRITE setShowProjectLibrary NOTIFY
                   showProjectLibraryChanged)
    // Empty while no project has been opened or created.
    Q_PROPERTY(QString activeProjectId READ activeProjectIdText NOTIFY activeProjectIdChanged)
    // The "Export in Progress" alert; its button writes false.
    Q_PROPERTY(bool exportBlockedAlert READ exportBlockedAlert WRITE setExportBlockedAlert NOTIFY
                   exportBlockedAlertChanged)
    // Counts New Project commands given while the library was shown; only its
    // changes matter.
    Q_PROPERTY(qint64 newProjectRequest READ newProjectRequest NOTIFY newProjectRequestChanged)
    Q_PROPERTY(bool newProjectPending READ newProjectPending NOTIFY newProjectPendingChanged)

public:
    // Projects are read from and deleted in `store`, which must outlive the
    // coordinator and every editing model it makes.
    explicit AppCoordinator(const ProjectStore& store, QObject* parent = nullptr);
    ~AppCoordinator() override;

    bool showProjectLibrary() const { return showProjectLibrary_; }
    void setShowProjectLibrary(bool show);
    const std::optional<Uuid>& activeProjectId() const { return activeProjectId_; }
    QString activeProjectIdText() const;
    bool exportBlockedAlert() const { return exportBlockedAlert_; }
    void setExportBlockedAlert(bool shown);
    qint64 newProjectRequest() const { return newProjectRequest_; }
    bool newProjectPending() const { return newProjectPending_; }
    void setNewProjectPending(bool pending);

    // False, with the alert raised, while an export runs.
    bool canSwitchProject(const ExportCoordinator& exports);
    // The header's library button.
    void openProjectLibrary(const ExportCoordinator& exports);
    // The menu's Show/Hide Project Library.
    void toggleProjectLibrary(const ExportCoordinator& exports);
    // The menu's New Project: true when the caller is to create the project at
    // once. While the library is shown the request is counted instead, and the
    // editor creates the project once the library has closed.
    bool requestNewProject(const ExportCoordinator& exports);

    // Saves the open project and lets go of its files, and returns the editing
    // model of a fresh untitled project for the caller to install. Nothing is
    // written for the new project until it gets clips.
    std::unique_ptr<ProjectViewModel> createNewProject(ProjectViewModel& current,
                                                       PlaybackManager& playback);
    // As createNewProject, with the stored project `id` in the new model. A file
    // that cannot be read opens as an empty untitled project. The clips reach
    // the preview shortly after, from the event loop.
    std::unique_ptr<ProjectViewModel> openProject(const Uuid& id, ProjectViewModel& current,
                                                  PlaybackManager& playback);
    // Deletes the stored project. When it is the open one, `current` is reset in
    // place to a fresh untitled project and the library stays shown.
    void deleteProject(const Uuid& id, ProjectViewModel& current, PlaybackManager& playback);

    // Holds the lock of the project the editor shows (project_lock.h), letting go of
    // the one held before, so kestrune-cli leaves that project alone. The project
    // needs no file yet. A lock that another window or a running command holds is
    // logged and done without: the project opens all the same.
    void holdLockOf(const Uuid& id);
    // The project whose lock is held, if any.
    std::optional<Uuid> lockedProjectId() const;

signals:
    void showProjectLibraryChanged();
    void activeProjectIdChanged();
    void exportBlockedAlertChanged();
    void newProjectRequestChanged();
    void newProjectPendingChanged();

private:
    void setActiveProjectId(const Uuid& id);
    // Pauses the preview, saves the open project and lets go of its files.
    static void leave(ProjectViewModel& current, PlaybackManager& playback);
    // Lets go of the project lock; the lock file of a project that never got a
    // file goes too, so untitled projects leave nothing behind.
    void releaseLock();

    const ProjectStore& store_;
    bool showProjectLibrary_ = true;
    std::optional<Uuid> activeProjectId_;
    bool exportBlockedAlert_ = false;
    qint64 newProjectRequest_ = 0;
    bool newProjectPending_ = false;
    std::optional<Uuid> lockedId_;
    std::optional<ProjectLock> lock_;
};

} // namespace kestrune
