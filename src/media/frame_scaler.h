// Converts and scales decoded frames into a rectangle of a BGRA output frame
// with libswscale, straight into the output's memory.
#pragma once

#include "av_handles.h"

#include <cstdint>

namespace kestrune {

struct PixelRect {
    int x = 0;
    int y = 0; // from the top
    int width = 0;
    int height = 0;
};

class FrameScaler {
public:
    // Draws `source` (any pixel format swscale reads, read with `colorSpace`'s
    // matrix and its own range) scaled into `target` of `destination`, which must
    // be AV_PIX_FMT_BGRA. Pixels outside `target` are untouched. Reuses its
    // swscale context while source format, sizes and target size stay the same.
    // Returns false (drawing nothing) when the conversion cannot be set up.
    // `rotation` (0, 90, 180, 270 degrees clockwise, from MediaFile::rotation()) turns
    // the picture upright as players show it; `target` is the upright rectangle.
    bool scaleInto(const AVFrame& source, AVColorSpace colorSpace, int rotation,
                   AVFrame& destination, PixelRect target);

private:
    bool prepareContext(const AVFrame& source, AVColorSpace colorSpace, int width, int height);
    bool prepareScratch(int width, int height);
    bool scale(const AVFrame& source, std::uint8_t* pixels, int stride);

    SwsContextPtr context_;
    // the key the context was made for
    int sourceFormat_ = -1, sourceWidth_ = 0, sourceHeight_ = 0, targetWidth_ = 0,
        targetHeight_ = 0;
    int colorSpace_ = -1, colorRange_ = -1;
    // scratch picture for turns, and for widths swscale cannot write in place
    FramePtr scratch_;
};

} // namespace kestrune
