// Which colour matrix and range a source clip's pictures are read with.
#pragma once

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace kestrune {

// The clip's own matrix when its stream is tagged; otherwise BT.709 for HD sizes
// and BT.601 for SD, as players assume.
AVColorSpace sourceColorSpace(AVColorSpace tagged, int width, int height);

// The plain layout of a pixel format: the "J" formats are the plain ones at full
// range, which is passed on its own (swscale warns about them).
AVPixelFormat plainPixelLayout(int format);

// Whether the picture's samples use the full 0–255 range rather than video range.
bool isFullRange(const AVFrame& frame);

} // namespace kestrune
