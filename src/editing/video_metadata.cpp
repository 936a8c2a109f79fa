#include "video_metadata.h"

#include "media/color_space.h"
#include "media/frame_scaler.h"
#include "media/media_error.h"
#include "media/media_file.h"
#include "media/video_frame_reader.h"

#include <algorithm>
#include <cmath>
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
    } catch (const MediaError& error) {
        throw VideoMetadataError(error.what());
    }
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    metadata.fileSize = error ? 0 : static_cast<std::int64_t>(size);
    return metadata;
}

QSize fittedThumbnailSize(int width, int height) {
    if (width <= 0 || height <= 0)
        return {};
    const double scale =
        std::min({1.0, double(kThumbnailMaxWidth) / width, double(kThumbnailMaxHeight) / height});
    return {std::max(1, static_cast<int>(std::lround(width * scale))),
            std::max(1, static_cast<int>(std::lround(height * scale)))};
}

QImage makeThumbnail(const std::string& path, double seconds) {
    try {
        // Very early frames are often black fades; a tenth of a second in shows the scene.
        const MediaTime start = MediaTime::fromSeconds(std::max(seconds, 0.1), 600);
        // Open-ended: the reader hands out the frame on screen at `start` first.
        VideoFrameReader reader(path, start, MediaTime{std::int64_t{1} << 40, 1});
        auto decoded = reader.next();
        if (!decoded)
            return {};
        const QSize size =
            fittedThumbnailSize(reader.file().displayWidth(), reader.file().displayHeight());
        if (size.isEmpty())
            return {};
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        // The scaler writes straight into the image's pixels: BGRA in memory is
        // ARGB32 on little-endian machines.
        FramePtr target = makeFrame();
        target->format = AV_PIX_FMT_BGRA;
        target->width = size.width();
        target->height = size.height();
        target->data[0] = image.bits();
        target->linesize[0] = static_cast<int>(image.bytesPerLine());
        FrameScaler scaler;
        const bool drawn =
            scaler.scaleInto(*decoded->frame, reader.colorSpace(), reader.file().rotation(),
                             *target, PixelRect{0, 0, size.width(), size.height()});
        return drawn ? image : QImage();
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace kestrune
