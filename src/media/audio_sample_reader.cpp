#include "audio_sample_reader.h"

#include "decoder_feed.h"
#include "media_error.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kestrune {

namespace {

constexpr int kChannels = 2;
// A decoded frame whose time is further than this from where the samples so far
// lead is a real gap (or overlap) in the source, and the timeline follows it.
constexpr std::int64_t kResyncSamples = 2048;
// Seek a little before the range so the decoder is primed when it reaches it.
constexpr double kPrerollSeconds = 0.5;

std::int64_t samplesAt(const MediaTime& time) {
    return time.convertScale(AudioSampleReader::kSampleRate).value;
}

} // namespace

AudioSampleReader::AudioSampleReader(const std::string& path, MediaTime start, MediaTime end,
                                     DamagedMedia onDamage)
    : file_(path)
    , stream_(file_.audioStream())
    , startSample_(samplesAt(start))
    , endSample_(samplesAt(end))
    , onDamage_(onDamage) {
    if (!stream_)
        throw MediaError("\"" + path + "\" has no audio track");
    const AVCodecID codecId = stream_->codecpar->codec_id;
    const AVCodec* codec = avcodec_find_decoder(codecId);
    if (!codec)
        throw MediaError(std::string("No decoder for ") + avcodec_get_name(codecId) +
                         " audio in \"" + path + "\"");
    decoder_.reset(avcodec_alloc_context3(codec));
    packet_ = makePacket();
    frame_ = makeFrame();
    if (!decoder_ || !packet_ || !frame_)
        throwIfFailed(AVERROR(ENOMEM), "Cannot decode \"" + path + "\"");
    throwIfFailed(avcodec_parameters_to_context(decoder_.get(), stream_->codecpar),
                  "Cannot set up the audio decoder for \"" + path + "\"");
    decoder_->pkt_timebase = stream_->time_base;
    throwIfFailed(avcodec_open2(decoder_.get(), codec, nullptr),
                  "Cannot open the audio decoder for \"" + path + "\"");

    AVFormatContext* context = file_.context();
    for (unsigned i = 0; i < context->nb_streams; ++i)
        if (static_cast<int>(i) != stream_->index)
            context->streams[i]->discard = AVDISCARD_ALL;
    if (startSample_ >= endSample_) {
        finished_ = true;
        return;
    }
    if (start.seconds() > kPrerollSeconds) {
        const MediaTime seekTo = start - MediaTime::fromSeconds(kPrerollSeconds, 1000);
        av_seek_frame(context, stream_->index, seekTo.toTimestamp(stream_->time_base),
                      AVSEEK_FLAG_BACKWARD);
    }
}

std::optional<AudioChunk> AudioSampleReader::next() {
    while (!finished_) {
        if (auto chunk = takeWithinRange())
            return chunk;
        if (finished_)
            break;
        if (!decodeMore()) {
            checkReachedEnd();
            break;
        }
    }
    finished_ = true;
    return takeWithinRange();
}

void AudioSampleReader::checkReachedEnd() const {
    const std::optional<MediaTime> length = streamEnd(*stream_);
    if (onDamage_ == DamagedMedia::tolerate || !length)
        return;
    const std::int64_t expected = std::min(samplesAt(*length), endSample_);
    const std::int64_t reach = nextSample_.value_or(startSample_);
    const auto tolerance = static_cast<std::int64_t>(kDamageToleranceSeconds * kSampleRate);
    if (reach + tolerance >= expected)
        return;
    const std::string total = secondsText(*length);
    if (!nextSample_)
        throw damagedMediaError(file_.path(), "none of its sound up to " + total + " can be read");
    throw damagedMediaError(file_.path(), "its sound ends at " +
                                              secondsText(MediaTime{reach, kSampleRate}) + " of " +
                                              total);
}

