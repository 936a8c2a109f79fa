// A picture drawn over the video in RGB (premultiplied, with alpha), kept in the
// encoder's planar YUV so that blending it onto a frame costs only the pixels it
// covers: the frame lines and the chapter sidebar, redrawn only when they change.
#pragma once

#include "media/av_handles.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <QColor>

class QImage;

namespace kestrune {

// A colour in BT.709 video range, in samples of `depth` bits.
struct YuvColor {
    int y = 0, u = 0, v = 0;
};
YuvColor yuvColor(const QColor& color, int depth);

class YuvOverlay {
public:
    // Takes the covered pixels of `image` (ARGB32 premultiplied) in `format`
    // (planar YUV, 8 or 10 bits), to lie `left` pixels (an even number) from the
    // frame's left edge: the image spans the frame's height and reaches no further
    // than its right edge.
    void set(const QImage& image, AVPixelFormat format, int left = 0);
    // Blends onto `frame`, of the size and format given to set().
    void blendOnto(AVFrame& frame) const;

private:
    // A run of covered samples in one row of a plane.
    struct Span {
        int y = 0, x = 0, length = 0;
        std::size_t offset = 0; // into values and alphas
        bool opaque = false;    // every sample covered fully: copied, not blended
    };
    struct Plane {
        std::vector<Span> spans;
        std::vector<std::uint16_t> values; // the colour times its alpha, in samples
        std::vector<std::uint8_t> alphas;
    };

    template <typename Sample>
    void blendPlane(const Plane& plane, AVFrame& frame, int index) const;

    std::array<Plane, 3> planes_;
    bool wide_ = false; // two bytes a sample
};

} // namespace kestrune
