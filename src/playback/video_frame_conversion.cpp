#include "video_frame_conversion.h"

#include "media/color_space.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstring>

namespace kestrune {

namespace {

bool isRgb(int format) {
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(format));
    return descriptor && (descriptor->flags & AV_PIX_FMT_FLAG_RGB);
}

// The Qt format a layout is handed over in as it is.
QVideoFrameFormat::PixelFormat directFormat(AVPixelFormat layout) {
    switch (layout) {
    case AV_PIX_FMT_YUV420P:
        return QVideoFrameFormat::Format_YUV420P;
    case AV_PIX_FMT_NV12:
        return QVideoFrameFormat::Format_NV12;
    case AV_PIX_FMT_P010LE:
        return QVideoFrameFormat::Format_P010;
    default:
        return QVideoFrameFormat::Format_Invalid;
    }
}

// Copies every plane of `picture` (laid out as `layout`) into the mapped `frame`.
bool copyPlanes(const AVFrame& picture, AVPixelFormat layout, QVideoFrame& frame) {
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(layout);
    int rowBytes[4] = {};
    if (!descriptor || av_image_fill_linesizes(rowBytes, layout, picture.width) < 0)
        return false;
    if (!frame.map(QVideoFrame::WriteOnly))
        return false;
    const int planes = std::min(frame.planeCount(), av_pix_fmt_count_planes(layout));
    for (int plane = 0; plane < planes; ++plane) {
        const int stride = frame.bytesPerLine(plane);
        if (stride <= 0 || !picture.data[plane])
            continue;
        const int chromaRows = AV_CEIL_RSHIFT(picture.height, descriptor->log2_chroma_h);
        const int rows =
            std::min(plane == 0 ? picture.height : chromaRows, frame.mappedBytes(plane) / stride);
        const int bytes = std::min(rowBytes[plane], stride);
        for (int row = 0; row < rows; ++row)
            std::memcpy(frame.bits(plane) + static_cast<std::ptrdiff_t>(row) * stride,
                        picture.data[plane] +
                            static_cast<std::ptrdiff_t>(row) * picture.linesize[plane],
                        static_cast<std::size_t>(bytes));
    }
    frame.unmap();
    return true;
}

} // namespace

QVideoFrameFormat::ColorSpace videoColorSpace(const AVFrame& picture) {
    if (isRgb(picture.format))
        return QVideoFrameFormat::ColorSpace_BT709; // what toYuv420 converts RGB to
    switch (sourceColorSpace(picture.colorspace, picture.width, picture.height)) {
    case AVCOL_SPC_BT709:
        return QVideoFrameFormat::ColorSpace_BT709;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return QVideoFrameFormat::ColorSpace_BT2020;
    default:
        return QVideoFrameFormat::ColorSpace_BT601;
    }
}

QVideoFrameFormat::ColorRange videoColorRange(const AVFrame& picture) {
    if (isRgb(picture.format))
        return QVideoFrameFormat::ColorRange_Video;
    return isFullRange(picture) ? QVideoFrameFormat::ColorRange_Full
                                : QVideoFrameFormat::ColorRange_Video;
}

QVideoFrameFormat::ColorTransfer videoColorTransfer(const AVFrame& picture) {
    switch (picture.color_trc) {
    case AVCOL_TRC_BT709:
    case AVCOL_TRC_BT2020_10:
    case AVCOL_TRC_BT2020_12:
        return QVideoFrameFormat::ColorTransfer_BT709;
    case AVCOL_TRC_SMPTE170M:
    case AVCOL_TRC_SMPTE240M:
        return QVideoFrameFormat::ColorTransfer_BT601;
    case AVCOL_TRC_GAMMA22:
        return QVideoFrameFormat::ColorTransfer_Gamma22;
    case AVCOL_TRC_GAMMA28:
        return QVideoFrameFormat::ColorTransfer_Gamma28;
    case AVCOL_TRC_LINEAR:
        return QVideoFrameFormat::ColorTransfer_Linear;
    case AVCOL_TRC_SMPTE2084:
        return QVideoFrameFormat::ColorTransfer_ST2084;
    case AVCOL_TRC_ARIB_STD_B67:
        return QVideoFrameFormat::ColorTransfer_STD_B67;
    default:
        return QVideoFrameFormat::ColorTransfer_Unknown;
    }
}

QVideoFrame VideoFrameConverter::convert(const AVFrame& picture, int rotation) {
    if (!picture.data[0] || picture.width <= 0 || picture.height <= 0)
        return {};
    const AVPixelFormat layout = plainPixelLayout(picture.format);
    const AVFrame* source = &picture;
    QVideoFrameFormat::PixelFormat pixelFormat = directFormat(layout);
    AVPixelFormat sourceLayout = layout;
    if (pixelFormat == QVideoFrameFormat::Format_Invalid) {
        source = toYuv420(picture);
        if (!source)
            return {};
        pixelFormat = QVideoFrameFormat::Format_YUV420P;
        sourceLayout = AV_PIX_FMT_YUV420P;
    }
    QVideoFrameFormat format(QSize(picture.width, picture.height), pixelFormat);
    format.setColorSpace(videoColorSpace(picture));
    format.setColorRange(videoColorRange(picture));
    format.setColorTransfer(videoColorTransfer(picture));
    QVideoFrame frame(format);
    if (!copyPlanes(*source, sourceLayout, frame))
        return {};
    rotation = (rotation % 360 + 360) % 360;
    if (rotation % 90 == 0)
        frame.setRotationAngle(static_cast<QVideoFrame::RotationAngle>(rotation));
    return frame;
}

const AVFrame* VideoFrameConverter::toYuv420(const AVFrame& picture) {
    const AVPixelFormat layout = plainPixelLayout(picture.format);
    if (!context_ || picture.format != sourceFormat_ || picture.width != width_ ||
        picture.height != height_) {
        sourceFormat_ = -1;
        context_.reset(sws_getContext(picture.width, picture.height, layout, picture.width,
                                      picture.height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr,
                                      nullptr, nullptr));
        if (!context_)
            return nullptr;
        // YUV stays in its own matrix and range (the frame is tagged with them);
        // RGB becomes BT.709 at video range.
        const int range = videoColorRange(picture) == QVideoFrameFormat::ColorRange_Full ? 1 : 0;
        const int* matrix = isRgb(picture.format)
                                ? sws_getCoefficients(SWS_CS_ITU709)
                                : sws_getCoefficients(sourceColorSpace(
                                      picture.colorspace, picture.width, picture.height));
        const int sourceRange = isRgb(picture.format) ? 1 : range;
        sws_setColorspaceDetails(context_.get(), matrix, sourceRange, matrix, range, 0, 1 << 16,
                                 1 << 16);
        sourceFormat_ = picture.format;
        width_ = picture.width;
        height_ = picture.height;
    }
    if (!scratch_ || scratch_->width != picture.width || scratch_->height != picture.height) {
        scratch_ = makeFrame();
        if (!scratch_)
            return nullptr;
        scratch_->format = AV_PIX_FMT_YUV420P;
        scratch_->width = picture.width;
        scratch_->height = picture.height;
        // Padded rows: swscale writes whole vector blocks.
        if (av_frame_get_buffer(scratch_.get(), 64) < 0) {
            scratch_.reset();
            return nullptr;
        }
    }
    if (sws_scale(context_.get(), picture.data, picture.linesize, 0, picture.height, scratch_->data,
                  scratch_->linesize) <= 0)
        return nullptr;
    return scratch_.get();
}

} // namespace kestrune
