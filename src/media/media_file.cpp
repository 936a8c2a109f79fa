#include "media_file.h"

#include "media_error.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

extern "C" {
#include <libavutil/display.h>
}

namespace kestrune {

namespace {

int firstStream(const AVFormatContext& context, AVMediaType type) {
    for (unsigned i = 0; i < context.nb_streams; ++i) {
        const AVStream& stream = *context.streams[i];
        // Cover art in an MP4 or M4A is a one-picture "video" stream; it is not
        // the clip's picture.
        if (type == AVMEDIA_TYPE_VIDEO && (stream.disposition & AV_DISPOSITION_ATTACHED_PIC))
            continue;
        if (stream.codecpar->codec_type == type)
            return static_cast<int>(i);
    }
    return -1;
}

// The nearest quarter turn, in 0..270.
int quarterTurn(double degrees) {
    const long quarters = std::lround(degrees / 90.0) % 4;
    return static_cast<int>((quarters + 4) % 4) * 90;
}

// The clockwise display rotation: the stream's display matrix when it has one
// (FFmpeg reads it as a counter-clockwise angle), else the "rotate" tag that older
// files and tools carry (clockwise).
int streamRotation(AVStream& stream) {
    size_t size = 0;
    const uint8_t* matrix = av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (matrix && size >= 9 * sizeof(int32_t)) {
        const double counterClockwise =
            av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
        if (!std::isnan(counterClockwise))
            return quarterTurn(-counterClockwise);
    }
    if (const AVDictionaryEntry* tag = av_dict_get(stream.metadata, "rotate", nullptr, 0)) {
        char* end = nullptr;
        const double clockwise = std::strtod(tag->value, &end);
        if (end != tag->value && std::isfinite(clockwise))
            return quarterTurn(clockwise);
    }
    return 0;
}

} // namespace

MediaFile::MediaFile(const std::string& path)
    : path_(path) {
    AVFormatContext* raw = nullptr;
    // On failure FFmpeg frees the context itself.
    throwIfFailed(avformat_open_input(&raw, path.c_str(), nullptr, nullptr),
                  "Cannot open \"" + path + "\"");
    context_.reset(raw);
    throwIfFailed(avformat_find_stream_info(context_.get(), nullptr),
                  "Cannot read the streams of \"" + path + "\"");
    videoStream_ = firstStream(*context_, AVMEDIA_TYPE_VIDEO);
    audioStream_ = firstStream(*context_, AVMEDIA_TYPE_AUDIO);
}

AVStream* MediaFile::videoStream() const {
    return videoStream_ >= 0 ? context_->streams[videoStream_] : nullptr;
}

AVStream* MediaFile::audioStream() const {
    return audioStream_ >= 0 ? context_->streams[audioStream_] : nullptr;
}

MediaTime MediaFile::duration() const {
    // The streams' own durations are exact in their time bases; the container's
    // is rounded to microseconds, so it only stands in when they are unknown.
    std::optional<MediaTime> longest;
    for (const AVStream* stream : {videoStream(), audioStream()}) {
        if (!stream || stream->duration == AV_NOPTS_VALUE || stream->duration <= 0)
            continue;
        const MediaTime length = MediaTime::fromTimestamp(stream->duration, stream->time_base);
        if (!longest || length > *longest)
            longest = length;
    }
    if (longest)
        return *longest;
    if (context_->duration != AV_NOPTS_VALUE && context_->duration > 0)
        return MediaTime::fromTimestamp(context_->duration, AV_TIME_BASE_Q);
    return MediaTime::zero();
}

int MediaFile::codedWidth() const {
    const AVStream* stream = videoStream();
    return stream ? stream->codecpar->width : 0;
}

int MediaFile::codedHeight() const {
    const AVStream* stream = videoStream();
    return stream ? stream->codecpar->height : 0;
}

int MediaFile::rotation() const {
    AVStream* stream = videoStream();
    return stream ? streamRotation(*stream) : 0;
}

int MediaFile::displayWidth() const {
    return rotation() % 180 == 0 ? codedWidth() : codedHeight();
}

int MediaFile::displayHeight() const {
    return rotation() % 180 == 0 ? codedHeight() : codedWidth();
}

double MediaFile::averageFrameRate() const {
    const AVStream* stream = videoStream();
    if (!stream || stream->avg_frame_rate.num <= 0 || stream->avg_frame_rate.den <= 0)
        return 0.0;
    return av_q2d(stream->avg_frame_rate);
}

} // namespace kestrune
