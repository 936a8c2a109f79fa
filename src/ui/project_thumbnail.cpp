#include "project_thumbnail.h"

#include "editing/video_metadata.h"
#include "model/file_reference.h"
#include "model/project_json.h"

#include <algorithm>
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
    const auto first =
        std::min_element(project.clips.begin(), project.clips.end(),
                         [](const VideoClip& a, const VideoClip& b) { return a.order < b.order; });
    if (!first->bookmarkData)
        return {};
    const auto reference = FileReference::decode(*first->bookmarkData);
    if (!reference)
        return {};
    const auto resolved = reference->resolve();
    if (!resolved)
        return {};
    return makeThumbnail(resolved->path, first->trimIn);
}

} // namespace kestrune
