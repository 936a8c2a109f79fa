#include "app_coordinator.h"

#include "editing/project_view_model.h"
#include "export/export_coordinator.h"
#include "log/log.h"
#include "playback/playback_manager.h"

#include <QFile>
#include <QPointer>

namespace kestrune {

AppCoordinator::AppCoordinator(const ProjectStore& store, QObject* parent)
    : QObject(parent)
    , store_(store) {}

AppCoordinator::~AppCoordinator() {
    releaseLock();
}

void AppCoordinator::setShowProjectLibrary(bool show) {
    if (showProjectLibrary_ == show)
        return;
    showProjectLibrary_ = show;
    emit showProjectLibraryChanged();
}

QString AppCoordinator::activeProjectIdText() const {
    return activeProjectId_ ? QString::fromStdString(activeProjectId_->toString()) : QString();
}

void AppCoordinator::setActiveProjectId(const Uuid& id) {
    if (activeProjectId_ == id)
        return;
    activeProjectId_ = id;
    emit activeProjectIdChanged();
}

void AppCoordinator::setExportBlockedAlert(bool shown) {
    if (exportBlockedAlert_ == shown)
        return;
    exportBlockedAlert_ = shown;
    emit exportBlockedAlertChanged();
}

void AppCoordinator::setNewProjectPending(bool pending) {
    if (newProjectPending_ == pending)
        return;
    newProjectPending_ = pending;
    emit newProjectPendingChanged();
}

bool AppCoordinator::canSwitchProject(const ExportCoordinator& exports) {
    if (exports.isExporting()) {
        setExportBlockedAlert(true);
        return false;
    }
    return true;
}

void AppCoordinator::openProjectLibrary(const ExportCoordinator& exports) {
    if (canSwitchProject(exports))
        setShowProjectLibrary(true);
}

void AppCoordinator::toggleProjectLibrary(const ExportCoordinator& exports) {
    if (canSwitchProject(exports))
        setShowProjectLibrary(!showProjectLibrary_);
}

bool AppCoordinator::requestNewProject(const ExportCoordinator& exports) {
    if (!canSwitchProject(exports))
        return false;
    if (!showProjectLibrary_ && !newProjectPending_)
        return true;
    if (showProjectLibrary_) {
        ++newProjectRequest_;
        emit newProjectRequestChanged();
    }
    return false;
}

void AppCoordinator::leave(ProjectViewModel& current, PlaybackManager& playback) {
    playback.pause();
    current.saveNow();
    current.releaseFileAccess();
}

std::unique_ptr<ProjectViewModel> AppCoordinator::createNewProject(ProjectViewModel& current,
                                                                   PlaybackManager& playback) {
    leave(current, playback);
    // A new model starts with a fresh untitled project of its own.
    auto made = std::make_unique<ProjectViewModel>(store_);
    holdLockOf(made->project().id);
    setActiveProjectId(made->project().id);
    setShowProjectLibrary(false);
    playback.player()->removeCurrentItem();
    return made;
}

std::unique_ptr<ProjectViewModel>
AppCoordinator::openProject(const Uuid& id, ProjectViewModel& current, PlaybackManager& playback) {
    leave(current, playback);
    auto made = std::make_unique<ProjectViewModel>(store_);
    try {
        made->setProject(store_.load(id));
        made->restoreFileAccess();
    } catch (const ProjectStoreError&) {
        // The fresh untitled project stands in for a file that cannot be read.
    }
    // The lock goes with what the editor saves: the stand-in saves under its own id.
    holdLockOf(made->project().id);
    setActiveProjectId(id);
    setShowProjectLibrary(false);
    // The preview loads once the caller has installed the model; a model that
    // is gone by then has nothing left to show.
    QMetaObject::invokeMethod(
        &playback,
        [model = QPointer<ProjectViewModel>(made.get()),
         player = QPointer<PlaybackManager>(&playback)] {
            if (model && player)
                player->loadTimeline(model->project().clips, model->clipPaths());
        },
        Qt::QueuedConnection);
    return made;
}

void AppCoordinator::deleteProject(const Uuid& id, ProjectViewModel& current,
                                   PlaybackManager& playback) {
    // Let go of the lock before its file goes.
    if (lockedId_ == id)
        releaseLock();
    store_.deleteProject(id);
    if (activeProjectId_ != id)
        return;
    // Dropping the file access first also drops a pending save, which would
    // otherwise bring the deleted project back.
    current.releaseFileAccess();
    current.setProject(Project::untitled());
    current.setTrimmingClipId(std::nullopt);
    playback.pause();
    playback.player()->removeCurrentItem();
    holdLockOf(current.project().id);
    setActiveProjectId(current.project().id);
    setShowProjectLibrary(true);
}

void AppCoordinator::holdLockOf(const Uuid& id) {
    if (lockedId_ == id && lock_)
        return;
    releaseLock();
    lockedId_ = id;
    auto attempt = ProjectLock::tryTake(store_.lockFilePath(id));
    switch (attempt.outcome) {
    case ProjectLock::Outcome::taken:
        lock_ = std::move(attempt.lock);
        break;
    case ProjectLock::Outcome::held:
        log::error(log::Category::Persistence,
                   "The project %s is locked by another Kestrune window or kestrune-cli; "
                   "opened without the lock",
                   id.toString().c_str());
        break;
    case ProjectLock::Outcome::failed:
        log::error(log::Category::Persistence, "Opened without the project lock: %s",
                   attempt.error.c_str());
        break;
    }
}

void AppCoordinator::releaseLock() {
    // kestrune-cli only locks projects that have a file, so nobody else can be
    // waiting on this lock file.
    if (lock_ && lockedId_ && !QFile::exists(store_.projectFilePath(*lockedId_)))
        QFile::remove(lock_->path());
    lock_.reset();
    lockedId_.reset();
}

std::optional<Uuid> AppCoordinator::lockedProjectId() const {
    return lock_ ? lockedId_ : std::nullopt;
}

} // namespace kestrune
