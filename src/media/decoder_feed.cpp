#include "decoder_feed.h"

namespace kestrune {

bool feedDecoder(AVFormatContext* file, int streamIndex, AVCodecContext* decoder,
                 AVPacket* packet) {
    return feedDecoder(file, streamIndex, decoder, packet, {});
}

bool feedDecoder(AVFormatContext* file, int streamIndex, AVCodecContext* decoder, AVPacket* packet,
                 const std::function<bool(const AVPacket&)>& accept) {
    int result = av_read_frame(file, packet);
    if (result >= 0) {
        if (packet->stream_index == streamIndex && (!accept || accept(*packet)))
            result = avcodec_send_packet(decoder, packet);
        av_packet_unref(packet);
    }
    if (result >= 0)
        return true;
    avcodec_send_packet(decoder, nullptr);
    return false;
}

} // namespace kestrune
