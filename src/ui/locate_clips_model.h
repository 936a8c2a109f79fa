// "Locate…" on the missing-clips bar: the user points at the file of the first
// missing clip; a file that does not look like the recorded one is confirmed
// first; then its folder is searched for the other missing clips, and every
// file found is relinked as one step. Also the bar's note on how it went.
#pragma once

#include "editing/clip_finder.h"

#include <optional>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

class ProjectViewModel;

class LocateClipsModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject* projectVM READ projectVM WRITE setProjectVM NOTIFY projectVMChanged)
    // The file panel's title: "Locate “day1.mp4”".
    Q_PROPERTY(QString panelTitle READ panelTitle NOTIFY stateChanged)
    // Where the file panel opens: the clip's old folder, or the nearest folder
    // above it that is still there.
    Q_PROPERTY(QUrl startFolder READ startFolder NOTIFY stateChanged)
    // While a chosen file waits for the user's word: "This file is 1:02 long; the
    // clip was 1:05. Use it anyway?".
    Q_PROPERTY(QString question READ question NOTIFY stateChanged)
    // Reading the chosen file or searching its folder.
    Q_PROPERTY(bool busy READ busy NOTIFY stateChanged)
    // How the last relink went, for the bar: a file that could not be used, a
    // trim shortened to fit; empty when there is nothing to say.
    Q_PROPERTY(QString message READ message WRITE setMessage NOTIFY stateChanged)

public:
    explicit LocateClipsModel(QObject* parent = nullptr);

    QObject* projectVM() const;
    void setProjectVM(QObject* projectVM);
    QString panelTitle() const { return panelTitle_; }
    QUrl startFolder() const { return startFolder_; }
    QString question() const { return question_; }
    bool busy() const { return reading_ || finder_.isSearching(); }
    QString message() const { return message_; }
    void setMessage(const QString& message);

    // Takes the first missing clip as the one to locate; false when none is missing.
    Q_INVOKABLE bool begin();
    // The file the user chose for it, read in the background.
    Q_INVOKABLE void choose(const QUrl& file);
    // The answer to `question`.
    Q_INVOKABLE void answer(bool useIt);

signals:
    void projectVMChanged();
    void stateChanged();

private:
    void chosenFileRead(const QString& path, const std::optional<RelinkFile>& file,
                        const QString& error);
    // Relinks the chosen file and looks for the other missing clips beside it.
    void accept(RelinkFile file);
    void searchFinished(const ClipSearchResult& result);

    QPointer<ProjectViewModel> projectVM_;
    ClipFinder finder_;
    std::optional<Uuid> clipId_;
    QString panelTitle_;
    QUrl startFolder_;
    QString question_;
    bool reading_ = false;
    QString message_;
    // The chosen file while the question is asked, then while its folder is searched.
    std::optional<RelinkFile> chosen_;
};

} // namespace kestrune
