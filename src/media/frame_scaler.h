// Converts and scales decoded frames into a rectangle of an output frame with
// libswscale: a BGRA picture to draw on, or a planar YUV picture in the encoder's
// own format, so that an export never goes through RGB for the clip's picture.
#pragma once

#include "av_handles.h"
#include "hdr_tone_map.h"

#include <cstdint>
#include <optional>

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
    // matrix and its own range; HDR pictures, tagged HLG or PQ, tone mapped to
    // SDR BT.709) scaled into `target` of `destination`: BGRA (full
    // range RGB), or planar YUV (BT.709, video range; where `target` does not
    // start on a whole chroma sample, the chroma lands on the one before). Pixels
    // outside `target` are untouched. Reuses its swscale contexts while formats and
    // sizes stay the same. Returns false (drawing nothing) when the conversion
    // cannot be set up.
    // `rotation` (0, 90, 180, 270 degrees clockwise, from MediaFile::rotation()) turns
    // the picture upright as players show it; `target` is the upright rectangle.
    bool scaleInto(const AVFrame& source, AVColorSpace colorSpace, int rotation,
                   AVFrame& destination, PixelRect target);

private:
    // One swscale context and the conversion it was made for.
    struct Conversion {
        SwsContextPtr context;
        int sourceFormat = -1, sourceWidth = 0, sourceHeight = 0;
        int targetFormat = -1, targetWidth = 0, targetHeight = 0;
        int colorSpace = -1, colorRange = -1;

        bool prepare(const AVFrame& source, AVColorSpace colorSpace, AVPixelFormat target,
                     int width, int height);
        bool run(const AVFrame& source, std::uint8_t* const planes[4], const int strides[4]);
    };

    bool scaleIntoBgra(const AVFrame& source, AVColorSpace colorSpace, int rotation,
                       AVFrame& destination, PixelRect target);
    bool scaleIntoPlanar(const AVFrame& source, AVColorSpace colorSpace, int rotation,
                         AVFrame& destination, PixelRect target);

    Conversion toBgra_;
    Conversion toPlanar_;
    Conversion toHdrRgb_;
    std::optional<HdrToneMap> toneMap_;
    // scratch pictures: for turns and widths swscale cannot write in place (BGRA),
    // the planar picture copied into the target, and the one copied turned
    FramePtr bgraScratch_;
    FramePtr uprightScratch_;
    FramePtr planarScratch_;
    FramePtr turnScratch_;
    FramePtr hdrScratch_; // the HDR picture scaled, before tone mapping
};

} // namespace kestrune
