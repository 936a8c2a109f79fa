#include "project_library.h"

#include "app/kestrune_app.h"
#include "project_card_text.h"
#include "project_thumbnail.h"

#include <cmath>

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace kestrune {

namespace {

QString idText(const Uuid& id) {
    return QString::fromStdString(id.toString());
}

// A project version: a rename or any saved edit gives the project a new
// change date, and so a new picture.
QString thumbnailKey(const ProjectSummary& summary) {
    return idText(summary.id) + u'@' +
           QString::number(summary.updatedAt.secondsSinceReference, 'g', 17);
}

QDateTime localDateTime(const Date& date) {
    const double msecs = date.toUnixSeconds() * 1000;
    // A date no calendar can show (a damaged or hand-made file) reads as the epoch.
    if (!std::isfinite(msecs) || std::abs(msecs) > 1e15)
        return QDateTime::fromMSecsSinceEpoch(0, Qt::LocalTime);
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(msecs), Qt::LocalTime);
}

} // namespace

ProjectLibrary::ProjectLibrary(QObject* parent)
    : QAbstractListModel(parent) {}

// Pictures still being decoded lose their watchers here and are dropped.
ProjectLibrary::~ProjectLibrary() = default;

QObject* ProjectLibrary::app() const {
    return app_;
}

void ProjectLibrary::setApp(QObject* app) {
    if (app_ == app)
        return;
    app_ = app;
    emit appChanged();
}

KestruneApp* ProjectLibrary::shell() const {
    return qobject_cast<KestruneApp*>(app_.data());
}

void ProjectLibrary::setSearchText(const QString& text) {
    if (searchText_ == text)
        return;
    searchText_ = text;
    emit searchTextChanged();
    applyFilter();
}

int ProjectLibrary::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant ProjectLibrary::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const std::size_t entry = visible_[static_cast<std::size_t>(index.row())];
    const ProjectSummary& summary = projects_[entry];
    switch (role) {
    case ProjectIdRole:
        return idText(summary.id);
    case NameRole:
        return QString::fromStdString(summary.name);
    case ClipCountRole:
        return summary.clipCount;
    case MissingClipCountRole:
        return summary.missingClipCount;
    case TotalDurationRole:
        return summary.totalDuration;
    case ClipCountTextRole:
        return clipCountText(summary.clipCount);
    case LengthTextRole:
        return projectLengthText(summary.totalDuration);
    case DateTextRole:
        return dateTexts_[entry];
    case ThumbnailRole:
        return thumbnails_.value(thumbnailKey(summary));
    default:
        return {};
    }
}

QHash<int, QByteArray> ProjectLibrary::roleNames() const {
    return {{ProjectIdRole, "projectId"},         {NameRole, "name"},
            {ClipCountRole, "clipCount"},         {MissingClipCountRole, "missingClipCount"},
            {TotalDurationRole, "totalDuration"}, {ClipCountTextRole, "clipCountText"},
            {LengthTextRole, "lengthText"},       {DateTextRole, "dateText"},
            {ThumbnailRole, "thumbnail"}};
}

void ProjectLibrary::reload() {
    KestruneApp* app = shell();
    const bool had = hasProjects();
    const int before = count();
    beginResetModel();
    projects_ = app ? app->store().listProjects() : std::vector<ProjectSummary>{};
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    dateTexts_.clear();
    dateTexts_.reserve(projects_.size());
    for (const auto& summary : projects_)
        dateTexts_.push_back(modificationDateText(localDateTime(summary.updatedAt), now, locale));
    visible_ = matchingEntries();
    endResetModel();
    if (had != hasProjects())
        emit projectsChanged();
    if (before != count())
        emit countChanged();
    loadThumbnails();
}

void ProjectLibrary::applyFilter() {
    const int before = count();
    beginResetModel();
    visible_ = matchingEntries();
    endResetModel();
    if (before != count())
        emit countChanged();
}

std::vector<std::size_t> ProjectLibrary::matchingEntries() const {
    std::vector<std::size_t> entries;
    for (std::size_t i = 0; i < projects_.size(); ++i)
        if (searchText_.isEmpty() ||
            QString::fromStdString(projects_[i].name).contains(searchText_, Qt::CaseInsensitive))
            entries.push_back(i);
    return entries;
}

void ProjectLibrary::loadThumbnails() {
    KestruneApp* app = shell();
    if (!app)
        return;
    const bool wasLoading = loadingThumbnails();
    for (const auto& summary : projects_) {
        const QString key = thumbnailKey(summary);
        if (summary.clipCount < 1 || thumbnails_.contains(key) || pendingThumbnails_.count(key))
            continue;
        pendingThumbnails_.insert(key);
        // The task holds nothing but the file's path: it may outlive the library.
        const QString path = app->store().projectFilePath(summary.id);
        auto* watcher = new QFutureWatcher<QImage>(this);
        connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher, key] {
            thumbnailLoaded(key, watcher->result());
            watcher->deleteLater();
        });
        watcher->setFuture(QtConcurrent::run([path] { return projectThumbnail(path); }));
    }
    if (wasLoading != loadingThumbnails())
        emit loadingThumbnailsChanged();
}

void ProjectLibrary::thumbnailLoaded(const QString& key, const QImage& picture) {
    pendingThumbnails_.erase(key);
    if (!picture.isNull()) {
        thumbnails_.insert(key, picture);
        // Found by version, not by row: the list may have been read again since.
        for (std::size_t row = 0; row < visible_.size(); ++row) {
            if (thumbnailKey(projects_[visible_[row]]) != key)
                continue;
            const QModelIndex changed = index(static_cast<int>(row));
            emit dataChanged(changed, changed, {ThumbnailRole});
        }
    }
    if (pendingThumbnails_.empty())
        emit loadingThumbnailsChanged();
}

const ProjectSummary* ProjectLibrary::find(const Uuid& id) const {
    for (const auto& summary : projects_)
        if (summary.id == id)
            return &summary;
    return nullptr;
}

void ProjectLibrary::openProject(const QString& projectId) {
    if (KestruneApp* app = shell())
        app->openProjectFromLibrary(projectId);
}

void ProjectLibrary::newProject() {
    if (KestruneApp* app = shell())
        app->newProjectFromLibrary();
}

void ProjectLibrary::deleteProject(const QString& projectId) {
    KestruneApp* app = shell();
    if (!app)
        return;
    app->deleteProjectFromLibrary(projectId);
    reload();
}

void ProjectLibrary::duplicateProject(const QString& projectId) {
    KestruneApp* app = shell();
    const auto id = Uuid::parse(projectId.toStdString());
    if (!app || !id)
        return;
    if (const ProjectSummary* original = find(*id)) {
        try {
            app->store().duplicate(*id, original->name + " Copy");
        } catch (const ProjectStoreError&) {
            // The list read below shows what the store holds.
        }
    }
    reload();
}

bool ProjectLibrary::renameProject(const QString& projectId, const QString& typedName) {
    KestruneApp* app = shell();
    const auto id = Uuid::parse(projectId.toStdString());
    const auto name = committedProjectName(typedName);
    if (!app || !id || !name)
        return false;
    const bool renamed = app->store().rename(*id, name->toStdString());
    if (renamed && app->projectVM()->project().id == *id)
        app->projectVM()->adoptRename(*name);
    reload();
    return renamed;
}

} // namespace kestrune
