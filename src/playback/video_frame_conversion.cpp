#include "video_frame_conversion.h"

#include "media/color_space.h"

#include <QVideoFrameFormat>

namespace kestrune {

namespace {

// The size a `width` × `height` picture turned by `rotation` is converted at to
// be shown in `displaySize`: its own when that is empty or large enough,
// otherwise the largest that fits, with the picture's proportions.
QSize convertedSize(int width, int height, int rotation, QSize displaySize) {
    const QSize stored(width, height);
    if (displaySize.isEmpty())
        return stored;
    // The bound as the picture is stored: a quarter turn swaps its sides.
    if ((rotation % 180 + 180) % 180 == 90)
        displaySize.transpose();
    if (width <= displaySize.width() && height <= displaySize.height())
        return stored;
    return stored.scaled(displaySize, Qt::KeepAspectRatio).expandedTo({1, 1});
}

} // namespace

QVideoFrame VideoFrameConverter::convert(const AVFrame& picture, int rotation, QSize displaySize) {
    if (!picture.data[0] || picture.width <= 0 || picture.height <= 0)
        return {};
    const QSize size = convertedSize(picture.width, picture.height, rotation, displaySize);
    QVideoFrame frame(QVideoFrameFormat(size, QVideoFrameFormat::Format_BGRA8888));
    if (!frame.map(QVideoFrame::WriteOnly))
        return {};
    // The mapped pixels, as the scaler's destination.
    AVFrame pixels{};
    pixels.format = AV_PIX_FMT_BGRA;
    pixels.width = size.width();
    pixels.height = size.height();
    pixels.data[0] = frame.bits(0);
    pixels.linesize[0] = frame.bytesPerLine(0);
    const bool drawn =
        frame.mappedBytes(0) >= pixels.linesize[0] * size.height() &&
        scaler_.scaleInto(picture,
                          sourceColorSpace(picture.colorspace, picture.width, picture.height), 0,
                          pixels, {0, 0, size.width(), size.height()});
    frame.unmap();
    if (!drawn)
        return {};
    rotation = (rotation % 360 + 360) % 360;
    if (rotation % 90 == 0)
        frame.setRotationAngle(static_cast<QVideoFrame::RotationAngle>(rotation));
    return frame;
}

} // namespace kestrune
