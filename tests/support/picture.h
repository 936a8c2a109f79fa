// A picture of a pixel format and size with its own buffers, for the tests that
// draw into frames or read them back.
#pragma once

#include "media/av_handles.h"

#include <gtest/gtest.h>

namespace kestrune::test {

inline FramePtr makePicture(AVPixelFormat format, int width, int height) {
    FramePtr frame = makeFrame();
    frame->format = format;
    frame->width = width;
    frame->height = height;
    EXPECT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
    return frame;
}

} // namespace kestrune::test
