#include "audio_stream.h"

#include "media/audio_sample_reader.h"

namespace kestrune {

namespace {

constexpr long kHeartbeatEvery = 500;

using log::Category;

} // namespace

AudioStream::AudioStream(StreamContext& context, AudioWriterInput& input, MediaTime totalDuration)
    : context_(context)
    , input_(input)
    , totalDuration_(totalDuration) {}

void AudioStream::run() {
    // Silence to the end of the picture, so both tracks end together.
    if (context_.writeEachClip("Audio", [this](std::size_t i) { return writeClip(i); }) &&
        input_.append(nullptr, 0, totalDuration_))
        log::info(Category::Export, "Audio: all clips processed, %ld total buffers written",
                  buffersWritten_);
    input_.finish();
}

bool AudioStream::writeClip(std::size_t index) {
    const auto& clip = context_.clips[index];
    const long count = static_cast<long>(context_.clips.size());
    if (!clip.hasAudio) {
        log::info(Category::Export, "Audio: skipping clip %ld/%ld (no audio track)",
                  static_cast<long>(index + 1), count);
        return true;
    }
    AudioSampleReader reader(clip.path, clip.start, clip.end);
    // A clip whose sound starts late, or a clip before it without sound, leaves
    // silence up to here rather than a hole in the track.
    if (!input_.append(nullptr, 0, context_.offsets[index]))
        return !context_.writerStopped("Audio", "buffer", buffersWritten_);
    log::info(Category::Export, "Audio: started reading clip %ld/%ld, timeRange=%.2f-%.2fs",
              static_cast<long>(index + 1), count, clip.start.seconds(), clip.end.seconds());

    while (std::optional<AudioChunk> chunk = reader.next()) {
        stall_.check(buffersWritten_);
        const MediaTime outputTime = context_.offsets[index] + (chunk->time - clip.start);
        if (!input_.append(chunk->samples.data(), chunk->frames, outputTime) &&
            context_.writerStopped("Audio", "buffer", buffersWritten_))
            return false;
        stall_.handedOver();
        ++buffersWritten_;
        if (buffersWritten_ % kHeartbeatEvery == 0)
            log::debug(Category::Export, "Audio: heartbeat buffers=%ld pts=%.2fs", buffersWritten_,
                       outputTime.seconds());
    }
    log::info(Category::Export, "Audio: clip %ld/%ld exhausted at buffer %ld, advancing to next",
              static_cast<long>(index + 1), count, buffersWritten_);
    return true;
}

} // namespace kestrune
