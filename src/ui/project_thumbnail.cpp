#include "project_thumbnail.h"

#include "editing/video_metadata.h"
#include "model/file_reference.h"
#include "model/project_file.h"
#include "model/project_json.h"

namespace kestrune {

QImage projectThumbnail(const QString& projectFilePath) {
    Project project;
    try {
        project = decodeProject(readProjectFile(projectFilePath));
    } catch (const ProjectFileError&) {
        return {};
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
