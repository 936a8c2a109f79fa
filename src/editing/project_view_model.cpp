#include "project_view_model.h"

#include "model/file_reference.h"
#include "video_metadata.h"

#include <algorithm>

#include <QColor>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace kestrune {

namespace {

std::optional<Uuid> parseId(const QString& text) {
    return Uuid::parse(text.toStdString());
}

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Why the file at `path` cannot be read. A name that is not valid UTF-8 reaches us
// with its stray bytes already turned into U+FFFD (Qt decodes file names and
// arguments as UTF-8), so it no longer leads back to the file, and a project
// stores names as UTF-8 text: the user has to rename it.
QString unreadableReason(const QString& path) {
    const QString quoted = "\"" + path + "\"";
    const QFileInfo info(path);
    if (info.fileName().contains(QChar::ReplacementCharacter))
        return "Cannot read " + quoted + ": its name is not valid UTF-8; rename it";
    if (path.contains(QChar::ReplacementCharacter))
        return "Cannot read " + quoted + ": the name of its folder is not valid UTF-8; rename it";
    return "Cannot read " + quoted;
}

bool hasAcceptedExtension(const QString& path) {
    static const QStringList accepted{"mp4", "mov", "m4v"};
    return accepted.contains(QFileInfo(path).suffix().toLower());
}

// Sections past the end of the joined video would never be shown.
void dropSectionsPastEnd(Project& project) {
    if (project.clips.empty()) {
        project.sections.clear();
        return;
    }
    const double total = project.totalDuration();
    std::erase_if(project.sections, [total](const Section& s) { return s.startTime >= total; });
}

void sortSections(Project& project) {
    std::stable_sort(project.sections.begin(), project.sections.end(),
                     [](const Section& a, const Section& b) { return a.startTime < b.startTime; });
}

void renumber(Project& project) {
    for (std::size_t i = 0; i < project.clips.size(); ++i)
        project.clips[i].order = static_cast<int>(i);
}

// Runs `work` on the thread pool and `done` with its result on this object's
// thread. The watcher belongs to `owner`, so a result that arrives after the owner
// is gone is dropped instead of touching it.
template <class Work, class Done>
void runInBackground(QObject* owner, Work work, Done done) {
    using Result = decltype(work());
    auto* watcher = new QFutureWatcher<Result>(owner);
    QObject::connect(watcher, &QFutureWatcher<Result>::finished, owner,
                     [watcher, done = std::move(done)]() mutable {
                         done(watcher->result());
                         watcher->deleteLater();
                     });
    watcher->setFuture(QtConcurrent::run(std::move(work)));
}

} // namespace

struct ProjectViewModel::ImportResult {
    std::optional<VideoMetadata> metadata;
    QString error;
    QImage thumbnail;
};

ProjectViewModel::ProjectViewModel(const ProjectStore& store, QObject* parent)
    : QObject(parent)
    , store_(store)
    , project_(Project::untitled())
    , clipModel_(this)
    , sectionModel_(this) {
    autosaveTimer_.setSingleShot(true);
    // Coarse timers may fire up to 5% late or early; the delay is short enough to
    // keep exact.
    autosaveTimer_.setTimerType(Qt::PreciseTimer);
    autosaveTimer_.setInterval(kAutosaveDelayMs);
    connect(&autosaveTimer_, &QTimer::timeout, this, &ProjectViewModel::autosaveFired);
}

ProjectViewModel::~ProjectViewModel() = default;

void ProjectViewModel::setProject(Project project) {
    const Project before = project_;
    project_ = std::move(project);
    publish(before);
}

void ProjectViewModel::setShowFileImporter(bool show) {
    if (std::exchange(showFileImporter_, show) != show)
        emit showFileImporterChanged();
}

void ProjectViewModel::setShowExportDialog(bool show) {
    if (std::exchange(showExportDialog_, show) != show)
        emit showExportDialogChanged();
}

void ProjectViewModel::setImportError(std::optional<QString> error) {
    if (importError_ == error)
        return;
    importError_ = std::move(error);
    emit importErrorChanged();
}

