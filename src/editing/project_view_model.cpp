#include "project_view_model.h"

#include "clip_relink.h"
#include "log/log.h"
#include "model/file_reference.h"
#include "model/section_anchoring.h"
#include "project_invariants.h"

#include <algorithm>

#include <QColor>
#include <QFileInfo>

namespace kestrune {

namespace {

std::optional<Uuid> parseId(const QString& text) {
    return Uuid::parse(text.toStdString());
}

template <class Item>
auto findById(std::vector<Item>& items, const Uuid& id) {
    return std::find_if(items.begin(), items.end(),
                        [&](const Item& item) { return item.id == id; });
}

bool containsClip(const Project& project, const Uuid& id) {
    return std::any_of(project.clips.begin(), project.clips.end(),
                       [&](const VideoClip& c) { return c.id == id; });
}

} // namespace

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

    connect(&media_, &ClipMedia::pathsChanged, this, [this] {
        updateProxyFiles();
        syncClipRows();
        emit clipPathsChanged();
    });
    connect(&proxies_, &ProxyScheduler::stateChanged, this, &ProjectViewModel::syncClipRows);
    connect(&proxies_, &ProxyScheduler::proxyReady, this, &ProjectViewModel::previewFilesChanged);
    connect(&media_, &ClipMedia::thumbnailsChanged, this, [this] {
        syncClipRows();
        emit thumbnailsChanged();
    });
    connect(&media_, &ClipMedia::importsInProgressChanged, this,
            &ProjectViewModel::importsInProgressChanged);
    connect(&media_, &ClipMedia::imported, this, &ProjectViewModel::addImportedClip);
    connect(&finder_, &ClipFinder::searchingChanged, this,
            &ProjectViewModel::searchingForClipsChanged);
    connect(&finder_, &ClipFinder::finished, this, &ProjectViewModel::relinkFound);
    connect(&media_, &ClipMedia::importFailed, this, &ProjectViewModel::failImport);
}

ProjectViewModel::~ProjectViewModel() = default;

void ProjectViewModel::setProject(Project project) {
    const Project before = project_;
    project_ = std::move(project);
    nameBeforeEditing_.reset();
    history_.clear();
    publish(before);
    emit historyChanged();
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
    importErrorFile_.clear();
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
    const std::string text = name.toStdString();
    if (text == project_.name)
        return;
    if (!nameBeforeEditing_)
        nameBeforeEditing_ = project_.name;
    const Project before = project_;
    project_.name = text;
    publish(before);
}

void ProjectViewModel::commitName() {
    const auto previous = std::exchange(nameBeforeEditing_, std::nullopt);
    if (!previous || *previous == project_.name)
        return;
    Project before = project_;
    before.name = *previous;
    history_.record(QT_TR_NOOP("Rename Project"), before);
    history_.closeStep();
    emit historyChanged();
}

void ProjectViewModel::adoptRename(const QString& name) {
    const Project before = project_;
    project_.name = name.toStdString();
    nameBeforeEditing_.reset();
    // The library's rename is no edit of this window: undoing an older step
    // keeps the new name.
    history_.amendAll([this](Project& kept) { kept.name = project_.name; });
    touch();
    publish(before);
}

// Import

std::uint64_t ProjectViewModel::startBatch(std::string action, std::vector<QString> files) {
    const std::uint64_t batch = ++lastImportBatch_;
    const int count = static_cast<int>(files.size());
    importBatches_[batch] = {std::move(action), count, std::move(files),
                             std::vector<std::optional<Uuid>>(count)};
    return batch;
}

