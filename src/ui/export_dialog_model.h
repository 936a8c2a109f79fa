// What the export dialog shows and does: the codec and quality chosen, the output
// size, which content follows the coordinator's state, and the start of an export
// (check the clip files, ask where to save, build the job, hand it to the
// coordinator). The view answers saveLocationRequested with its save panel.
#pragma once

#include "export/chapter_list.h"
#include "export/export_request.h"
#include "export/export_settings.h"

#include <optional>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

class ExportCoordinator;
class ProjectViewModel;

class ExportDialogModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject* projectVM READ projectVM WRITE setProjectVM NOTIFY projectVMChanged)
    Q_PROPERTY(QObject* exportCoordinator READ exportCoordinator WRITE setExportCoordinator NOTIFY
                   exportCoordinatorChanged)
    // The display names, "H.264" and "High" when the dialog opens.
    Q_PROPERTY(QString codec READ codecName WRITE setCodecName NOTIFY codecChanged)
    Q_PROPERTY(QString quality READ qualityName WRITE setQualityName NOTIFY qualityChanged)
    Q_PROPERTY(QStringList codecNames READ codecNames CONSTANT)
    Q_PROPERTY(QStringList qualityNames READ qualityNames CONSTANT)
    Q_PROPERTY(Content content READ content NOTIFY contentChanged)
    // "Output: 1920 × 1080".
    Q_PROPERTY(QString outputSizeText READ outputSizeText NOTIFY outputSizeTextChanged)
    // The clip files are being checked; the start button waits.
    Q_PROPERTY(bool isValidating READ isValidating NOTIFY isValidatingChanged)
    // The save panel is asked for and not yet answered.
    Q_PROPERTY(bool isChoosingSaveLocation READ isChoosingSaveLocation NOTIFY
                   isChoosingSaveLocationChanged)
    // What the save panel proposes and lets the user pick, for the chosen codec.
    Q_PROPERTY(QUrl proposedSaveFile READ proposedSaveFile NOTIFY codecChanged)
    Q_PROPERTY(QStringList saveNameFilters READ saveNameFilters NOTIFY codecChanged)
    Q_PROPERTY(QString defaultSuffix READ defaultSuffix NOTIFY codecChanged)
    // The exported project has chapters to copy.
    Q_PROPERTY(bool hasChapters READ hasChapters NOTIFY chaptersChanged)
    // Why YouTube would not take the chapter list as chapters; empty when it would.
    Q_PROPERTY(QString chaptersNote READ chaptersNote NOTIFY chaptersChanged)
    Q_PROPERTY(bool chaptersCopied READ chaptersCopied NOTIFY chaptersCopiedChanged)
    // Why "Show in Folder" showed nothing; empty when it did or was not asked.
    Q_PROPERTY(QString showInFolderError READ showInFolderError NOTIFY showInFolderErrorChanged)

public:
    // What the dialog shows, by the coordinator's state, in this order of precedence.
    enum Content { Settings, Progress, Completion, Error };
    Q_ENUM(Content)

    using QObject::QObject;

    QObject* projectVM() const;
    void setProjectVM(QObject* projectVM);
    QObject* exportCoordinator() const;
    void setExportCoordinator(QObject* coordinator);

    ExportCodec codec() const { return codec_; }
    void setCodec(ExportCodec codec);
    ExportQuality quality() const { return quality_; }
    void setQuality(ExportQuality quality);
    QString codecName() const;
    // Names no codec or quality lists are ignored.
    void setCodecName(const QString& name);
    QString qualityName() const;
    void setQualityName(const QString& name);
    static QStringList codecNames();
    static QStringList qualityNames();

    Content content() const;
    static Content contentFor(const ExportCoordinator& coordinator);
    QString outputSizeText() const { return outputSizeText_; }
    bool isValidating() const { return validatingRequest_.has_value(); }
    bool isChoosingSaveLocation() const { return awaitingSaveLocation_.has_value(); }
    QUrl proposedSaveFile() const;
    QStringList saveNameFilters() const;
    QString defaultSuffix() const;
    bool hasChapters() const { return !chapters().empty(); }
    QString chaptersNote() const;
    bool chaptersCopied() const { return chaptersCopied_; }
    QString showInFolderError() const { return showInFolderError_; }

    // The dialog opens: H.264 and High again, nothing copied yet.
    Q_INVOKABLE void resetChoices();
    // "Start Export": checks the clip files in the background; on success asks
    // for the save location (saveLocationRequested), otherwise shows the problem
    // through the coordinator's error.
    Q_INVOKABLE void startExport();
    // The save panel's answers.
    Q_INVOKABLE void saveLocationChosen(const QUrl& url);
    Q_INVOKABLE void saveLocationCancelled();
    // The close button and Escape: cancels a running export, otherwise clears
    // the last outcome; a start not yet handed to the coordinator is dropped.
    Q_INVOKABLE void close();
    // "Cancel" while running.
    Q_INVOKABLE void cancelExport();
    // "Done" and "Try Again": back to the settings form, the choices kept.
    Q_INVOKABLE void reset();
    // "Show in Folder": the written file in the desktop's file manager.
    Q_INVOKABLE void showInFolder();
    // "Copy Chapters": the exported project's chapters as YouTube reads them.
    Q_INVOKABLE void copyChapters();
    // The text copyChapters() puts on the clipboard.
    QString chaptersText() const;

signals:
    void projectVMChanged();
    void exportCoordinatorChanged();
    void codecChanged();
    void qualityChanged();
    void contentChanged();
    void outputSizeTextChanged();
    void isValidatingChanged();
    void isChoosingSaveLocationChanged();
    void chaptersChanged();
    void chaptersCopiedChanged();
    void showInFolderErrorChanged();
    // The view opens its save panel and answers with saveLocationChosen or
    // saveLocationCancelled.
    void saveLocationRequested();

private:
    void validationFinished(int request, const CheckedClips& checked);
    void updateContent();
    void updateOutputSize();
    void setValidatingRequest(std::optional<int> request);
    void setAwaitingSaveLocation(std::optional<CheckedClips> ready);
    void setExportedChapters(std::optional<std::vector<Chapter>> chapters);
    void setChaptersCopied(bool copied);
    void setShowInFolderError(const QString& error);
    // The copied mark and a failed "Show in Folder" belong to one finished export.
    void clearCompletionFeedback();
    void failBeforeStart(const std::string& error);
    // Forgets a start that is still checking files or waiting for the save panel.
    void dropPendingStart();
    std::vector<Chapter> chapters() const;

    QPointer<ProjectViewModel> projectVM_;
    QPointer<ExportCoordinator> coordinator_;
    QMetaObject::Connection projectConnection_;
    QMetaObject::Connection overlayConnection_;
    std::vector<QMetaObject::Connection> coordinatorConnections_;
    ExportCodec codec_ = ExportCodec::h264;
    ExportQuality quality_ = ExportQuality::high;
    Content content_ = Settings;
    QString outputSizeText_ = tr("Output: %1 × %2").arg(0).arg(0);
    // Every start gets a number; a check whose number is no longer awaited is dropped.
    int nextRequest_ = 0;
    std::optional<int> validatingRequest_;
    // The checked clips of the project being exported, waiting for a location.
    std::optional<CheckedClips> awaitingSaveLocation_;
    // The chapters of the last export started here.
    std::optional<std::vector<Chapter>> exportedChapters_;
    bool chaptersCopied_ = false;
    QString showInFolderError_;
};

} // namespace kestrune