void ProjectViewModel::setImportErrorText(const QString& text) {
    setImportError(text.isEmpty() ? std::nullopt : std::optional<QString>(text));
}

void ProjectViewModel::setTrimmingClipId(std::optional<Uuid> id) {
    if (trimmingClipId_ == id)
        return;
    trimmingClipId_ = id;
    emit trimmingClipIdChanged();
}

QString ProjectViewModel::trimmingClipIdText() const {
    return trimmingClipId_ ? QString::fromStdString(trimmingClipId_->toString()) : QString();
}

void ProjectViewModel::setTrimmingClipIdText(const QString& text) {
    setTrimmingClipId(parseId(text));
}

void ProjectViewModel::setName(const QString& name) {
    const Project before = project_;
    project_.name = name.toStdString();
    publish(before);
}

void ProjectViewModel::adoptRename(const QString& name) {
    const Project before = project_;
    project_.name = name.toStdString();
    touch();
    publish(before);
}

// Import

void ProjectViewModel::importVideo(const QString& givenPath) {
    const QString path = QFileInfo(givenPath).absoluteFilePath();
    if (!hasAcceptedExtension(path)) {
        failImport(path, "Unsupported format. Please use MP4 or MOV.");
        return;
    }
    // Made now, on the main thread, so the reference is of the file the user picked.
    const auto reference = FileReference::make(localPath(path));
    if (!reference) {
        failImport(path, "Failed to process video: " + unreadableReason(path));
        return;
    }
    ++importsInProgress_;
    emit importsInProgressChanged();
    const std::string file = reference->path;
    runInBackground(
        this,
        [file] {
            ImportResult result;
            try {
                result.metadata = loadVideoMetadata(file);
                result.thumbnail = makeThumbnail(file, kThumbnailTime);
            } catch (const std::exception& error) {
                result.error = QString::fromStdString(error.what());
            }
            return result;
        },
        [this, path, bookmark = reference->encode()](const ImportResult& result) mutable {
            --importsInProgress_;
            emit importsInProgressChanged();
            finishImport(path, std::move(bookmark), result);
        });
}

void ProjectViewModel::failImport(const QString& path, const QString& message) {
    setImportError(message);
    emit importFinished(path, QString());
}

void ProjectViewModel::finishImport(const QString& path, std::vector<std::uint8_t> bookmark,
                                    const ImportResult& result) {
    if (!result.metadata) {
        failImport(path, "Failed to process video: " + result.error);
        return;
    }
    const Project before = project_;
    VideoClip clip;
    clip.id = Uuid::generate();
    clip.fileName = QFileInfo(path).fileName().toStdString();
    clip.fileSize = result.metadata->fileSize;
    clip.duration = result.metadata->duration;
    clip.width = result.metadata->width;
    clip.height = result.metadata->height;
    // Counted now, when this import's loads are done: imports running side by side
    // append in the order they finish and each order stays its index.
    clip.order = static_cast<int>(project_.clips.size());
    clip.bookmarkData = std::move(bookmark);
    project_.clips.push_back(clip);
    touch();
    clipPaths_[clip.id] = path;
    emit clipPathsChanged();
    if (!result.thumbnail.isNull()) {
        thumbnails_[clip.id] = result.thumbnail;
        emit thumbnailsChanged();
    }
    publish(before);
    scheduleAutosave();
    emit importFinished(path, QString::fromStdString(clip.id.toString()));
}

void ProjectViewModel::loadThumbnail(const Uuid& clipId, const QString& path, double seconds) {
    runInBackground(
        this, [file = localPath(path), seconds] { return makeThumbnail(file, seconds); },
        [this, clipId](const QImage& image) {
            // The clip may have been removed while its picture was being made.
            const bool present = std::any_of(project_.clips.begin(), project_.clips.end(),
                                             [&](const VideoClip& c) { return c.id == clipId; });
            if (image.isNull() || !present)
                return;
            thumbnails_[clipId] = image;
            emit thumbnailsChanged();
            syncClipRows();
        });
}

// File access