std::size_t ProjectViewModel::placeInBatch(std::uint64_t batch, const QString& path,
                                           const Uuid& clipId,
                                           const std::vector<VideoClip>& clips) {
    const auto found = importBatches_.find(batch);
    if (found == importBatches_.end())
        return clips.size();
    ImportBatch& group = found->second;
    std::size_t index = 0;
    while (index < group.files.size() && (group.files[index] != path || group.clips[index]))
        ++index;
    if (index == group.files.size())
        return clips.size();
    group.clips[index] = clipId;
    std::size_t place = clips.size();
    for (std::size_t later = index + 1; later < group.files.size(); ++later) {
        if (!group.clips[later])
            continue;
        const auto at = std::find_if(clips.begin(), clips.end(), [&](const VideoClip& clip) {
            return clip.id == *group.clips[later];
        });
        place = std::min(place, static_cast<std::size_t>(at - clips.begin()));
    }
    return place;
}

std::string ProjectViewModel::finishBatchFile(std::uint64_t batch) {
    const auto found = importBatches_.find(batch);
    if (found == importBatches_.end())
        return QT_TR_NOOP("Add Clip");
    std::string action = found->second.action;
    if (--found->second.pending <= 0)
        importBatches_.erase(found);
    return action;
}

void ProjectViewModel::importVideo(const QString& path) {
    media_.import(path, startBatch(QT_TR_NOOP("Add Clip"), {QFileInfo(path).absoluteFilePath()}));
}

void ProjectViewModel::importVideoUrls(const QList<QUrl>& urls) {
    if (urls.isEmpty())
        return;
    std::vector<QString> files;
    for (const auto& url : urls)
        files.push_back(QFileInfo(url.toLocalFile()).absoluteFilePath());
    const auto batch =
        startBatch(urls.size() > 1 ? QT_TR_NOOP("Add Clips") : QT_TR_NOOP("Add Clip"), files);
    for (const auto& file : files)
        media_.import(file, batch);
}

void ProjectViewModel::failImport(const QString& path, std::uint64_t batch,
                                  const QString& message) {
    finishBatchFile(batch);
    // The same message about another file is news too.
    importErrorFile_ = QFileInfo(path).fileName();
    importError_.reset();
    setImportError(message);
    emit importFinished(path, QString());
}

void ProjectViewModel::addImportedClip(const QString& path, std::uint64_t batch,
                                       const VideoClip& clip) {
    // Files read side by side land in the order they were given, whichever is
    // read first; the edit path numbers them.
    const std::size_t place = placeInBatch(batch, path, clip.id, project_.clips);
    edit({finishBatchFile(batch), "import " + std::to_string(batch),
          [&clip, place](Project& project) {
              project.clips.insert(project.clips.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                               place, project.clips.size())),
                                   clip);
              return true;
          }});
    emit importFinished(path, QString::fromStdString(clip.id.toString()));
}

// File access

void ProjectViewModel::restoreFileAccess() {
    const Project before = project_;
    const auto located = media_.locate(project_.clips);
    dropSectionsPastEnd(project_);
    publish(before);
    // The renewed references are saved without stamping the project as changed.
    if (located.referencesRenewed)
        scheduleAutosave();
    if (!located.missing.empty())
        finder_.start(missingClips(project_), automaticSearchFolders(project_));
}

const VideoClip* ProjectViewModel::findClip(const Uuid& id) const {
    const auto clip = std::find_if(project_.clips.begin(), project_.clips.end(),
                                   [&](const VideoClip& c) { return c.id == id; });
    return clip == project_.clips.end() ? nullptr : &*clip;
}

std::vector<Uuid> ProjectViewModel::missingClipIds() const {
    std::vector<Uuid> ids;
    for (const auto& clip : project_.clipsInOrder())
        if (media_.missing().contains(clip.id))
            ids.push_back(clip.id);
    return ids;
}

QString ProjectViewModel::missingClipsText() const {
    const int count = missingClipCount();
    if (count == 0)
        return {};
    return count == 1 ? tr("1 clip can't be found") : tr("%1 clips can't be found").arg(count);
}

