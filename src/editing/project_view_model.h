// The open project as the editor sees and changes it: imports of source files,
// the located files and thumbnails of its clips, the editing operations, and the
// debounced automatic save. Lives on the main thread; file reading and decoding
// run on worker threads and come back through queued results.
#pragma once

#include "clip_list_model.h"
#include "model/project.h"
#include "model/project_store.h"
#include "section_list_model.h"

#include <map>
#include <optional>

#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

namespace kestrune {

class ProjectViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString projectId READ projectId NOTIFY projectIdChanged)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(bool sidebarOverlay READ sidebarOverlay WRITE setSidebarOverlay NOTIFY
                   sidebarOverlayChanged)
    Q_PROPERTY(int clipCount READ clipCount NOTIFY clipCountChanged)
    Q_PROPERTY(double totalDuration READ totalDuration NOTIFY totalDurationChanged)
    Q_PROPERTY(kestrune::ClipListModel* clips READ clips CONSTANT)
    Q_PROPERTY(kestrune::SectionListModel* sections READ sections CONSTANT)
    Q_PROPERTY(bool showFileImporter READ showFileImporter WRITE setShowFileImporter NOTIFY
                   showFileImporterChanged)
    Q_PROPERTY(bool showExportDialog READ showExportDialog WRITE setShowExportDialog NOTIFY
                   showExportDialogChanged)
    // Empty when there is no error to show.
    Q_PROPERTY(
        QString importError READ importErrorText WRITE setImportErrorText NOTIFY importErrorChanged)
    // Empty when no clip is being trimmed.
    Q_PROPERTY(QString trimmingClipId READ trimmingClipIdText WRITE setTrimmingClipIdText NOTIFY
                   trimmingClipIdChanged)
    // The theme's colours by their field names, for the views that draw the sidebar.
    Q_PROPERTY(QVariantMap themeColors READ themeColors NOTIFY themeChanged)
    Q_PROPERTY(bool autosavePending READ autosavePending NOTIFY autosavePendingChanged)
    Q_PROPERTY(int importsInProgress READ importsInProgress NOTIFY importsInProgressChanged)

