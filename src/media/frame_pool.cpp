#include "frame_pool.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace kestrune::detail {

namespace {

// Rows padded to whole 64-byte blocks keep every plane aligned for the SIMD code
// of swscale and the encoders.
constexpr int kRowAlignment = 64;

} // namespace

FramePool::FramePool(AVPixelFormat format, int width, int height)
    : format_(format)
    , width_(width)
    , height_(height) {
    const int paddedWidth = FFALIGN(width, kRowAlignment);
    if (av_image_fill_linesizes(linesizes_.data(), format, paddedWidth) < 0)
        return;
    std::array<ptrdiff_t, 4> linesizes{};
    for (std::size_t i = 0; i < 4; ++i)
        linesizes[i] = linesizes_[i];
    std::array<size_t, 4> planeSizes{};
    if (av_image_fill_plane_sizes(planeSizes.data(), format, height, linesizes.data()) < 0)
        return;
    size_t total = kRowAlignment; // slack for readers that overrun the last row
    for (std::size_t i = 0; i < 4; ++i) {
        planeSizes_[i] = FFALIGN(planeSizes[i], kRowAlignment);
        total += planeSizes_[i];
    }
    // Zeroed when first allocated, so that a frame nobody drew into is black
    // rather than arbitrary bytes.
    pool_ = av_buffer_pool_init(total, av_buffer_allocz);
}

FramePool::~FramePool() {
    av_buffer_pool_uninit(&pool_);
}

FramePtr FramePool::get() {
    if (!pool_)
        return nullptr;
    FramePtr frame = makeFrame();
    if (!frame)
        return nullptr;
    frame->buf[0] = av_buffer_pool_get(pool_);
    if (!frame->buf[0])
        return nullptr;
    frame->format = format_;
    frame->width = width_;
    frame->height = height_;
    uint8_t* planes = frame->buf[0]->data;
    for (std::size_t i = 0; i < 4 && linesizes_[i] > 0; ++i) {
        frame->data[i] = planes;
        frame->linesize[i] = linesizes_[i];
        planes += planeSizes_[i];
    }
    return frame;
}

} // namespace kestrune::detail
