// The project library's list: the stored projects, newest first, narrowed by
// the search text, with what each card shows, and the actions the cards offer.
// The store is read each time the library is shown and after each change the
// library makes. Card pictures are decoded in the background and kept per
// version of a project (its id and change date), so showing the library again
// decodes nothing new.
#pragma once

#include "model/project_store.h"

#include <set>
#include <vector>

#include <QAbstractListModel>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

class KestruneApp;

class ProjectLibrary : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    // The application shell (KestruneApp): its store, and the switches of project.
    Q_PROPERTY(QObject* app READ app WRITE setApp NOTIFY appChanged)
    // Used as typed: case is ignored, spaces are not trimmed.
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    // The store holds at least one project, whatever the search.
    Q_PROPERTY(bool hasProjects READ hasProjects NOTIFY projectsChanged)
    // The projects the search leaves.
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(bool loadingThumbnails READ loadingThumbnails NOTIFY loadingThumbnailsChanged)

public:
    enum Role {
        ProjectIdRole = Qt::UserRole + 1,
        NameRole,
        ClipCountRole,
        MissingClipCountRole,
        TotalDurationRole,
        ClipCountTextRole, // "3 clips", empty for none
        LengthTextRole,    // "mm:ss", empty for no length
        DateTextRole,      // "Today, 3:45 PM", "Yesterday", "Dec 6, 2025"
        ThumbnailRole,     // QImage, null until (and unless) the picture is decoded
    };

    explicit ProjectLibrary(QObject* parent = nullptr);
    ~ProjectLibrary() override;

    QObject* app() const;
    void setApp(QObject* app);
    QString searchText() const { return searchText_; }
    void setSearchText(const QString& text);
    bool hasProjects() const { return !projects_.empty(); }
    int count() const { return static_cast<int>(visible_.size()); }
    bool loadingThumbnails() const { return !pendingThumbnails_.empty(); }

    // Every stored project as last read, newest first.
    const std::vector<ProjectSummary>& projects() const { return projects_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // Reads the store again and starts decoding the pictures not yet known.
    Q_INVOKABLE void reload();

    // Open, New Project and delete go through the shell, which refuses the
    // first two during an export.
    Q_INVOKABLE void openProject(const QString& projectId);
    Q_INVOKABLE void newProject();
    Q_INVOKABLE void deleteProject(const QString& projectId);
    // A copy named after the original with " Copy" added; a failure is ignored.
    Q_INVOKABLE void duplicateProject(const QString& projectId);
    // Renames to the typed name without spaces and tabs at its ends. False, with
    // nothing renamed, when no name remains or the store cannot rename it. The
    // open project is renamed in the editor too, or its next save would write
    // the old name back.
    Q_INVOKABLE bool renameProject(const QString& projectId, const QString& typedName);

signals:
    void appChanged();
    void searchTextChanged();
    void projectsChanged();
    void countChanged();
    void loadingThumbnailsChanged();

private:
    KestruneApp* shell() const;
    void applyFilter();
    // Indexes into projects_ of those the search text leaves, in their order.
    std::vector<std::size_t> matchingEntries() const;
    void loadThumbnails();
    void thumbnailLoaded(const QString& key, const QImage& picture);
    const ProjectSummary* find(const Uuid& id) const;

    QPointer<QObject> app_;
    QString searchText_;
    std::vector<ProjectSummary> projects_;
    // The change-date text of each entry of projects_, worked out when read.
    std::vector<QString> dateTexts_;
    // Indexes into projects_ of the rows shown.
    std::vector<std::size_t> visible_;
    // Decoded pictures by project version; failures are not kept, so a clip that
    // comes back shows the next time the library is shown.
    QHash<QString, QImage> thumbnails_;
    std::set<QString> pendingThumbnails_;
};

} // namespace kestrune