QStringList ProjectViewModel::relinkClips(const std::vector<ClipSearchResult::Match>& found) {
    QStringList shortened;
    edit({QT_TR_NOOP("Relink Clips"), {}, [&](Project& project) {
              bool relinked = false;
              for (const auto& match : found) {
                  if (!match.file)
                      continue;
                  const auto outcome = relinkClip(project, match.id, *match.file);
                  if (!outcome)
                      continue;
                  relinked = true;
                  log::info(log::Category::Persistence, "Relinked clip %s to %s",
                            match.id.toString().c_str(), match.file->reference.path.c_str());
                  if (outcome->trimClamped)
                      shortened << QString::fromStdString(match.file->fileName());
              }
              return relinked;
          }});
    return shortened;
}

void ProjectViewModel::relinkFound(const ClipSearchResult& result) {
    // Only clips still missing: the user may have located one meanwhile.
    std::vector<ClipSearchResult::Match> stillMissing;
    for (const auto& match : result.clips)
        if (match.file && media_.missing().contains(match.id))
            stillMissing.push_back(match);
    if (!stillMissing.empty())
        relinkClips(stillMissing);
}

void ProjectViewModel::locateChangedClips(const Project& before, double thumbnailTime,
                                          bool newClipsToo) {
    std::vector<VideoClip> changed;
    for (const auto& clip : project_.clips) {
        const auto earlier = std::find_if(before.clips.begin(), before.clips.end(),
                                          [&](const VideoClip& c) { return c.id == clip.id; });
        if (earlier == before.clips.end() ? newClipsToo
                                          : earlier->bookmarkData != clip.bookmarkData)
            changed.push_back(clip);
    }
    if (changed.empty())
        return;
    media_.locate(changed, thumbnailTime);
    // A reference found stale is made again, as when a project is opened.
    for (const auto& clip : changed)
        findById(project_.clips, clip.id)->bookmarkData = clip.bookmarkData;
}

void ProjectViewModel::releaseFileAccess() {
    finder_.cancel();
    setAutosaveRunning(false);
    media_.releaseFiles();
}

// Editing

bool ProjectViewModel::edit(const ProjectEdit& edit) {
    // A name still being typed is a step of its own, before this one.
    commitName();
    Project after = project_;
    if (!edit.change(after))
        return false;
    keepInvariants(project_, after);
    after.updatedAt = Date::now();
    const bool changed = !sameDocument(project_, after);
    if (changed)
        history_.record(edit.action, project_, edit.mergeKey);
    const Project before = std::exchange(project_, std::move(after));
    media_.keepOnly(project_.clips);
    // A relink points clips at other files; imported clips come with theirs.
    locateChangedClips(before, kThumbnailTime, false);
    publish(before);
    scheduleAutosave();
    if (changed)
        emit historyChanged();
    return true;
}

void ProjectViewModel::closeStep() {
    commitName();
    history_.closeStep();
}

void ProjectViewModel::undo() {
    commitName();
    if (auto step = history_.undo(project_))
        restore(std::move(step->project));
}

void ProjectViewModel::redo() {
    commitName();
    if (auto step = history_.redo(project_))
        restore(std::move(step->project));
}

QString ProjectViewModel::undoText() const {
    const std::string action = history_.undoAction();
    return action.empty() ? tr("Undo") : tr("Undo %1").arg(tr(action.c_str()));
}

QString ProjectViewModel::redoText() const {
    const std::string action = history_.redoAction();
    return action.empty() ? tr("Redo") : tr("Redo %1").arg(tr(action.c_str()));
}

void ProjectViewModel::restore(Project project) {
    Project before = std::exchange(project_, std::move(project));
    touch();
    // A trim mode left behind by a removed clip does not come back with the clip.
    if (trimmingClipId_ && !containsClip(before, *trimmingClipId_))
        setTrimmingClipId(std::nullopt);
    media_.keepOnly(project_.clips);
    for (const auto& clip : project_.clips) {
        const auto earlier = std::find_if(before.clips.begin(), before.clips.end(),
                                          [&](const VideoClip& c) { return c.id == clip.id; });
        if (earlier != before.clips.end() && earlier->trimIn != clip.trimIn)
            media_.loadThumbnail(clip.id, clip.trimIn);
    }
    // Clips that come back, or come back to another file (a relink undone), are
    // found again through their references, as when a project is opened; a file
    // gone meanwhile shows as missing.
    locateChangedClips(before, -1, true);
    publish(before);
    scheduleAutosave();
    emit historyChanged();
}

