#include "video_frame_conversion.h"

#include "media/color_space.h"

#include <QVideoFrameFormat>

namespace kestrune {

QVideoFrame VideoFrameConverter::convert(const AVFrame& picture, int rotation) {
    if (!picture.data[0] || picture.width <= 0 || picture.height <= 0)
        return {};
    QVideoFrame frame(QVideoFrameFormat(QSize(picture.width, picture.height),
                                        QVideoFrameFormat::Format_BGRA8888));
    if (!frame.map(QVideoFrame::WriteOnly))
        return {};
    // The mapped pixels, as the scaler's destination.
    AVFrame pixels{};
    pixels.format = AV_PIX_FMT_BGRA;
    pixels.width = picture.width;
    pixels.height = picture.height;
    pixels.data[0] = frame.bits(0);
    pixels.linesize[0] = frame.bytesPerLine(0);
    const bool drawn =
        frame.mappedBytes(0) >= pixels.linesize[0] * picture.height &&
        scaler_.scaleInto(picture,
                          sourceColorSpace(picture.colorspace, picture.width, picture.height), 0,
                          pixels, {0, 0, picture.width, picture.height});
    frame.unmap();
    if (!drawn)
        return {};
    rotation = (rotation % 360 + 360) % 360;
    if (rotation % 90 == 0)
        frame.setRotationAngle(static_cast<QVideoFrame::RotationAngle>(rotation));
    return frame;
}

} // namespace kestrune
