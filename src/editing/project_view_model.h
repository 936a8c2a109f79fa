// The open project as the editor sees and changes it: the editing operations,
// all made through one edit path that keeps the undo history, and the debounced
// automatic save. The clips' files and thumbnails, and the reading of imported
// files, are ClipMedia's. Lives on the main thread.
#pragma once

#include "clip_finder.h"
#include "clip_list_model.h"
#include "clip_media.h"
#include "edit_history.h"
#include "model/project.h"
#include "model/project_store.h"
#include "project_edit.h"
#include "proxy_scheduler.h"
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
    // "Keep with clips" in the sections panel.
    Q_PROPERTY(bool keepSectionsWithClips READ keepSectionsWithClips WRITE setKeepSectionsWithClips
                   NOTIFY keepSectionsWithClipsChanged)
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
    // The name of the file the import error is about; empty when it names none.
    Q_PROPERTY(QString importErrorFile READ importErrorFile NOTIFY importErrorChanged)
    // Empty when no clip is being trimmed.
    Q_PROPERTY(QString trimmingClipId READ trimmingClipIdText WRITE setTrimmingClipIdText NOTIFY
                   trimmingClipIdChanged)
    // The theme's colours by their field names, for the views that draw the sidebar.
    Q_PROPERTY(QVariantMap themeColors READ themeColors NOTIFY themeChanged)
    Q_PROPERTY(bool autosavePending READ autosavePending NOTIFY autosavePendingChanged)
    Q_PROPERTY(int importsInProgress READ importsInProgress NOTIFY importsInProgressChanged)
    // The Edit menu: "Undo Delete Clip", or "Undo" alone when there is nothing to undo.
    // The clips whose file cannot be found: how many, and the bar's text, "2 clips
    // can't be found" (empty when none).
    Q_PROPERTY(int missingClipCount READ missingClipCount NOTIFY clipPathsChanged)
    Q_PROPERTY(QString missingClipsText READ missingClipsText NOTIFY clipPathsChanged)
    // The search for moved files that runs when a project opens.
    Q_PROPERTY(bool searchingForClips READ searchingForClips NOTIFY searchingForClipsChanged)
    Q_PROPERTY(bool canUndo READ canUndo NOTIFY historyChanged)
    Q_PROPERTY(bool canRedo READ canRedo NOTIFY historyChanged)
    Q_PROPERTY(QString undoText READ undoText NOTIFY historyChanged)
    Q_PROPERTY(QString redoText READ redoText NOTIFY historyChanged)

