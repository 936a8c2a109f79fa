#include "clip_relink.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace kestrune {

bool sameDuration(double recorded, double actual, double frameRate) {
    if (!std::isfinite(recorded) || !std::isfinite(actual))
        return false;
    const double frame =
        std::isfinite(frameRate) && frameRate > 0 ? 1.0 / frameRate : kFallbackFrameDuration;
    // The small slack keeps a difference of exactly one frame from failing on
    // the rounding of the two lengths.
    return std::abs(recorded - actual) <= frame + 1e-6;
}

std::string RelinkFile::fileName() const {
    return std::filesystem::path(reference.path).filename().string();
}

RelinkFile readRelinkFile(const std::string& path) {
    auto reference = FileReference::make(path);
    if (!reference)
        throw VideoMetadataError("Cannot read \"" + path + "\"");
    // Read through the reference's path, so the reference and the metadata tell
    // of the same file whatever the working folder is.
    VideoMetadata metadata = loadVideoMetadata(reference->path);
    metadata.fileSize = reference->size;
    return RelinkFile{std::move(*reference), metadata};
}

RecordComparison compareWithRecord(const VideoClip& clip, const RelinkFile& file) {
    return {file.fileName() == clip.fileName, file.metadata.fileSize == clip.fileSize,
            sameDuration(clip.duration, file.metadata.duration, file.metadata.frameRate)};
}

std::optional<RelinkOutcome> relinkClip(Project& project, const Uuid& clipId,
                                        const RelinkFile& file) {
    const auto clip = std::find_if(project.clips.begin(), project.clips.end(),
                                   [&](const VideoClip& c) { return c.id == clipId; });
    if (clip == project.clips.end())
        return std::nullopt;
    const VideoMetadata& metadata = file.metadata;
    clip->bookmarkData = file.reference.encode();
    clip->fileName = file.fileName();
    clip->fileSize = metadata.fileSize;
    clip->duration = metadata.duration;
    clip->width = metadata.width;
    clip->height = metadata.height;

    RelinkOutcome outcome;
    // A length of 0 means FFmpeg could not tell it; the export then plays what
    // is there, so the trim points are left as they are.
    const double end = metadata.duration;
    if (end <= 0)
        return outcome;
    if (clip->trimIn >= end) {
        clip->trimIn = 0;
        clip->trimOut = std::nullopt;
        outcome.trimClamped = true;
    } else if (clip->trimOut && *clip->trimOut > end) {
        clip->trimOut = end;
        outcome.trimClamped = true;
    }
    return outcome;
}

} // namespace kestrune