void ProjectViewModel::restoreFileAccess() {
    const Project before = project_;
    std::vector<Uuid> missing;
    bool refreshed = false;
    for (auto& clip : project_.clips) {
        if (!clip.bookmarkData)
            continue;
        const auto location = locateClip(clip);
        if (!location || !location->found) {
            missing.push_back(clip.id);
            continue;
        }
        // A file edited in place, or another file put at the same path, no longer
        // matches the reference; the reference is made again for what is there now.
        if (location->isStale) {
            if (const auto fresh = FileReference::make(location->path)) {
                clip.bookmarkData = fresh->encode();
                refreshed = true;
            }
        }
        const QString path = QFile::decodeName(QByteArray::fromStdString(location->path));
        clipPaths_[clip.id] = path;
        loadThumbnail(clip.id, path, kThumbnailTime);
    }
    if (!missing.empty()) {
        QStringList names;
        for (const auto& id : missing) {
            auto clip = std::find_if(project_.clips.begin(), project_.clips.end(),
                                     [&](const VideoClip& c) { return c.id == id; });
            if (clip != project_.clips.end())
                names << QString::fromStdString(clip->fileName);
        }
        setImportError("Could not locate files: " + names.join(", ") +
                       ". They may have been moved or deleted.");
    }
    dropSectionsPastEnd(project_);
    emit clipPathsChanged();
    publish(before);
    // The refreshed references are saved without stamping the project as changed.
    if (refreshed)
        scheduleAutosave();
}

void ProjectViewModel::releaseFileAccess() {
    setAutosaveRunning(false);
    if (clipPaths_.empty())
        return;
    clipPaths_.clear();
    emit clipPathsChanged();
    syncClipRows();
}

// Editing

void ProjectViewModel::removeClip(const QString& clipId) {
    if (const auto id = parseId(clipId))
        removeClip(*id);
}

void ProjectViewModel::removeClip(const Uuid& id) {
    const Project before = project_;
    std::erase_if(project_.clips, [&](const VideoClip& c) { return c.id == id; });
    renumber(project_);
    dropSectionsPastEnd(project_);
    if (clipPaths_.erase(id))
        emit clipPathsChanged();
    if (thumbnails_.erase(id))
        emit thumbnailsChanged();
    touch();
    publish(before);
    scheduleAutosave();
}

void ProjectViewModel::moveClip(int from, int to) {
    const int count = clipCount();
    if (from == to || from < 0 || to < 0 || from >= count || to >= count)
        return;
    const Project before = project_;
    VideoClip clip = std::move(project_.clips[from]);
    project_.clips.erase(project_.clips.begin() + from);
    project_.clips.insert(project_.clips.begin() + to, std::move(clip));
    renumber(project_);
    touch();
    publish(before);
    scheduleAutosave();
}

void ProjectViewModel::updateTrim(const Uuid& clipId, double trimIn,
                                  std::optional<double> trimOut) {
    auto clip = std::find_if(project_.clips.begin(), project_.clips.end(),
                             [&](const VideoClip& c) { return c.id == clipId; });
    if (clip == project_.clips.end())
        return;
    const Project before = project_;
    clip->trimIn = trimIn;
    clip->trimOut = trimOut;
    touch();
    publish(before);
    scheduleAutosave();
}

void ProjectViewModel::updateTrim(const QString& clipId, double trimIn, double trimOut) {
    if (const auto id = parseId(clipId))
        updateTrim(*id, trimIn, trimOut < 0 ? std::nullopt : std::optional<double>(trimOut));
}

void ProjectViewModel::refreshThumbnail(const QString& clipId) {
    if (const auto id = parseId(clipId))
        refreshThumbnail(*id);
}

void ProjectViewModel::refreshThumbnail(const Uuid& clipId) {
    auto clip = std::find_if(project_.clips.begin(), project_.clips.end(),
                             [&](const VideoClip& c) { return c.id == clipId; });
    const auto location = clipPaths_.find(clipId);
    if (clip == project_.clips.end() || location == clipPaths_.end())
        return;
    loadThumbnail(clipId, location->second, clip->trimIn);
}

void ProjectViewModel::addSection(const QString& title, const QString& subtitle, double startTime) {
    const Project before = project_;
    project_.sections.push_back(
        Section{Uuid::generate(), title.toStdString(), subtitle.toStdString(), startTime});
    sortSections(project_);
    touch();
    publish(before);
    scheduleAutosave();
}

