// Turns decoded pictures into the QVideoFrames a QVideoSink shows, in RGB
// converted by the export's own rules (FrameScaler: the clip's matrix as
// sourceColorSpace gives it, its own range), so that the preview's colours are
// the exported movie's. Qt's video output would convert YUV with its own
// matrices, which for BT.709 at video range mix up green.
#pragma once

#include "media/frame_scaler.h"

#include <QVideoFrame>

namespace kestrune {

class VideoFrameConverter {
public:
    // `picture` as a BGRA video frame of its stored size, to be shown turned
    // clockwise by `rotation` (0, 90, 180, 270, from the file's display matrix).
    // An invalid frame when it cannot be converted.
    QVideoFrame convert(const AVFrame& picture, int rotation);

private:
    FrameScaler scaler_;
};

} // namespace kestrune