public:
    static constexpr int kAutosaveDelayMs = 300;
    static constexpr double kThumbnailTime = ClipMedia::kThumbnailTime;

    // Starts with a fresh "Untitled Project"; saves go to `store`, which must
    // outlive the model.
    explicit ProjectViewModel(const ProjectStore& store = ProjectStore::standard(),
                              QObject* parent = nullptr);
    ~ProjectViewModel() override;

    const Project& project() const { return project_; }
    // The project's clip `id`, or null when it has none (any more).
    const VideoClip* findClip(const Uuid& id) const;
    // Replaces the project whole, as the shell does right after construction
    // before restoreFileAccess(). Neither touches nor saves it; its history starts
    // empty.
    void setProject(Project project);

    // Clip id → the location of its source file, for clips whose file is found.
    const std::map<Uuid, QString>& clipPaths() const { return media_.paths(); }
    // Makes the preview proxies of the clip files; tests set its cache and rule.
    ProxyScheduler& proxies() { return proxies_; }
    const std::map<Uuid, QImage>& thumbnails() const { return media_.thumbnails(); }
    const EditHistory& history() const { return history_; }

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
    // kind; the rename alone does not touch the project or schedule one. Each
    // editing of the field is one undo step, made by commitName().
    void setName(const QString& name);
    // The name field is done with (Return, or it lost the keyboard): the names
    // it went through since the last commit become one step.
    Q_INVOKABLE void commitName();
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
    int importsInProgress() const { return media_.importsInProgress(); }
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    QString undoText() const;
    QString redoText() const;

    // Adds the video file at `path` as the last clip once its metadata and thumbnail
    // are read (in the background). Failures end in importError; importFinished
    // tells either way.
    Q_INVOKABLE void importVideo(const QString& path);
    Q_INVOKABLE void importVideoUrl(const QUrl& url) { importVideo(url.toLocalFile()); }
    // Files picked or dropped together: the clips they add are one undo step
    // while no other edit comes between them.
    Q_INVOKABLE void importVideoUrls(const QList<QUrl>& urls);

    // Locates the files of a loaded project's clips, drops sections past the end
    // of the project, and looks for the files that are gone in the background
    // (automaticSearchFolders): what is found is relinked as one step.
    Q_INVOKABLE void restoreFileAccess();
    // The clips whose file cannot be found, in the project's order.
    std::vector<Uuid> missingClipIds() const;
    int missingClipCount() const { return static_cast<int>(missingClipIds().size()); }
    QString missingClipsText() const;
    bool searchingForClips() const { return finder_.isSearching(); }
    // Points clips at the files found for them, as one step ("Relink Clips").
    // Returns the file names of the clips whose trim had to be shortened to fit.
    QStringList relinkClips(const std::vector<ClipSearchResult::Match>& found);
    // Drops a pending automatic save and forgets every located file.
    Q_INVOKABLE void releaseFileAccess();

    Q_INVOKABLE void removeClip(const QString& clipId);
    void removeClip(const Uuid& id);
    Q_INVOKABLE void moveClip(int from, int to);
    // trimOut absent: to the end of the clip. Taken as given. The changes of one
    // clip's points are one undo step until closeStep().
    void updateTrim(const Uuid& clipId, double trimIn, std::optional<double> trimOut);
    // From QML: a negative trimOut means to the end of the clip.
    Q_INVOKABLE void updateTrim(const QString& clipId, double trimIn, double trimOut);
    // Back to the whole clip, as a step of its own.
    void resetTrim(const Uuid& clipId);
    Q_INVOKABLE void refreshThumbnail(const QString& clipId);
    void refreshThumbnail(const Uuid& clipId);
    Q_INVOKABLE void addSection(const QString& title, const QString& subtitle, double startTime);
    void updateSection(const Uuid& id, const QString& title, const QString& subtitle,
                       double startTime);
    Q_INVOKABLE void updateSection(const QString& id, const QString& title, const QString& subtitle,
                                   double startTime);
    void deleteSection(const Uuid& id);
    Q_INVOKABLE void deleteSection(const QString& id);
    // Sections made elsewhere (one per clip, or read from a chapter list) as one
    // step: in place of the project's sections, or added to them.
    void putSections(const std::string& action, std::vector<Section> sections, bool replace);
    // "From Clips": one section per clip, titled with its file name.
    Q_INVOKABLE void addSectionsFromClips(bool replace);
    bool keepSectionsWithClips() const { return project_.keepSectionsWithClips; }
    void setKeepSectionsWithClips(bool keep);
    void setSidebarOverlay(bool overlay);
    void setTheme(const SidebarTheme& theme);
    // A change of the one colour `field`: changes of the same colour in a row
    // are one undo step until closeStep().
    void setThemeColor(const SidebarTheme& theme, const std::string& field);
    QVariantMap themeColors() const;

    // The edit path: every change of the document the user makes goes through
    // here. Applies the change, keeps the project's rules, stamps it, records the
    // undo step when the document changed, tells the views and schedules the
    // automatic save. Returns whether the edit applied.
    bool edit(const ProjectEdit& edit);
    // The edits gathered into the last step (a trim, one colour typed) are done.
    Q_INVOKABLE void closeStep();
    // Every undo and redo is an edit of its own: stamped and saved.
    Q_INVOKABLE void undo();
    Q_INVOKABLE void redo();

    // Saves the project 300 ms after the last call, as it is then. Does nothing for
    // a project without clips that has no file yet.
    void scheduleAutosave();
    // Drops the pending automatic save and writes the project at once when it has
    // clips or a file. Returns whether a file was written.
    Q_INVOKABLE bool saveNow();