std::optional<AudioChunk> AudioSampleReader::takeWithinRange() {
    if (pending_.frames == 0)
        return std::nullopt;
    AudioChunk chunk = std::move(pending_);
    pending_ = AudioChunk{};
    std::int64_t first = chunk.time.value;
    std::int64_t count = chunk.frames;
    // Cut what lies outside [start, end).
    std::int64_t skip = std::clamp<std::int64_t>(startSample_ - first, 0, count);
    std::int64_t keep = std::clamp<std::int64_t>(endSample_ - first - skip, 0, count - skip);
    if (first + count >= endSample_)
        finished_ = true;
    if (keep == 0)
        return std::nullopt;
    if (skip > 0 || keep < count) {
        chunk.samples.erase(chunk.samples.begin(), chunk.samples.begin() + skip * kChannels);
        chunk.samples.resize(static_cast<std::size_t>(keep * kChannels));
    }
    chunk.frames = static_cast<int>(keep);
    chunk.time = MediaTime{first + skip, kSampleRate};
    return chunk;
}

bool AudioSampleReader::decodeMore() {
    for (;;) {
        const int received = avcodec_receive_frame(decoder_.get(), frame_.get());
        if (received == 0) {
            resample(frame_.get());
            av_frame_unref(frame_.get());
            return true;
        }
        if (received != AVERROR(EAGAIN) || draining_) {
            if (!flushed_) {
                flushed_ = true;
                resample(nullptr); // what the resampler still holds
                return pending_.frames > 0;
            }
            return false;
        }
        if (!feedDecoder(file_.context(), stream_->index, decoder_.get(), packet_.get()))
            draining_ = true;
    }
}

void AudioSampleReader::resample(const AVFrame* frame) {
    if (frame && !resampler_) {
        SwrContext* swr = nullptr;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        AVChannelLayout input{};
        if (frame->ch_layout.nb_channels > 0)
            av_channel_layout_copy(&input, &frame->ch_layout);
        else
            av_channel_layout_default(&input, decoder_->ch_layout.nb_channels);
        if (swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_FLT, kSampleRate, &input,
                                static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0,
                                nullptr) >= 0 &&
            swr_init(swr) >= 0) {
            resampler_.reset(swr);
        } else {
            swr_free(&swr);
        }
        av_channel_layout_uninit(&input);
        if (!resampler_) {
            finished_ = true;
            return;
        }
    }
    if (!resampler_)
        return;

    if (frame) {
        const std::int64_t pts =
            frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->best_effort_timestamp;
        if (pts != AV_NOPTS_VALUE) {
            const std::int64_t expected =
                samplesAt(MediaTime::fromTimestamp(pts, stream_->time_base));
            if (!nextSample_ || std::llabs(expected - *nextSample_) > kResyncSamples) {
                // Sound missing for more than a second of the range is a hole that
                // silence would paper over.
                if (nextSample_ && onDamage_ == DamagedMedia::fail) {
                    const std::int64_t holeStart = std::max(*nextSample_, startSample_);
                    const std::int64_t holeEnd = std::min(expected, endSample_);
                    if (holeEnd - holeStart >
                        static_cast<std::int64_t>(kDamageHoleSeconds * kSampleRate))
                        throw damagedMediaError(
                            file_.path(), "no sound can be read from " +
                                              secondsText(MediaTime{*nextSample_, kSampleRate}) +
                                              " to " +
                                              secondsText(MediaTime{expected, kSampleRate}));
                }
                nextSample_ = expected;
            }
        }
        if (!nextSample_)
            nextSample_ = 0;
    }
    if (!nextSample_)
        return;

    const int inputFrames = frame ? frame->nb_samples : 0;
    const int capacity = swr_get_out_samples(resampler_.get(), inputFrames);
    if (capacity <= 0)
        return;
    const std::size_t offset = pending_.samples.size();
    pending_.samples.resize(offset + static_cast<std::size_t>(capacity) * kChannels);
    uint8_t* out = reinterpret_cast<uint8_t*>(pending_.samples.data() + offset);
    const int converted = swr_convert(
        resampler_.get(), &out, capacity,
        frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, inputFrames);
    const int produced = std::max(converted, 0);
    pending_.samples.resize(offset + static_cast<std::size_t>(produced) * kChannels);
    if (pending_.frames == 0)
        pending_.time = MediaTime{*nextSample_, kSampleRate};
    pending_.frames += produced;
    *nextSample_ += produced;
}

} // namespace kestrune
