// The writer's audio input: takes interleaved float stereo at exact sample
// positions, fills gaps with silence and encodes AAC in whole encoder frames.
// Private to the writer.
#pragma once

#include "writer_core.h"

extern "C" {
#include <libavutil/audio_fifo.h>
}

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace kestrune::detail {

class AudioInput final : public AudioWriterInput, public EncodedInput {
public:
    AudioInput(WriterCore& core, AudioOutputSettings settings);
    ~AudioInput() override;

    // Samples before the end of what was already appended are dropped, the rest
    // of the buffer is taken (see the definition for why).
    bool append(const float* interleavedStereo, int frames, MediaTime time) override;
    void finish() override;
    std::string open() override;

private:
    // Queues `frames` samples (silence when `interleaved` is null) and encodes
    // every whole encoder frame.
    bool queue(const float* interleaved, std::int64_t frames);
    bool encodeQueued(bool final);
    bool send(const AVFrame* frame);

    WriterCore& core_;
    const AudioOutputSettings settings_;
    std::mutex encodeMutex_; // serialises appends and the flush
    CodecContextPtr encoder_;
    AVStream* stream_ = nullptr;
    AVAudioFifo* fifo_ = nullptr;
    std::int64_t queuedEnd_ = 0; // samples taken so far, silence included
    std::int64_t nextPts_ = 0;   // samples handed to the encoder so far
    std::vector<float> left_, right_;
    InputPace pace_;
};

} // namespace kestrune::detail
