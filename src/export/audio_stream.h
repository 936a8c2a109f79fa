// The sound half of an export: reads each clip's sound in turn, places it at the
// clip's offset on the output timeline and hands it to the writer. Where no clip
// supplies sound (clips without it, sound shorter than its clip) the track holds
// silence, so it runs continuously from start to end.
#pragma once

#include "media/audio_sample_reader.h"
#include "pipeline_context.h"
#include "stream_lifecycle.h"

#include <functional>
#include <memory>

namespace kestrune {

class AudioStream {
public:
    AudioStream(PipelineContext& context, AudioWriterInput& input, MediaTime totalDuration,
                std::function<void()> onEnded);

    // The writer input's callback: appends sound while the input is ready.
    void onReadyForMoreData();
    // Ends the stream from outside when the writer stopped before the stream noticed.
    void endIfRunning();

private:
    void end();

    PipelineContext& context_;
    AudioWriterInput& input_;
    const MediaTime totalDuration_;
    StreamLifecycle lifecycle_;
    long itemCounter_ = 0;
    std::size_t clipIndex_ = 0;
    std::unique_ptr<AudioSampleReader> reader_;
};

} // namespace kestrune
