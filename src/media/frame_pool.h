// Pictures of one pixel format and size whose memory is recycled: a frame handed
// out holds a pooled buffer that goes back to the pool when its last reference
// goes, so a long export allocates a handful of pictures, not one per frame.
#pragma once

#include "av_handles.h"

extern "C" {
#include <libavutil/buffer.h>
}

#include <array>

namespace kestrune::detail {

class FramePool {
public:
    FramePool(AVPixelFormat format, int width, int height);
    // Frames still in use keep their buffers; the pool goes with the last of them.
    ~FramePool();
    FramePool(const FramePool&) = delete;
    FramePool& operator=(const FramePool&) = delete;

    // A writable frame (format, size and planes set; contents are whatever the
    // buffer held before), or null when memory runs out.
    FramePtr get();

private:
    AVPixelFormat format_;
    int width_;
    int height_;
    std::array<int, 4> linesizes_{};
    std::array<std::size_t, 4> planeSizes_{}; // each rounded up to the row alignment
    AVBufferPool* pool_ = nullptr;
};

} // namespace kestrune::detail
