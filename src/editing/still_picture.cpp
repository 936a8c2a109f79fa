#include "still_picture.h"

#include "media/proxy_cache.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace kestrune {

QSize fittedSize(int width, int height, QSizeF box) {
    if (width <= 0 || height <= 0)
        return {};
    const double scale = std::min({1.0, box.width() / width, box.height() / height});
    // A box of 88.89 points holds 88 whole pixels, not the 89 rounding would give.
    auto side = [scale](int length, double limit) {
        const long rounded = std::lround(length * scale);
        return std::max(1, static_cast<int>(std::min<double>(rounded, std::floor(limit))));
    };
    return {side(width, box.width()), side(height, box.height())};
}

QImage drawStillPicture(const AVFrame& frame, const VideoFrameReader& reader, QSizeF box,
                        FrameScaler& scaler) {
    const QSize size = fittedSize(reader.file().displayWidth(), reader.file().displayHeight(), box);
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
    const bool drawn = scaler.scaleInto(frame, reader.colorSpace(), reader.file().rotation(),
                                        *target, PixelRect{0, 0, size.width(), size.height()});
    return drawn ? image : QImage();
}

QImage decodeStillPicture(const std::string& path, MediaTime time, QSizeF box) {
    try {
        // Open-ended: the reader hands out the frame on screen at `time` first. A
        // proxy has the same frames at the same times, upright, and decodes faster.
        VideoFrameReader reader(previewFile(path), time, MediaTime{std::int64_t{1} << 40, 1},
                                DamagedMedia::tolerate);
        auto decoded = reader.next();
        if (!decoded)
            return {};
        FrameScaler scaler;
        return drawStillPicture(*decoded->frame, reader, box, scaler);
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace kestrune
