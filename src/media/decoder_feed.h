// Feeding a decoder from a file, shared by the video and audio readers.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <functional>

namespace kestrune {

// Hands the decoder the next packet of stream `streamIndex` (other streams' packets
// are skipped). At the end of the file, or on a read or decode error, which is
// handled like it, it sends the end of input so that the frames the decoder still
// holds come out, and returns false: the decoder is draining.
bool feedDecoder(AVFormatContext* file, int streamIndex, AVCodecContext* decoder, AVPacket* packet);

// The same, handing over only the stream's packets `accept` takes; the others are
// left out as if the file did not hold them.
bool feedDecoder(AVFormatContext* file, int streamIndex, AVCodecContext* decoder, AVPacket* packet,
                 const std::function<bool(const AVPacket&)>& accept);

} // namespace kestrune
