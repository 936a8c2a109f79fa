#include "export_dialog_model.h"

#include "editing/project_view_model.h"
#include "export/export_coordinator.h"
#include "export/export_job.h"
#include "log/log.h"
#include "model/file_reference.h"
#include "show_in_folder.h"

#include <algorithm>
#include <utility>

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

namespace kestrune {

namespace {

using log::Category;

QString text(std::string_view view) {
    return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
}

bool isProRes(ExportCodec codec) {
    return codec == ExportCodec::prores;
}

std::vector<VideoClip> clipsInOrder(const Project& project) {
    std::vector<VideoClip> clips = project.clips;
    std::stable_sort(clips.begin(), clips.end(),
                     [](const VideoClip& a, const VideoClip& b) { return a.order < b.order; });
    return clips;
}

// The project's clip whose file is at `path`, if any: writing the export there
// would replace the clip with the video made from it.
const VideoClip* clipStoredAt(const QString& path, const Project& project,
                              const std::map<Uuid, QUrl>& clipFiles) {
    const auto target = FileReference::make(path.toStdString());
    if (!target)
        return nullptr;
    for (const auto& clip : project.clips) {
        const auto file = clipFiles.find(clip.id);
        if (file == clipFiles.end())
            continue;
        const auto source = FileReference::make(file->second.toLocalFile().toStdString());
        if (source && source->device == target->device && source->inode == target->inode)
            return &clip;
    }
    return nullptr;
}

} // namespace

QString exportOutputPath(const QString& chosenPath, ExportCodec codec) {
    const QString suffix = isProRes(codec) ? QStringLiteral("mov") : QStringLiteral("mp4");
    const QFileInfo chosen(chosenPath);
    const QString current = chosen.suffix().toLower();
    if (current == suffix || (!isProRes(codec) && current == QStringLiteral("m4v")))
        return chosenPath;
    // The other container's extension would name the file for what it is not.
    for (const char* movie : {"mp4", "m4v", "mov"})
        if (current == QLatin1String(movie))
            return chosen.path() + u'/' + chosen.completeBaseName() + u'.' + suffix;
    return chosenPath + u'.' + suffix;
}

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
        QStringLiteral("Output: %1 × %2").arg(dimensions.outputWidth).arg(dimensions.outputHeight);
    if (sizeText == outputSizeText_)
        return;
    outputSizeText_ = sizeText;
    emit outputSizeTextChanged();
}

QUrl ExportDialogModel::proposedSaveFile() const {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    return QUrl::fromLocalFile(folder + (isProRes(codec_) ? QStringLiteral("/export.mov")
                                                          : QStringLiteral("/export.mp4")));
}

QStringList ExportDialogModel::saveNameFilters() const {
    return {isProRes(codec_) ? QStringLiteral("QuickTime movies (*.mov)")
                             : QStringLiteral("MPEG-4 movies (*.mp4)")};
}

QString ExportDialogModel::defaultSuffix() const {
    return isProRes(codec_) ? QStringLiteral("mov") : QStringLiteral("mp4");
}

void ExportDialogModel::resetChoices() {
    setCodec(ExportCodec::h264);
    setQuality(ExportQuality::high);
    setChaptersCopied(false);
}

void ExportDialogModel::setValidatingRequest(std::optional<int> request) {
    const bool was = isValidating();
    validatingRequest_ = request;
    if (isValidating() != was)
        emit isValidatingChanged();
}

void ExportDialogModel::setAwaitingSaveLocation(std::optional<ReadyToSave> ready) {
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
    const Project project = projectVM_->project();
    std::vector<VideoClip> clips = clipsInOrder(project);
    log::info(Category::ExportDialog, "Export: startExport() called, clipCount=%ld",
              static_cast<long>(clips.size()));

    std::map<Uuid, QUrl> files;
    for (const auto& [clipId, path] : projectVM_->clipPaths())
        files[clipId] = QUrl::fromLocalFile(path);

    // Opening the files blocks, on a sleeping disk or a network share for long:
    // the check runs on the thread pool and its results come back to this thread.
    // The watcher belongs to this model, so results for a model that is gone are
    // dropped with it.
    const int request = ++nextRequest_;
    setValidatingRequest(request);
    using Results = std::vector<ValidationResult>;
    auto* watcher = new QFutureWatcher<Results>(this);
    connect(watcher, &QFutureWatcher<Results>::finished, this, [this, watcher, request, project] {
        watcher->deleteLater();
        validationFinished(request, project, watcher->result());
    });
    watcher->setFuture(QtConcurrent::run([clips = std::move(clips), files = std::move(files)] {
        return FileAccessValidator::validate(clips, files);
    }));
}

