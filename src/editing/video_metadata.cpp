#include "video_metadata.h"

#include "media/media_error.h"
#include "media/media_file.h"
#include "model/project.h"
#include "still_picture.h"

#include <algorithm>
#include <filesystem>

namespace kestrune {

VideoMetadata loadVideoMetadata(const std::string& path) {
    VideoMetadata metadata;
    try {
        const MediaFile file(path);
        if (!file.hasVideo())
            throw VideoMetadataError("No video track found");
        metadata.width = file.displayWidth();
        metadata.height = file.displayHeight();
        metadata.duration = file.duration().seconds();
        metadata.frameRate = file.averageFrameRate();
    } catch (const MediaError& error) {
        throw VideoMetadataError(error.what());
    }
    // A project holding such a clip could not be read back after its next save.
    if (metadata.width < 1 || metadata.height < 1 || metadata.width > kMaxVideoSide ||
        metadata.height > kMaxVideoSide)
        throw VideoMetadataError("The video's picture size (" + std::to_string(metadata.width) +
                                 " × " + std::to_string(metadata.height) +
                                 ") is not one Kestrune can use");
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    metadata.fileSize = error ? 0 : static_cast<std::int64_t>(size);
    return metadata;
}

QSize fittedThumbnailSize(int width, int height) {
    return fittedSize(width, height, QSizeF(kThumbnailMaxWidth, kThumbnailMaxHeight));
}

QImage makeThumbnail(const std::string& path, double seconds) {
    // Very early frames are often black fades; a tenth of a second in shows the scene.
    return decodeStillPicture(path, MediaTime::fromSeconds(std::max(seconds, 0.1), 600),
                              QSizeF(kThumbnailMaxWidth, kThumbnailMaxHeight));
}

} // namespace kestrune
