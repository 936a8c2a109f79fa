#include "audio_input.h"

#include <algorithm>

namespace kestrune::detail {

namespace {

// Samples per channel deinterleaved at a time, so that neither a long buffer
// nor a long gap of silence makes the queue grow.
constexpr std::int64_t kChunk = 4096;
constexpr int kInputChannels = 2;

} // namespace

AudioInput::AudioInput(WriterCore& core, AudioOutputSettings settings)
    : core_(core)
    , settings_(std::move(settings))
    , pace_(core) {}

AudioInput::~AudioInput() {
    if (fifo_)
        av_audio_fifo_free(fifo_);
}

std::string AudioInput::open() {
    if (settings_.channels != kInputChannels)
        return "Only stereo audio can be written";
    const AVCodec* codec = avcodec_find_encoder_by_name(settings_.encoderName.c_str());
    if (!codec)
        return "The audio encoder " + settings_.encoderName + " is not available";
    encoder_.reset(avcodec_alloc_context3(codec));
    if (!encoder_)
        return "Out of memory";
    AVCodecContext& c = *encoder_;
    c.sample_fmt = AV_SAMPLE_FMT_FLTP;
    c.sample_rate = settings_.sampleRate;
    av_channel_layout_default(&c.ch_layout, settings_.channels);
    c.bit_rate = settings_.bitRate;
    c.time_base = AVRational{1, settings_.sampleRate};
    if (core_.format->oformat->flags & AVFMT_GLOBALHEADER)
        c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int opened = avcodec_open2(&c, codec, nullptr);
    if (opened < 0)
        return "Could not open the audio encoder " + settings_.encoderName + ": " +
               ffmpegErrorText(opened);

    stream_ = avformat_new_stream(core_.format, nullptr);
    if (!stream_)
        return "Out of memory";
    stream_->time_base = c.time_base;
    const int copied = avcodec_parameters_from_context(stream_->codecpar, &c);
    if (copied < 0)
        return "Could not set up the audio stream: " + ffmpegErrorText(copied);
    fifo_ = av_audio_fifo_alloc(c.sample_fmt, settings_.channels,
                                static_cast<int>(kChunk) + std::max(c.frame_size, 1));
    if (!fifo_)
        return "Out of memory";
    left_.resize(kChunk);
    right_.resize(kChunk);
    return {};
}

bool AudioInput::append(const float* interleavedStereo, int frames, MediaTime time) {
    if (frames < 0 || (frames > 0 && !interleavedStereo))
        return false;
    if (!pace_.waitForTurn())
        return false;
    std::lock_guard lock(encodeMutex_);
    if (!pace_.isAccepting() || !encoder_)
        return false;
    const AVRational sampleTime{1, settings_.sampleRate};
    const std::int64_t start = time.toTimestamp(sampleTime);
    std::int64_t skip = 0;
    if (start > queuedEnd_) {
        if (!queue(nullptr, start - queuedEnd_))
            return false;
    } else {
        // Buffers meet at times rounded to whole samples, so one may begin a sample
        // or so before the previous one ended. What is already there stays and the
        // overlapping head of the new buffer is dropped: the track keeps its length
        // and every later sample lands exactly where the timeline puts it.
        skip = std::min<std::int64_t>(frames, queuedEnd_ - start);
    }
    if (!queue(interleavedStereo + skip * kInputChannels, frames - skip))
        return false;
    pace_.advance(MediaTime{queuedEnd_, settings_.sampleRate});
    return true;
}

bool AudioInput::queue(const float* interleaved, std::int64_t frames) {
    while (frames > 0) {
        const std::int64_t count = std::min(frames, kChunk);
        if (interleaved) {
            for (std::int64_t i = 0; i < count; ++i) {
                left_[i] = interleaved[2 * i];
                right_[i] = interleaved[2 * i + 1];
            }
            interleaved += count * kInputChannels;
        } else {
            std::fill_n(left_.begin(), count, 0.0f);
            std::fill_n(right_.begin(), count, 0.0f);
        }
        void* planes[kInputChannels] = {left_.data(), right_.data()};
        if (av_audio_fifo_write(fifo_, planes, static_cast<int>(count)) < count) {
            core_.fail("Out of memory for audio samples");
            return false;
        }
        queuedEnd_ += count;
        frames -= count;
        if (!encodeQueued(false))
            return false;
    }
    return true;
}

bool AudioInput::encodeQueued(bool final) {
    const int frameSize = encoder_->frame_size > 0 ? encoder_->frame_size : 1024;
    while (av_audio_fifo_size(fifo_) >= frameSize || (final && av_audio_fifo_size(fifo_) > 0)) {
        const int count = std::min(frameSize, av_audio_fifo_size(fifo_));
        FramePtr frame = makeFrame();
        if (!frame) {
            core_.fail("Out of memory for audio samples");
            return false;
        }
        frame->nb_samples = count;
        frame->format = encoder_->sample_fmt;
        frame->sample_rate = encoder_->sample_rate;
        av_channel_layout_copy(&frame->ch_layout, &encoder_->ch_layout);
        const int allocated = av_frame_get_buffer(frame.get(), 0);
        if (allocated < 0) {
            core_.fail("Out of memory for audio samples: " + ffmpegErrorText(allocated));
            return false;
        }
        av_audio_fifo_read(fifo_, reinterpret_cast<void**>(frame->data), count);
        frame->pts = nextPts_;
        nextPts_ += count;
        if (!send(frame.get()))
            return false;
    }
    return true;
}

bool AudioInput::send(const AVFrame* frame) {
    const int sent = avcodec_send_frame(encoder_.get(), frame);
    if (sent < 0) {
        core_.fail("Could not encode audio: " + ffmpegErrorText(sent));
        return false;
    }
    PacketPtr packet = makePacket();
    if (!packet) {
        core_.fail("Out of memory for an audio packet");
        return false;
    }
    for (;;) {
        const int received = avcodec_receive_packet(encoder_.get(), packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return true;
        if (received < 0) {
            core_.fail("Could not encode audio: " + ffmpegErrorText(received));
            return false;
        }
        if (!core_.writePacket(*packet, *stream_, encoder_->time_base))
            return false;
    }
}

void AudioInput::finish() {
    std::lock_guard lock(encodeMutex_);
    if (!pace_.markFinished() || !encoder_ || !core_.isWriting())
        return;
    if (encodeQueued(true))
        send(nullptr);
}

} // namespace kestrune::detail