void ExportDialogModel::failBeforeStart(const QString& error) {
    if (coordinator_)
        coordinator_->setError(error);
}

void ExportDialogModel::validationFinished(int request, const Project& project,
                                           const std::vector<ValidationResult>& results) {
    // Closed, or moved on to another project, while the files were checked.
    if (validatingRequest_ != request)
        return;
    setValidatingRequest(std::nullopt);
    if (!projectVM_ || !coordinator_ || projectVM_->project().id != project.id)
        return;

    std::map<Uuid, QUrl> clipFiles;
    QStringList problems;
    for (const auto& result : results) {
        if (result.error)
            problems << QString::fromStdString(result.fileName) + QStringLiteral(": ") +
                            text(description(*result.error));
        else if (result.url)
            clipFiles[result.clipId] = *result.url;
    }
    log::info(Category::ExportDialog, "Export: validation complete, validClips=%ld, errors=%ld",
              static_cast<long>(clipFiles.size()), static_cast<long>(problems.size()));

    if (!problems.isEmpty()) {
        log::error(Category::ExportDialog, "Export: validation failed — %s",
                   qUtf8Printable(problems.join(QStringLiteral("; "))));
        failBeforeStart(QStringLiteral("Cannot export — file access issues:\n") +
                        problems.join(u'\n'));
        return;
    }
    if (clipFiles.empty()) {
        log::error(Category::ExportDialog, "Export: no valid clips to export");
        failBeforeStart(QStringLiteral("No clips to export."));
        return;
    }
    setAwaitingSaveLocation(ReadyToSave{project, std::move(clipFiles)});
    emit saveLocationRequested();
}

void ExportDialogModel::saveLocationCancelled() {
    saveLocationChosen(QUrl());
}

void ExportDialogModel::saveLocationChosen(const QUrl& url) {
    if (!awaitingSaveLocation_)
        return;
    const ReadyToSave ready = std::move(*awaitingSaveLocation_);
    setAwaitingSaveLocation(std::nullopt);
    if (!url.isLocalFile() || url.toLocalFile().isEmpty()) {
        log::info(Category::ExportDialog, "Export: save panel cancelled by user");
        return;
    }
    const QString path = exportOutputPath(QFileInfo(url.toLocalFile()).absoluteFilePath(), codec_);
    log::info(Category::ExportDialog, "Export: save panel completed, outputURL=%s",
              qUtf8Printable(QFileInfo(path).fileName()));
    if (!coordinator_)
        return;

    if (const VideoClip* clip = clipStoredAt(path, ready.project, ready.clipFiles)) {
        log::error(Category::ExportDialog, "Export: output would replace the clip '%s'",
                   clip->fileName.c_str());
        failBeforeStart(
            QStringLiteral("Cannot export over \"%1\": it is one of the project's clips. "
                           "Choose another file.")
                .arg(QString::fromStdString(clip->fileName)));
        return;
    }

    const ExportConfig config = makeExportConfig(ready.project, ready.clipFiles, codec_, quality_);
    log::info(Category::ExportDialog,
              "Export: starting with codec=%s, quality=%s, dims=%ldx%ld, sections=%ld",
              displayName(codec_).data(), displayName(quality_).data(),
              static_cast<long>(config.outputWidth), static_cast<long>(config.outputHeight),
              static_cast<long>(config.sections.size()));
    setExportedChapters(chapterList(ready.project.sections, ready.project.totalDuration()));
    setChaptersCopied(false);
    coordinator_->startExport(config, path);
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
    setChaptersCopied(false);
}

void ExportDialogModel::showInFolder() const {
    if (coordinator_ && !coordinator_->outputURL().isEmpty())
        kestrune::showInFolder(coordinator_->outputURL());
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