void ProjectViewModel::removeClip(const QString& clipId) {
    if (const auto id = parseId(clipId))
        removeClip(*id);
}

void ProjectViewModel::removeClip(const Uuid& id) {
    edit({QT_TR_NOOP("Delete Clip"), {}, [&id](Project& project) {
              std::erase_if(project.clips, [&](const VideoClip& c) { return c.id == id; });
              return true;
          }});
}

void ProjectViewModel::moveClip(int from, int to) {
    edit({QT_TR_NOOP("Move Clip"), {}, [from, to](Project& project) {
              const int count = static_cast<int>(project.clips.size());
              if (from == to || from < 0 || to < 0 || from >= count || to >= count)
                  return false;
              VideoClip clip = std::move(project.clips[from]);
              project.clips.erase(project.clips.begin() + from);
              project.clips.insert(project.clips.begin() + to, std::move(clip));
              return true;
          }});
}

void ProjectViewModel::updateTrim(const Uuid& clipId, double trimIn,
                                  std::optional<double> trimOut) {
    edit({QT_TR_NOOP("Trim Clip"), "trim " + clipId.toString(), [&](Project& project) {
              const auto clip = findById(project.clips, clipId);
              if (clip == project.clips.end())
                  return false;
              clip->trimIn = trimIn;
              clip->trimOut = trimOut;
              return true;
          }});
}

void ProjectViewModel::updateTrim(const QString& clipId, double trimIn, double trimOut) {
    if (const auto id = parseId(clipId))
        updateTrim(*id, trimIn, trimOut < 0 ? std::nullopt : std::optional<double>(trimOut));
}

void ProjectViewModel::resetTrim(const Uuid& clipId) {
    edit({QT_TR_NOOP("Reset Trim"), {}, [&](Project& project) {
              const auto clip = findById(project.clips, clipId);
              if (clip == project.clips.end())
                  return false;
              clip->trimIn = 0;
              clip->trimOut = std::nullopt;
              return true;
          }});
}

void ProjectViewModel::refreshThumbnail(const QString& clipId) {
    if (const auto id = parseId(clipId))
        refreshThumbnail(*id);
}

void ProjectViewModel::refreshThumbnail(const Uuid& clipId) {
    const auto clip = findById(project_.clips, clipId);
    if (clip != project_.clips.end())
        media_.loadThumbnail(clipId, clip->trimIn);
}

void ProjectViewModel::addSection(const QString& title, const QString& subtitle, double startTime) {
    edit({QT_TR_NOOP("Add Section"), {}, [&](Project& project) {
              project.sections.push_back(Section{Uuid::generate(), title.toStdString(),
                                                 subtitle.toStdString(), startTime});
              return true;
          }});
}

void ProjectViewModel::updateSection(const Uuid& id, const QString& title, const QString& subtitle,
                                     double startTime) {
    edit({QT_TR_NOOP("Edit Section"), {}, [&](Project& project) {
              const auto section = findById(project.sections, id);
              if (section == project.sections.end())
                  return false;
              section->title = title.toStdString();
              section->subtitle = subtitle.toStdString();
              section->startTime = startTime;
              return true;
          }});
}

void ProjectViewModel::updateSection(const QString& id, const QString& title,
                                     const QString& subtitle, double startTime) {
    if (const auto parsed = parseId(id))
        updateSection(*parsed, title, subtitle, startTime);
}

void ProjectViewModel::deleteSection(const Uuid& id) {
    edit({QT_TR_NOOP("Delete Section"), {}, [&id](Project& project) {
              std::erase_if(project.sections, [&](const Section& s) { return s.id == id; });
              return true;
          }});
}

