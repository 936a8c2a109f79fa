// Decodes the first audio stream of one file within a time range, resampled to
// 44,100 Hz interleaved float stereo, with the exact place of every sample.
#pragma once

#include "av_handles.h"
#include "media_damage.h"
#include "media_file.h"
#include "media_time.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrune {

struct AudioChunk {
    std::vector<float> samples; // interleaved left, right
    int frames = 0;             // samples per channel
    MediaTime time;             // source time of the first sample, at timescale 44,100
};

class AudioSampleReader {
public:
    static constexpr int kSampleRate = 44100;

    // Samples before `start` and at or after `end` are left out, so that clips
    // joined end to end meet to the sample. Throws MediaError when the file has no
    // audio stream or its decoder cannot be opened.
    AudioSampleReader(const std::string& path, MediaTime start, MediaTime end,
                      DamagedMedia onDamage = DamagedMedia::fail);

    // The next run of samples, or nothing at the end of the range. A read or
    // decode error ends the range early, like the end of the file. Unless damage
    // is tolerated, it then throws MediaError naming the file when the sound ends
    // before the stream's stated end within the range, or when more than a second
    // of it is missing in the middle.
    std::optional<AudioChunk> next();

private:
    // Resamples one decoded frame (or flushes with null) into pending_.
    void resample(const AVFrame* frame);
    std::optional<AudioChunk> takeWithinRange();
    bool decodeMore();
    void checkReachedEnd() const;

    MediaFile file_;
    AVStream* stream_ = nullptr;
    CodecContextPtr decoder_;
    SwrContextPtr resampler_;
    PacketPtr packet_;
    FramePtr frame_;
    std::int64_t startSample_;
    std::int64_t endSample_;
    DamagedMedia onDamage_;
    // Where the next resampled sample sits on the source timeline (44.1 kHz units).
    std::optional<std::int64_t> nextSample_;
    AudioChunk pending_;
    bool draining_ = false;
    bool flushed_ = false;
    bool finished_ = false;
};

} // namespace kestrune