void ProjectViewModel::updateSection(const Uuid& id, const QString& title, const QString& subtitle,
                                     double startTime) {
    auto section = std::find_if(project_.sections.begin(), project_.sections.end(),
                                [&](const Section& s) { return s.id == id; });
    if (section == project_.sections.end())
        return;
    const Project before = project_;
    section->title = title.toStdString();
    section->subtitle = subtitle.toStdString();
    section->startTime = startTime;
    sortSections(project_);
    touch();
    publish(before);
    scheduleAutosave();
}

void ProjectViewModel::updateSection(const QString& id, const QString& title,
                                     const QString& subtitle, double startTime) {
    if (const auto parsed = parseId(id))
        updateSection(*parsed, title, subtitle, startTime);
}

void ProjectViewModel::deleteSection(const Uuid& id) {
    const Project before = project_;
    std::erase_if(project_.sections, [&](const Section& s) { return s.id == id; });
    touch();
    publish(before);
    scheduleAutosave();
}

void ProjectViewModel::deleteSection(const QString& id) {
    if (const auto parsed = parseId(id))
        deleteSection(*parsed);
}

void ProjectViewModel::setSidebarOverlay(bool overlay) {
    const Project before = project_;
    project_.sidebarOverlay = overlay;
    touch();
    publish(before);
    scheduleAutosave();
}

void ProjectViewModel::setTheme(const SidebarTheme& theme) {
    const Project before = project_;
    project_.sidebarTheme = theme;
    touch();
    publish(before);
    scheduleAutosave();
}

QVariantMap ProjectViewModel::themeColors() const {
    QVariantMap colors;
    forEachThemeColor(project_.sidebarTheme, [&colors](const char* key, const CodableColor& color) {
        colors.insert(QString::fromLatin1(key), color.toColor());
    });
    return colors;
}

// Saving

void ProjectViewModel::scheduleAutosave() {
    // An empty project is not worth a file; a save already pending still runs.
    if (project_.clips.empty())
        return;
    setAutosaveRunning(true);
}

bool ProjectViewModel::saveNow() {
    setAutosaveRunning(false);
    if (project_.clips.empty())
        return false;
    return store_.save(project_);
}

void ProjectViewModel::setAutosaveRunning(bool start) {
    const bool wasPending = autosaveTimer_.isActive();
    if (start)
        autosaveTimer_.start(); // restarts a pending interval
    else
        autosaveTimer_.stop();
    if (wasPending != start)
        emit autosavePendingChanged();
}

void ProjectViewModel::autosaveFired() {
    emit autosavePendingChanged();
    // The project as it is now, with every edit made since the save was scheduled.
    emit autosaved(store_.save(project_));
}

// Publishing

void ProjectViewModel::touch() {
    project_.updatedAt = Date::now();
}

void ProjectViewModel::syncClipRows() {
    std::vector<ClipRow> rows;
    rows.reserve(project_.clips.size());
    for (const auto& clip : project_.clips) {
        const auto location = clipPaths_.find(clip.id);
        const auto thumbnail = thumbnails_.find(clip.id);
        rows.push_back({clip.id, clip, location != clipPaths_.end() ? location->second : QString(),
                        thumbnail != thumbnails_.end() ? thumbnail->second : QImage()});
    }
    clipModel_.sync(rows);
}

void ProjectViewModel::publish(const Project& before) {
    syncClipRows();
    sectionModel_.sync(project_.sections);
    if (before.id != project_.id)
        emit projectIdChanged();
    if (before.name != project_.name)
        emit nameChanged();
    if (before.sidebarOverlay != project_.sidebarOverlay)
        emit sidebarOverlayChanged();
    if (before.clips.size() != project_.clips.size())
        emit clipCountChanged();
    if (before.totalDuration() != project_.totalDuration())
        emit totalDurationChanged();
    if (!(before.sidebarTheme == project_.sidebarTheme))
        emit themeChanged();
    if (!(before == project_))
        emit projectChanged();
}

} // namespace kestrune