void ProjectViewModel::deleteSection(const QString& id) {
    if (const auto parsed = parseId(id))
        deleteSection(*parsed);
}

void ProjectViewModel::putSections(const std::string& action, std::vector<Section> sections,
                                   bool replace) {
    edit({action, {}, [&](Project& project) {
              if (replace)
                  project.sections.clear();
              std::move(sections.begin(), sections.end(), std::back_inserter(project.sections));
              return true;
          }});
}

void ProjectViewModel::addSectionsFromClips(bool replace) {
    putSections(QT_TR_NOOP("Sections from Clips"), sectionsFromClips(project_), replace);
}

void ProjectViewModel::setKeepSectionsWithClips(bool keep) {
    edit({QT_TR_NOOP("Toggle Keep with Clips"), {}, [keep](Project& project) {
              project.keepSectionsWithClips = keep;
              return true;
          }});
}

void ProjectViewModel::setSidebarOverlay(bool overlay) {
    edit({QT_TR_NOOP("Change Layout"), {}, [overlay](Project& project) {
              project.sidebarOverlay = overlay;
              return true;
          }});
}

void ProjectViewModel::setTheme(const SidebarTheme& theme) {
    edit({QT_TR_NOOP("Change Theme"), {}, [&theme](Project& project) {
              project.sidebarTheme = theme;
              return true;
          }});
}

void ProjectViewModel::setThemeColor(const SidebarTheme& theme, const std::string& field) {
    edit({QT_TR_NOOP("Change Theme"), "colour " + field, [&theme](Project& project) {
              project.sidebarTheme = theme;
              return true;
          }});
}

QVariantMap ProjectViewModel::themeColors() const {
    QVariantMap colors;
    forEachThemeColor(project_.sidebarTheme, [&colors](const char* key, const CodableColor& color) {
        colors.insert(QString::fromLatin1(key), color.toColor());
    });
    return colors;
}

// Saving

bool ProjectViewModel::worthSaving() const {
    // An empty project is not worth a new file; one that has a file is written
    // even when its last clip went (deleted, or its import undone), or opening it
    // again would bring the clips back.
    return !project_.clips.empty() || QFileInfo::exists(store_.projectFilePath(project_.id));
}

void ProjectViewModel::scheduleAutosave() {
    // A save already pending still runs.
    if (worthSaving())
        setAutosaveRunning(true);
}

bool ProjectViewModel::saveNow() {
    setAutosaveRunning(false);
    return worthSaving() && store_.save(project_);
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
    const auto& paths = media_.paths();
    const auto& thumbnails = media_.thumbnails();
    for (const auto& clip : project_.clips) {
        const auto location = paths.find(clip.id);
        const auto thumbnail = thumbnails.find(clip.id);
        const auto reference =
            clip.bookmarkData ? FileReference::decode(*clip.bookmarkData) : std::nullopt;
        const QString path = location != paths.end() ? location->second : QString();
        const ProxyScheduler::State proxy = proxies_.state(path);
        rows.push_back(
            {clip.id, clip, path,
             reference ? QFile::decodeName(QByteArray::fromStdString(reference->path)) : QString(),
             thumbnail != thumbnails.end() ? thumbnail->second : QImage(),
             // A proxy waiting for its turn shows as made to 0 %.
             proxy == ProxyScheduler::State::making || proxy == ProxyScheduler::State::waiting
                 ? proxies_.progress(path)
                 : -1.0,
             proxy == ProxyScheduler::State::ready});
    }
    clipModel_.sync(rows);
}

void ProjectViewModel::updateProxyFiles() {
    QSet<QString> files;
    for (const auto& [id, path] : media_.paths())
        files.insert(path);
    proxies_.setFiles(files);
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
    if (before.keepSectionsWithClips != project_.keepSectionsWithClips)
        emit keepSectionsWithClipsChanged();
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
