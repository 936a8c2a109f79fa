// Turns decoded pictures into the QVideoFrames a QVideoSink shows, staying in
// YUV: the video output converts to RGB on the graphics card. Planar 4:2:0 (and
// NV12, P010) is copied plane by plane; other layouts are converted to 4:2:0 with
// swscale, keeping the picture's matrix and range.
#pragma once

#include "media/av_handles.h"

#include <QVideoFrame>
#include <QVideoFrameFormat>

namespace kestrune {

class VideoFrameConverter {
public:
    // `picture` as a video frame to be shown turned clockwise by `rotation`
    // (0, 90, 180, 270, from the file's display matrix), tagged with its colour
    // space and range. An invalid frame when it cannot be converted.
    QVideoFrame convert(const AVFrame& picture, int rotation);

private:
    // `picture` converted to 4:2:0 in scratch_; null when it cannot be.
    const AVFrame* toYuv420(const AVFrame& picture);

    SwsContextPtr context_;
    int sourceFormat_ = -1, width_ = 0, height_ = 0; // what context_ was made for
    FramePtr scratch_;
};

// The colour tags Qt needs to show `picture` as recorded.
QVideoFrameFormat::ColorSpace videoColorSpace(const AVFrame& picture);
QVideoFrameFormat::ColorRange videoColorRange(const AVFrame& picture);
QVideoFrameFormat::ColorTransfer videoColorTransfer(const AVFrame& picture);

} // namespace kestrune