public:
    static constexpr int kAutosaveDelayMs = 300;
    static constexpr double kThumbnailTime = 0.1;

    // Starts with a fresh "Untitled Project"; saves go to `store`, which must
    // outlive the model.
    explicit ProjectViewModel(const ProjectStore& store = ProjectStore::standard(),
                              QObject* parent = nullptr);
    ~ProjectViewModel() override;

    const Project& project() const { return project_; }
    // Replaces the project whole, as the shell does right after construction
    // before restoreFileAccess(). Neither touches nor saves it.
    void setProject(Project project);

    // Clip id → the location of its source file, for clips whose file is found.
    const std::map<Uuid, QString>& clipPaths() const { return clipPaths_; }
    const std::map<Uuid, QImage>& thumbnails() const { return thumbnails_; }

    // Fields the views set directly.
    bool showFileImporter() const { return showFileImporter_; }
    void setShowFileImporter(bool show);
    bool showExportDialog() const { return showExportDialog_; }
    void setShowExportDialog(bool show);
    const std::optional<QString>& importError() const { return importError_; }
    void setImportError(std::optional<QString> error);
    const std::optional<Uuid>& trimmingClipId() const { return trimmingClipId_; }
    void setTrimmingClipId(std::optional<Uuid> id);

    QString projectId() const { return QString::fromStdString(project_.id.toString()); }
    QString name() const { return QString::fromStdString(project_.name); }
    // The header's name field: the new name goes out with the next save of any
    // kind; the rename alone does not touch the project or schedule one.
    void setName(const QString& name);
    // A rename made outside the editor, in the library, which has already written
    // it to the stored file: the model takes the name and a change date no older
    // than the file's, so its next save neither undoes the rename nor dates the
    // project back.
    void adoptRename(const QString& name);
    bool sidebarOverlay() const { return project_.sidebarOverlay; }
    int clipCount() const { return static_cast<int>(project_.clips.size()); }
    double totalDuration() const { return project_.totalDuration(); }
    ClipListModel* clips() { return &clipModel_; }
    SectionListModel* sections() { return &sectionModel_; }
    bool autosavePending() const { return autosaveTimer_.isActive(); }
    int importsInProgress() const { return importsInProgress_; }

    // Adds the video file at `path` as the last clip once its metadata and thumbnail
    // are read (in the background). Failures end in importError; importFinished
    // tells either way.
    Q_INVOKABLE void importVideo(const QString& path);
    Q_INVOKABLE void importVideoUrl(const QUrl& url) { importVideo(url.toLocalFile()); }

    // Locates the files of a loaded project's clips, reports the ones that are gone,
    // and drops sections past the end of the project.
    Q_INVOKABLE void restoreFileAccess();
    // Drops a pending automatic save and forgets every located file.
    Q_INVOKABLE void releaseFileAccess();

    Q_INVOKABLE void removeClip(const QString& clipId);
    void removeClip(const Uuid& id);
    Q_INVOKABLE void moveClip(int from, int to);
    // trimOut absent: to the end of the clip. Taken as given.
    void updateTrim(const Uuid& clipId, double trimIn, std::optional<double> trimOut);
    // From QML: a negative trimOut means to the end of the clip.
    Q_INVOKABLE void updateTrim(const QString& clipId, double trimIn, double trimOut);
    Q_INVOKABLE void refreshThumbnail(const QString& clipId);
    void refreshThumbnail(const Uuid& clipId);
    Q_INVOKABLE void addSection(const QString& title, const QString& subtitle, double startTime);
    void updateSection(const Uuid& id, const QString& title, const QString& subtitle,
                       double startTime);
    Q_INVOKABLE void updateSection(const QString& id, const QString& title, const QString& subtitle,
                                   double startTime);
    void deleteSection(const Uuid& id);
    Q_INVOKABLE void deleteSection(const QString& id);
    void setSidebarOverlay(bool overlay);
    void setTheme(const SidebarTheme& theme);
    QVariantMap themeColors() const;

    // Saves the project 300 ms after the last call, as it is then. Does nothing for
    // a project without clips.
    Q_INVOKABLE void scheduleAutosave();
    // Drops the pending automatic save and writes the project at once when it has
    // clips. Returns whether a file was written.
    Q_INVOKABLE bool saveNow();

signals:
    void projectChanged();
    void projectIdChanged();
    void nameChanged();
    void sidebarOverlayChanged();
    void clipCountChanged();
    void totalDurationChanged();
    void themeChanged();
    void clipPathsChanged();
    void thumbnailsChanged();
    void showFileImporterChanged();
    void showExportDialogChanged();
    void importErrorChanged();
    void trimmingClipIdChanged();
    void autosavePendingChanged();
    void importsInProgressChanged();
    // One import of importVideo() ended; `clipId` is empty when it failed.
    void importFinished(const QString& path, const QString& clipId);
    // The automatic save wrote the project (or tried to: `written` is false when
    // the store could not).
    void autosaved(bool written);

private:
    struct ImportResult;

    QString importErrorText() const { return importError_.value_or(QString()); }
    void setImportErrorText(const QString& text);
    QString trimmingClipIdText() const;
    void setTrimmingClipIdText(const QString& text);

    void finishImport(const QString& path, std::vector<std::uint8_t> bookmark,
                      const ImportResult& result);
    void failImport(const QString& path, const QString& message);
    // Decodes a thumbnail in the background and shows it if the clip is still there.
    void loadThumbnail(const Uuid& clipId, const QString& path, double seconds);
    void touch();
    // Views learn about a change of project_ from `before`.
    void publish(const Project& before);
    void syncClipRows();
    void setAutosaveRunning(bool start);
    void autosaveFired();

    const ProjectStore& store_;
    Project project_;
    std::map<Uuid, QString> clipPaths_;
    std::map<Uuid, QImage> thumbnails_;
    bool showFileImporter_ = false;
    bool showExportDialog_ = false;
    std::optional<QString> importError_;
    std::optional<Uuid> trimmingClipId_;
    int importsInProgress_ = 0;
    QTimer autosaveTimer_;
    ClipListModel clipModel_;
    SectionListModel sectionModel_;
};

} // namespace kestrune
