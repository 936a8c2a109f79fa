// Owning handles for FFmpeg objects, so that no caller frees them by hand.
#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace kestrune {

namespace detail {
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct InputContextDeleter {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct SwsDeleter {
    void operator()(SwsContext* c) const { sws_freeContext(c); }
};
struct SwrDeleter {
    void operator()(SwrContext* c) const { swr_free(&c); }
};
} // namespace detail

using FramePtr = std::unique_ptr<AVFrame, detail::FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, detail::PacketDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, detail::CodecContextDeleter>;
using InputContextPtr = std::unique_ptr<AVFormatContext, detail::InputContextDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, detail::SwsDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, detail::SwrDeleter>;

inline FramePtr makeFrame() {
    return FramePtr(av_frame_alloc());
}
inline PacketPtr makePacket() {
    return PacketPtr(av_packet_alloc());
}

} // namespace kestrune
