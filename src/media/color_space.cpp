#include "color_space.h"

namespace kestrune {

AVColorSpace sourceColorSpace(AVColorSpace tagged, int width, int height) {
    if (tagged != AVCOL_SPC_UNSPECIFIED && tagged != AVCOL_SPC_RESERVED)
        return tagged;
    const bool hd = width > 1024 || height > 576;
    return hd ? AVCOL_SPC_BT709 : AVCOL_SPC_BT470BG;
}

AVPixelFormat plainPixelLayout(int format) {
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
        return AV_PIX_FMT_YUV411P;
    default:
        return static_cast<AVPixelFormat>(format);
    }
}

bool isFullRange(const AVFrame& frame) {
    return frame.color_range == AVCOL_RANGE_JPEG || plainPixelLayout(frame.format) != frame.format;
}

} // namespace kestrune
