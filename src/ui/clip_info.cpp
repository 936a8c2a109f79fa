#include "clip_info.h"

#include <algorithm>

namespace kestrune {

void ClipInfo::setProjectVM(ProjectViewModel* model) {
    if (model == projectVM_)
        return;
    disconnect(projectConnection_);
    disconnect(filesConnection_);
    projectVM_ = model;
    if (projectVM_) {
        projectConnection_ =
            connect(projectVM_, &ProjectViewModel::projectChanged, this, &ClipInfo::update);
        filesConnection_ =
            connect(projectVM_, &ProjectViewModel::clipPathsChanged, this, &ClipInfo::update);
    }
    emit projectVMChanged();
    update();
}

void ClipInfo::setClipId(const QString& id) {
    if (id == clipId_)
        return;
    clipId_ = id;
    emit clipIdChanged();
    update();
}

QString ClipInfo::fileName() const {
    return clip_ ? QString::fromStdString(clip_->fileName) : QString();
}

QVariant ClipInfo::trimOut() const {
    return clip_ && clip_->trimOut ? QVariant(*clip_->trimOut) : QVariant();
}

void ClipInfo::update() {
    std::optional<VideoClip> clip;
    QString path;
    const auto id = Uuid::parse(clipId_.toStdString());
    if (projectVM_ && id) {
        if (const VideoClip* found = projectVM_->findClip(*id)) {
            clip = *found;
            const auto file = projectVM_->clipPaths().find(*id);
            if (file != projectVM_->clipPaths().end())
                path = file->second;
        }
    }
    if (clip == clip_ && path == filePath_)
        return;
    clip_ = std::move(clip);
    filePath_ = std::move(path);
    emit clipChanged();
}

} // namespace kestrune