signals:
    void projectChanged();
    void projectIdChanged();
    void nameChanged();
    void sidebarOverlayChanged();
    void keepSectionsWithClipsChanged();
    void clipCountChanged();
    void totalDurationChanged();
    void themeChanged();
    void clipPathsChanged();
    void thumbnailsChanged();
    // A clip's preview proxy became ready: the preview plays it from now on.
    void previewFilesChanged();
    void showFileImporterChanged();
    void showExportDialogChanged();
    void importErrorChanged();
    void trimmingClipIdChanged();
    void autosavePendingChanged();
    void importsInProgressChanged();
    void historyChanged();
    void searchingForClipsChanged();
    // One import of importVideo() ended; `clipId` is empty when it failed.
    void importFinished(const QString& path, const QString& clipId);
    // The automatic save wrote the project (or tried to: `written` is false when
    // the store could not).
    void autosaved(bool written);

private:
    // Whether the project has clips or already has a file to keep up to date.
    bool worthSaving() const;
    QString importErrorText() const { return importError_.value_or(QString()); }
    QString importErrorFile() const { return importError_ ? importErrorFile_ : QString(); }
    void setImportErrorText(const QString& text);
    QString trimmingClipIdText() const;
    void setTrimmingClipIdText(const QString& text);

    std::uint64_t startBatch(std::string action, std::vector<QString> files);
    // Where in `clips` the clip read from `path` goes: before the clips its batch
    // made of later files, or at the end.
    std::size_t placeInBatch(std::uint64_t batch, const QString& path, const Uuid& clipId,
                             const std::vector<VideoClip>& clips);
    void addImportedClip(const QString& path, std::uint64_t batch, const VideoClip& clip);
    void failImport(const QString& path, std::uint64_t batch, const QString& message);
    // The step name of `batch`, forgotten once its last file is read.
    std::string finishBatchFile(std::uint64_t batch);
    void relinkFound(const ClipSearchResult& result);
    // Finds again the files of the clips of project_ that `before` had under
    // another reference, and of those it did not have when `newClipsToo`.
    void locateChangedClips(const Project& before, double thumbnailTime, bool newClipsToo);
    // Shows `project`, the document an undo or redo goes back or forward to.
    void restore(Project project);
    void touch();
    // Views learn about a change of project_ from `before`.
    void publish(const Project& before);
    void syncClipRows();
    // Hands the located clip files to the proxy scheduler.
    void updateProxyFiles();
    void setAutosaveRunning(bool start);
    void autosaveFired();

    const ProjectStore& store_;
    Project project_;
    ClipMedia media_;
    // Preview proxies of the located files.
    ProxyScheduler proxies_;
    ClipFinder finder_;
    EditHistory history_;
    // The name before the name field's current editing; none while it is not edited.
    std::optional<std::string> nameBeforeEditing_;
    std::uint64_t lastImportBatch_ = 0;
    // The import batches still running: their step name and files still being read.
    struct ImportBatch {
        std::string action;
        int pending = 0;
        // The batch's files in the order given, and the clip each became once read:
        // the clips take that order, whichever file is read first.
        std::vector<QString> files;
        std::vector<std::optional<Uuid>> clips;
    };
    std::map<std::uint64_t, ImportBatch> importBatches_;
    bool showFileImporter_ = false;
    bool showExportDialog_ = false;
    std::optional<QString> importError_;
    QString importErrorFile_;
    std::optional<Uuid> trimmingClipId_;
    QTimer autosaveTimer_;
    ClipListModel clipModel_;
    SectionListModel sectionModel_;
};

} // namespace kestrune
