#include "project_thumbnail.h"

#include "editing/video_metadata.h"
#include "model/file_reference.h"
#include "model/project_json.h"

#include <string_view>

#include <QFile>

namespace kestrune {

QImage projectThumbnail(const QString& projectFilePath) {
    QFile file(projectFilePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    Project project;
    try {
        project = decodeProject(std::string_view(bytes.constData(), bytes.size()));
    } catch (const DocumentError&) {
        return {};
    }
    if (project.clips.empty())
        return {};
    const VideoClip first = project.clipsInOrder().front();
    const auto location = locateClip(first);
    if (!location || !location->found)
        return {};
    return makeThumbnail(location->path, first.trimIn);
}

} // namespace kestrune
