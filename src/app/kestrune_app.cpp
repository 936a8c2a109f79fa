#include "kestrune_app.h"

#include <algorithm>

#include <QCoreApplication>
#include <QGuiApplication>

namespace kestrune {

KestruneApp::KestruneApp(const ProjectStore& store, PlaybackManager::ClockFactory makeClock,
                         ExportCoordinator::Pipeline exportPipeline, QObject* parent)
    : QObject(parent)
    , projectVM_(new ProjectViewModel(store, this))
    , playbackManager_(std::move(makeClock))
    , exportCoordinator_(std::move(exportPipeline))
    , appCoordinator_(store)
    , store_(store) {
    watch(*projectVM_);
    // The editor starts on a fresh untitled project, saved once it gets clips.
    appCoordinator_.holdLockOf(projectVM_->project().id);

    // The editor's half of New Project while the library is shown: close the
    // library first and create the project once it has gone (libraryDismissed).
    connect(&appCoordinator_, &AppCoordinator::newProjectRequestChanged, this, [this] {
        appCoordinator_.setNewProjectPending(true);
        appCoordinator_.setShowProjectLibrary(false);
    });

    if (auto* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this,
                [this] { appDelegate_.aboutToQuit(); });
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(application, &QGuiApplication::applicationStateChanged, this,
                &KestruneApp::applicationStateChanged);
}

KestruneApp::~KestruneApp() {
    // The model goes before the objects its signals reach.
    delete projectVM_;
    projectVM_ = nullptr;
}

void KestruneApp::switchProject(std::unique_ptr<ProjectViewModel> model) {
    if (!model || model.get() == projectVM_)
        return;
    ProjectViewModel* old = projectVM_;
    disconnect(old, nullptr, this, nullptr);
    projectVM_ = model.release();
    projectVM_->setParent(this);
    watch(*projectVM_);
    installHooks();
    emit projectVMChanged();
    // Bindings have moved to the new model by now; the old one goes with the
    // next turn of the event loop.
    old->deleteLater();
}

void KestruneApp::installHooks() {
    // Both read the objects at quit time, so the project open then is the one saved.
    appDelegate_.onTerminate = [this] { projectVM_->saveNow(); };
    appDelegate_.onCancelExport = [this] { exportCoordinator_.cancel(); };
}

void KestruneApp::startWithClips(const QList<QUrl>& clips) {
    if (clips.isEmpty())
        return;
    appCoordinator_.setShowProjectLibrary(false);
    projectVM_->importVideoUrls(clips);
}

void KestruneApp::windowFirstShown() {
    if (windowShown_)
        return;
    windowShown_ = true;
    store_.migrateLegacyAutosave();
    installHooks();
}

void KestruneApp::newProjectFromMenu() {
    if (appCoordinator_.requestNewProject(exportCoordinator_))
        switchProject(appCoordinator_.createNewProject(*projectVM_, playbackManager_));
}

void KestruneApp::toggleLibraryFromMenu() {
    appCoordinator_.toggleProjectLibrary(exportCoordinator_);
}

void KestruneApp::openLibraryFromHeader() {
    appCoordinator_.openProjectLibrary(exportCoordinator_);
}

void KestruneApp::openProjectFromLibrary(const QString& projectId) {
    const auto id = Uuid::parse(projectId.toStdString());
    if (!id || !appCoordinator_.canSwitchProject(exportCoordinator_))
        return;
    switchProject(appCoordinator_.openProject(*id, *projectVM_, playbackManager_));
}

void KestruneApp::deleteProjectFromLibrary(const QString& projectId) {
    if (const auto id = Uuid::parse(projectId.toStdString()))
        appCoordinator_.deleteProject(*id, *projectVM_, playbackManager_);
}

void KestruneApp::newProjectFromLibrary() {
    if (appCoordinator_.canSwitchProject(exportCoordinator_))
        switchProject(appCoordinator_.createNewProject(*projectVM_, playbackManager_));
}

void KestruneApp::libraryDismissed() {
    if (!appCoordinator_.newProjectPending())
        return;
    appCoordinator_.setNewProjectPending(false);
    // An export may have started since the request; the switch waits for it
    // like every other.
    if (appCoordinator_.canSwitchProject(exportCoordinator_))
        switchProject(appCoordinator_.createNewProject(*projectVM_, playbackManager_));
}

void KestruneApp::applicationStateChanged(Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive)
        return;
    playbackManager_.pause();
    projectVM_->saveNow();
}

void KestruneApp::watch(ProjectViewModel& model) {
    seenClips_ = model.project().clips;
    connect(&model, &ProjectViewModel::projectChanged, this, &KestruneApp::clipsMayHaveChanged);
    // The end of trimming brings the trimmed clip back into the joined timeline.
    connect(&model, &ProjectViewModel::trimmingClipIdChanged, this, [this] {
        if (!isTrimming())
            playbackManager_.loadTimeline(projectVM_->project().clips, projectVM_->clipPaths());
    });
    // A clip's preview proxy is ready: the preview switches to it where it stands.
    connect(&model, &ProjectViewModel::previewFilesChanged, this, [this] {
        if (!isTrimming())
            playbackManager_.reloadTimeline(projectVM_->project().clips, projectVM_->clipPaths());
    });
}

void KestruneApp::clipsMayHaveChanged() {
    const auto& clips = projectVM_->project().clips;
    if (clips == seenClips_)
        return;
    seenClips_ = clips;
    // Trimming changes the clip list at every step; the timeline is loaded
    // again once trimming ends.
    if (!isTrimming())
        playbackManager_.loadTimeline(clips, projectVM_->clipPaths());
}

bool KestruneApp::isTrimming() const {
    const auto& trimming = projectVM_->trimmingClipId();
    const auto& clips = projectVM_->project().clips;
    return trimming && std::any_of(clips.begin(), clips.end(),
                                   [&](const VideoClip& clip) { return clip.id == *trimming; });
}

} // namespace kestrune
