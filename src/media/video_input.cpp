#include "video_input.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>

namespace kestrune::detail {

namespace {

// The nominal rate the encoders size their levels and rate control by; the frames
// keep their own times. 30 is what the export's progress assumes too.
constexpr AVRational kNominalFrameRate{30, 1};
// How long the last frame lasts when there is no previous interval to copy, at
// `timescale` ticks a second.
std::int64_t defaultFrameDuration(int timescale) {
    return std::max<std::int64_t>(timescale / 30, 1);
}

std::uint32_t fourCC(const std::string& tag) {
    return MKTAG(tag[0], tag[1], tag[2], tag[3]);
}

} // namespace

VideoInput::VideoInput(WriterCore& core, VideoOutputSettings settings)
    : core_(core)
    , settings_(std::move(settings))
    , timeBase_{1, settings_.timescale > 0 ? settings_.timescale : MediaTime::kOutputTimescale}
    , pace_(core) {}

VideoInput::~VideoInput() = default;

std::string VideoInput::open() {
    const AVCodec* codec = avcodec_find_encoder_by_name(settings_.encoderName.c_str());
    if (!codec)
        return "The video encoder " + settings_.encoderName + " is not available";
    encoder_.reset(avcodec_alloc_context3(codec));
    if (!encoder_)
        return "Out of memory";
    AVCodecContext& c = *encoder_;
    c.width = settings_.width;
    c.height = settings_.height;
    c.pix_fmt = settings_.pixelFormat;
    c.sample_aspect_ratio = AVRational{1, 1};
    c.time_base = timeBase_;
    c.framerate = kNominalFrameRate;
    c.color_primaries = settings_.colorPrimaries;
    c.color_trc = settings_.colorTransfer;
    c.colorspace = settings_.colorSpace;
    c.color_range = settings_.colorRange;
    // x264 and x265 pick their own thread counts (frame and slice threads).
    c.thread_count = 0;
    if (settings_.compressionProperties) {
        c.bit_rate = settings_.compressionProperties->averageBitRate;
        c.gop_size = settings_.compressionProperties->maxKeyFrameInterval;
    }
    if (core_.format->oformat->flags & AVFMT_GLOBALHEADER)
        c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    AVDictionary* options = nullptr;
    for (const auto& [key, value] : settings_.encoderOptions)
        av_dict_set(&options, key.c_str(), value.c_str(), 0);
    if (settings_.compressionProperties && settings_.compressionProperties->profileLevel)
        av_dict_set(&options, "profile", settings_.compressionProperties->profileLevel->c_str(),
                    AV_DICT_DONT_OVERWRITE);
    const int opened = avcodec_open2(&c, codec, &options);
    av_dict_free(&options);
    if (opened < 0)
        return "Could not open the video encoder " + settings_.encoderName + ": " +
               ffmpegErrorText(opened);

    stream_ = avformat_new_stream(core_.format, nullptr);
    if (!stream_)
        return "Out of memory";
    stream_->time_base = timeBase_;
    const int copied = avcodec_parameters_from_context(stream_->codecpar, &c);
    if (copied < 0)
        return "Could not set up the video stream: " + ffmpegErrorText(copied);
    if (settings_.codecTag.size() == 4)
        stream_->codecpar->codec_tag = fourCC(settings_.codecTag);

    pool_ = std::make_unique<FramePool>(c.pix_fmt, c.width, c.height);
    return {};
}

FramePtr VideoInput::makeFrame() {
    if (!pool_ || !pace_.isAccepting())
        return nullptr;
    return pool_->get();
}

bool VideoInput::append(FramePtr frame, MediaTime time) {
    if (!frame || frame->format != settings_.pixelFormat || frame->width != settings_.width ||
        frame->height != settings_.height || !frame->data[0] || time < MediaTime::zero())
        return false;
    if (!pace_.waitForTurn())
        return false;
    std::lock_guard lock(encodeMutex_);
    if (!pace_.isAccepting() || !encoder_)
        return false;
    const std::int64_t pts = time.toTimestamp(timeBase_);
    if (lastPts_ && pts <= *lastPts_)
        return false;

    frame->pts = pts;
    frame->color_primaries = settings_.colorPrimaries;
    frame->color_trc = settings_.colorTransfer;
    frame->colorspace = settings_.colorSpace;
    frame->color_range = settings_.colorRange;
    frame->sample_aspect_ratio = AVRational{1, 1};
    if (lastPts_) {
        lastInterval_ = pts - *lastPts_;
        durations_[*lastPts_] = lastInterval_;
    }
    lastPts_ = pts;
    // The encoder keeps its own reference while it needs the picture; the pool
    // gets the buffer back once both let go.
    if (!encode(frame.get()))
        return false;
    pace_.advance(time);
    return true;
}

void VideoInput::finish() {
    std::lock_guard lock(encodeMutex_);
    if (!pace_.markFinished() || !encoder_ || !core_.isWriting())
        return;
    encode(nullptr);
    writePending(true);
}

bool VideoInput::encode(const AVFrame* frame) {
    const int sent = avcodec_send_frame(encoder_.get(), frame);
    if (sent < 0) {
        core_.fail("Could not encode a video frame: " + ffmpegErrorText(sent));
        return false;
    }
    for (;;) {
        PacketPtr packet = makePacket();
        if (!packet) {
            core_.fail("Out of memory for a video packet");
            return false;
        }
        const int received = avcodec_receive_packet(encoder_.get(), packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            break;
        if (received < 0) {
            core_.fail("Could not encode a video frame: " + ffmpegErrorText(received));
            return false;
        }
        pending_.push_back(std::move(packet));
    }
    return writePending(false);
}

bool VideoInput::writePending(bool final) {
    // The muxer takes a packet's duration for the last sample of the track, and the
    // last frame's length is only known when no frame follows: so each packet waits
    // until the next frame arrived (at most the encoder's delay), and at the end the
    // last frame lasts as long as the interval before it.
    while (!pending_.empty()) {
        AVPacket& packet = *pending_.front();
        if (const auto known = durations_.find(packet.pts); known != durations_.end()) {
            packet.duration = known->second;
            durations_.erase(known);
        } else if (final) {
            packet.duration =
                lastInterval_ > 0 ? lastInterval_ : defaultFrameDuration(timeBase_.den);
        } else {
            break;
        }
        const bool written = core_.writePacket(packet, *stream_, timeBase_);
        pending_.pop_front();
        if (!written)
            return false;
    }
    return true;
}

} // namespace kestrune::detail
