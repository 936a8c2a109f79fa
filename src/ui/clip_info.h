// One clip of the open project looked up by id, for the views that work on a
// single clip (the clip being trimmed): whether it is there, its file and its
// trim points. Follows the project's changes.
#pragma once

#include "editing/project_view_model.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

class ClipInfo : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(kestrune::ProjectViewModel* projectVM READ projectVM WRITE setProjectVM NOTIFY
                   projectVMChanged)
    Q_PROPERTY(QString clipId READ clipId WRITE setClipId NOTIFY clipIdChanged)
    // The project has a clip with that id.
    Q_PROPERTY(bool exists READ exists NOTIFY clipChanged)
    Q_PROPERTY(QString fileName READ fileName NOTIFY clipChanged)
    // Where the clip's file was found; empty while it is not located.
    Q_PROPERTY(QString filePath READ filePath NOTIFY clipChanged)
    Q_PROPERTY(double duration READ duration NOTIFY clipChanged)
    Q_PROPERTY(double trimIn READ trimIn NOTIFY clipChanged)
    // Undefined when the clip plays to its end.
    Q_PROPERTY(QVariant trimOut READ trimOut NOTIFY clipChanged)
public:
    using QObject::QObject;

    ProjectViewModel* projectVM() const { return projectVM_; }
    void setProjectVM(ProjectViewModel* model);
    const QString& clipId() const { return clipId_; }
    void setClipId(const QString& id);

    bool exists() const { return clip_.has_value(); }
    QString fileName() const;
    const QString& filePath() const { return filePath_; }
    double duration() const { return clip_ ? clip_->duration : 0; }
    double trimIn() const { return clip_ ? clip_->trimIn : 0; }
    QVariant trimOut() const;

signals:
    void projectVMChanged();
    void clipIdChanged();
    void clipChanged();

private:
    void update();

    QPointer<ProjectViewModel> projectVM_;
    QMetaObject::Connection projectConnection_;
    QMetaObject::Connection filesConnection_;
    QString clipId_;
    std::optional<VideoClip> clip_;
    QString filePath_;
};

} // namespace kestrune
