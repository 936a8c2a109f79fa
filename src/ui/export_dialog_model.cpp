#include "export_dialog_model.h"

#include "editing/project_view_model.h"
#include "export/export_coordinator.h"
#include "log/log.h"
#include "show_in_folder.h"

#include <utility>
#include <variant>

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QPointer>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

namespace kestrune {

namespace {

using log::Category;

QString text(std::string_view view) {
    return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
}

// The name the save panel proposes, with the codec's container extension.
QString proposedName(ExportCodec codec) {
    return QString::fromStdString(containerPath("export", codec));
}

} // namespace

QObject* ExportDialogModel::projectVM() const {
    return projectVM_.data();
}

void ExportDialogModel::setProjectVM(QObject* projectVM) {
    auto* model = qobject_cast<ProjectViewModel*>(projectVM);
    if (model == projectVM_)
        return;
    disconnect(projectConnection_);
    disconnect(overlayConnection_);
    projectVM_ = model;
    if (model) {
        projectConnection_ = connect(model, &ProjectViewModel::projectChanged, this, [this] {
            updateOutputSize();
            if (!exportedChapters_)
                emit chaptersChanged();
        });
        overlayConnection_ = connect(model, &ProjectViewModel::sidebarOverlayChanged, this,
                                     &ExportDialogModel::updateOutputSize);
    }
    // A check running for the previous project says nothing about this one.
    dropPendingStart();
    updateOutputSize();
    emit projectVMChanged();
    emit chaptersChanged();
}

QObject* ExportDialogModel::exportCoordinator() const {
    return coordinator_.data();
}

void ExportDialogModel::setExportCoordinator(QObject* coordinator) {
    auto* model = qobject_cast<ExportCoordinator*>(coordinator);
    if (model == coordinator_)
        return;
    for (const auto& connection : coordinatorConnections_)
        disconnect(connection);
    coordinatorConnections_.clear();
    coordinator_ = model;
    if (model) {
        for (auto changed :
             {&ExportCoordinator::isExportingChanged, &ExportCoordinator::outputURLChanged,
              &ExportCoordinator::errorChanged})
            coordinatorConnections_.push_back(
                connect(model, changed, this, &ExportDialogModel::updateContent));
    }
    updateContent();
    emit exportCoordinatorChanged();
}

void ExportDialogModel::setCodec(ExportCodec codec) {
    if (codec == codec_)
        return;
    codec_ = codec;
    emit codecChanged();
}

void ExportDialogModel::setQuality(ExportQuality quality) {
    if (quality == quality_)
        return;
    quality_ = quality;
    emit qualityChanged();
}

QString ExportDialogModel::codecName() const {
    return text(displayName(codec_));
}

void ExportDialogModel::setCodecName(const QString& name) {
    if (const auto codec = exportCodecFromDisplayName(name.toStdString()))
        setCodec(*codec);
}

QString ExportDialogModel::qualityName() const {
    return text(displayName(quality_));
}

void ExportDialogModel::setQualityName(const QString& name) {
    if (const auto quality = exportQualityFromDisplayName(name.toStdString()))
        setQuality(*quality);
}

QStringList ExportDialogModel::codecNames() {
    QStringList names;
    for (const ExportCodec codec : kAllExportCodecs)
        names << text(displayName(codec));
    return names;
}

QStringList ExportDialogModel::qualityNames() {
    QStringList names;
    for (const ExportQuality quality : kAllExportQualities)
        names << text(displayName(quality));
    return names;
}

ExportDialogModel::Content ExportDialogModel::contentFor(const ExportCoordinator& coordinator) {
    if (coordinator.isExporting())
        return Progress;
    if (!coordinator.outputURL().isEmpty())
        return Completion;
    if (!coordinator.error().isEmpty())
        return Error;
    return Settings;
}

ExportDialogModel::Content ExportDialogModel::content() const {
    return content_;
}

void ExportDialogModel::updateContent() {
    const Content now = coordinator_ ? contentFor(*coordinator_) : Settings;
    if (now == content_)
        return;
    content_ = now;
    emit contentChanged();
}

void ExportDialogModel::updateOutputSize() {
    OutputDimensions dimensions;
    // Measured over every clip, also those the check may refuse later, so the
    // size does not jump while the files are checked.
    if (projectVM_ && !projectVM_->project().clips.empty())
        dimensions =
            outputDimensions(projectVM_->project().clips, projectVM_->project().sidebarOverlay);
    const QString sizeText =
        tr("Output: %1 × %2").arg(dimensions.outputWidth).arg(dimensions.outputHeight);
    if (sizeText == outputSizeText_)
        return;
    outputSizeText_ = sizeText;
    emit outputSizeTextChanged();
}

QUrl ExportDialogModel::proposedSaveFile() const {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    return QUrl::fromLocalFile(folder + u'/' + proposedName(codec_));
}

QStringList ExportDialogModel::saveNameFilters() const {
    return {defaultSuffix() == u"mov" ? tr("QuickTime movies (*.mov)")
                                      : tr("MPEG-4 movies (*.mp4)")};
}

QString ExportDialogModel::defaultSuffix() const {
    return QFileInfo(proposedName(codec_)).suffix();
}

void ExportDialogModel::resetChoices() {
    setCodec(ExportCodec::h264);
    setQuality(ExportQuality::high);
    clearCompletionFeedback();
}

void ExportDialogModel::setValidatingRequest(std::optional<int> request) {
    const bool was = isValidating();
    validatingRequest_ = request;
    if (isValidating() != was)
        emit isValidatingChanged();
}

void ExportDialogModel::setAwaitingSaveLocation(std::optional<CheckedClips> ready) {
    const bool was = isChoosingSaveLocation();
    awaitingSaveLocation_ = std::move(ready);
    if (isChoosingSaveLocation() != was)
        emit isChoosingSaveLocationChanged();
}

void ExportDialogModel::dropPendingStart() {
    setValidatingRequest(std::nullopt);
    setAwaitingSaveLocation(std::nullopt);
}

void ExportDialogModel::startExport() {
    if (!projectVM_ || !coordinator_ || coordinator_->isExporting() || isValidating() ||
        isChoosingSaveLocation())
        return;
    const Project& project = projectVM_->project();
    log::info(Category::ExportDialog, "Export: startExport() called, clipCount=%ld",
              static_cast<long>(project.clips.size()));

    std::map<Uuid, std::string> files;
    for (const auto& [clipId, path] : projectVM_->clipPaths())
        files[clipId] = path.toStdString();

    // Opening the files blocks, on a sleeping disk or a network share for long:
    // the check runs on the thread pool and its results come back to this thread.
    // The watcher belongs to this model, so results for a model that is gone are
    // dropped with it.
    const int request = ++nextRequest_;
    setValidatingRequest(request);
    auto* watcher = new QFutureWatcher<CheckedClips>(this);
    connect(watcher, &QFutureWatcher<CheckedClips>::finished, this, [this, watcher, request] {
        watcher->deleteLater();
        validationFinished(request, watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(
        [project, files = std::move(files)] { return checkClipFiles(project, files); }));
}

void ExportDialogModel::failBeforeStart(const std::string& error) {
    if (coordinator_)
        coordinator_->setError(text(error));
}

void ExportDialogModel::validationFinished(int request, const CheckedClips& checked) {
    // Closed, or moved on to another project, while the files were checked.
    if (validatingRequest_ != request)
        return;
    setValidatingRequest(std::nullopt);
    if (!projectVM_ || !coordinator_ || projectVM_->project().id != checked.project.id)
        return;

    log::info(Category::ExportDialog, "Export: validation complete, validClips=%ld, errors=%ld",
              static_cast<long>(checked.files.size()), static_cast<long>(checked.failures.size()));
    if (checked.problem) {
        QStringList failures;
        for (const auto& failure : checked.failures)
            failures << QString::fromStdString(failure);
        if (failures.isEmpty())
            log::error(Category::ExportDialog, "Export: no valid clips to export");
        else
            log::error(Category::ExportDialog, "Export: validation failed — %s",
                       qUtf8Printable(failures.join(QStringLiteral("; "))));
        failBeforeStart(checked.problem->message);
        return;
    }
    setAwaitingSaveLocation(checked);
    emit saveLocationRequested();
}

void ExportDialogModel::saveLocationCancelled() {
    saveLocationChosen(QUrl());
}

void ExportDialogModel::saveLocationChosen(const QUrl& url) {
    if (!awaitingSaveLocation_)
        return;
    const CheckedClips ready = std::move(*awaitingSaveLocation_);
    setAwaitingSaveLocation(std::nullopt);
    if (!url.isLocalFile() || url.toLocalFile().isEmpty()) {
        log::info(Category::ExportDialog, "Export: save panel cancelled by user");
        return;
    }
    const std::string path =
        containerPath(QFileInfo(url.toLocalFile()).absoluteFilePath().toStdString(), codec_);
    log::info(Category::ExportDialog, "Export: save panel completed, outputURL=%s",
              qUtf8Printable(QFileInfo(QString::fromStdString(path)).fileName()));
    if (!coordinator_)
        return;

    const ExportRequest outcome = makeExportConfig(ready, path, codec_, quality_);
    if (const auto* problem = std::get_if<ExportProblem>(&outcome)) {
        log::error(Category::ExportDialog, "Export: cannot start — %s", problem->message.c_str());
        failBeforeStart(problem->message);
        return;
    }
    const ExportConfig& config = std::get<ExportConfig>(outcome);
    log::info(Category::ExportDialog,
              "Export: starting with codec=%s, quality=%s, dims=%ldx%ld, sections=%ld",
              displayName(codec_).data(), displayName(quality_).data(),
              static_cast<long>(config.outputWidth), static_cast<long>(config.outputHeight),
              static_cast<long>(config.sections.size()));
    setExportedChapters(chapterList(ready.project.sections, ready.project.totalDuration()));
    clearCompletionFeedback();
    coordinator_->startExport(config, QString::fromStdString(path));
}

void ExportDialogModel::close() {
    dropPendingStart();
    if (!coordinator_)
        return;
    if (coordinator_->isExporting())
        coordinator_->cancel();
    else
        coordinator_->reset();
}

void ExportDialogModel::cancelExport() {
    if (coordinator_)
        coordinator_->cancel();
}

void ExportDialogModel::reset() {
    dropPendingStart();
    if (coordinator_)
        coordinator_->reset();
    clearCompletionFeedback();
}

void ExportDialogModel::showInFolder() {
    if (!coordinator_ || coordinator_->outputURL().isEmpty())
        return;
    setShowInFolderError({});
    kestrune::showInFolder(coordinator_->outputURL(), QDBusConnection::sessionBus(),
                           [self = QPointer<ExportDialogModel>(this)](const QString& folder) {
                               if (self)
                                   self->setShowInFolderError(
                                       tr("Could not open the folder %1").arg(folder));
                           });
}

void ExportDialogModel::setShowInFolderError(const QString& error) {
    if (error == showInFolderError_)
        return;
    showInFolderError_ = error;
    emit showInFolderErrorChanged();
}

void ExportDialogModel::clearCompletionFeedback() {
    setChaptersCopied(false);
    setShowInFolderError({});
}

void ExportDialogModel::setExportedChapters(std::optional<std::vector<Chapter>> chapters) {
    exportedChapters_ = std::move(chapters);
    emit chaptersChanged();
}

std::vector<Chapter> ExportDialogModel::chapters() const {
    if (exportedChapters_)
        return *exportedChapters_;
    if (!projectVM_)
        return {};
    const Project& project = projectVM_->project();
    return chapterList(project.sections, project.totalDuration());
}

QString ExportDialogModel::chaptersText() const {
    return QString::fromStdString(youTubeChapters(chapters()));
}

QString ExportDialogModel::chaptersNote() const {
    const auto chapterList = chapters();
    if (chapterList.empty())
        return {};
    QStringList lines;
    for (const auto& broken : youTubeRuleBreaks(chapterList))
        lines << QString::fromStdString(broken.message);
    return lines.join(u'\n');
}

void ExportDialogModel::setChaptersCopied(bool copied) {
    if (copied == chaptersCopied_)
        return;
    chaptersCopied_ = copied;
    emit chaptersCopiedChanged();
}

void ExportDialogModel::copyChapters() {
    if (!hasChapters())
        return;
    QGuiApplication::clipboard()->setText(chaptersText());
    setChaptersCopied(true);
}

} // namespace kestrune
