#include "audio_feed.h"

#include "timeline_audio_source.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>

namespace kestrune {

namespace {

constexpr int kSourceFrameBytes = TimelineAudioSource::kChannels * sizeof(float);
// How often an empty feed looks for new samples: well within the sink's own buffer.
constexpr int kPollMilliseconds = 5;

AVSampleFormat sampleFormatOf(QAudioFormat::SampleFormat format) {
    switch (format) {
    case QAudioFormat::UInt8:
        return AV_SAMPLE_FMT_U8;
    case QAudioFormat::Int16:
        return AV_SAMPLE_FMT_S16;
    case QAudioFormat::Int32:
        return AV_SAMPLE_FMT_S32;
    case QAudioFormat::Float:
        return AV_SAMPLE_FMT_FLT;
    default:
        return AV_SAMPLE_FMT_NONE;
    }
}

bool isSourceFormat(const QAudioFormat& format) {
    return format.sampleFormat() == QAudioFormat::Float &&
           format.sampleRate() == TimelineAudioSource::kSampleRate &&
           format.channelCount() == TimelineAudioSource::kChannels;
}

} // namespace

AudioFeed::AudioFeed(TimelineAudioSource& source, const QAudioFormat& format,
                     std::function<void()> drained, QObject* parent)
    : QIODevice(parent)
    , source_(source)
    , format_(format)
    , drained_(std::move(drained)) {
    poll_.setInterval(kPollMilliseconds);
    connect(&poll_, &QTimer::timeout, this, &AudioFeed::pollForSamples);
    setUpConverter();
    // Unbuffered: every byte read goes straight to the sink, so what was
    // delivered is exactly what the sink holds or has played.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

AudioFeed::~AudioFeed() = default;

void AudioFeed::setUpConverter() {
    converter_.reset();
    if (isSourceFormat(format_))
        return;
    const AVSampleFormat output = sampleFormatOf(format_.sampleFormat());
    if (output == AV_SAMPLE_FMT_NONE || format_.channelCount() <= 0 || format_.sampleRate() <= 0)
        return;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, format_.channelCount());
    SwrContext* swr = nullptr;
    if (swr_alloc_set_opts2(&swr, &layout, output, format_.sampleRate(), &stereo, AV_SAMPLE_FMT_FLT,
                            TimelineAudioSource::kSampleRate, 0, nullptr) >= 0 &&
        swr_init(swr) >= 0)
        converter_.reset(swr);
    else
        swr_free(&swr);
    av_channel_layout_uninit(&layout);
}

void AudioFeed::restart() {
    delivered_ = 0;
    drainedReported_ = false;
    poll_.stop();
    setUpConverter(); // drops what the converter still held
}

bool AudioFeed::atEnd() const {
    return source_.finished();
}

qint64 AudioFeed::bytesAvailable() const {
    const auto frames = static_cast<qint64>(source_.available());
    return frames * format_.bytesPerFrame() * format_.sampleRate() /
               TimelineAudioSource::kSampleRate +
           QIODevice::bytesAvailable();
}

qint64 AudioFeed::readData(char* data, qint64 maxSize) {
    const int frameBytes = format_.bytesPerFrame();
    if (frameBytes <= 0)
        return -1;
    const qint64 frames = maxSize / frameBytes;
    qint64 written = 0;
    if (isSourceFormat(format_)) {
        const std::size_t read =
            source_.read(reinterpret_cast<float*>(data), static_cast<std::size_t>(frames));
        delivered_ += static_cast<std::int64_t>(read);
        written = static_cast<qint64>(read) * kSourceFrameBytes;
    } else if (converter_) {
        written = convert(data, frames) * frameBytes;
    } else {
        return -1;
    }
    if (written == 0) {
        if (source_.finished()) {
            if (!drainedReported_ && drained_) {
                drainedReported_ = true;
                drained_();
            }
        } else if (!poll_.isActive()) {
            // The sink stops pulling after an empty read until it hears readyRead.
            poll_.start();
        }
    }
    return written;
}

qint64 AudioFeed::convert(char* data, qint64 frames) {
    const std::int64_t delay = swr_get_delay(converter_.get(), TimelineAudioSource::kSampleRate);
    const std::int64_t wanted =
        frames * TimelineAudioSource::kSampleRate / format_.sampleRate() - delay - 1;
    std::size_t read = 0;
    if (wanted > 0) {
        scratch_.resize(static_cast<std::size_t>(wanted) * TimelineAudioSource::kChannels);
        read = source_.read(scratch_.data(), static_cast<std::size_t>(wanted));
        delivered_ += static_cast<std::int64_t>(read);
    }
    if (scratch_.empty())
        scratch_.resize(TimelineAudioSource::kChannels);
    // No input means "flush" to swresample: only at the end of the timeline, so
    // that a short wait for samples does not cut the filter's tail off.
    const bool atTimelineEnd = read == 0 && source_.finished();
    const auto* input = reinterpret_cast<const std::uint8_t*>(scratch_.data());
    auto* output = reinterpret_cast<std::uint8_t*>(data);
    const int converted = swr_convert(converter_.get(), &output, static_cast<int>(frames),
                                      atTimelineEnd ? nullptr : &input, static_cast<int>(read));
    return std::max(converted, 0);
}

qint64 AudioFeed::writeData(const char* /*data*/, qint64 /*maxSize*/) {
    return -1;
}

void AudioFeed::pollForSamples() {
    if (source_.available() == 0 && !source_.finished())
        return;
    poll_.stop();
    emit readyRead();
}

} // namespace kestrune
