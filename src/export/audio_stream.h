// The sound half of an export, run on its own thread: reads each clip's sound in
// turn, places it at the clip's offset on the output timeline and hands it to the
// writer. Where no clip supplies sound (clips without it, sound shorter than its
// clip) the track holds silence, so it runs continuously from start to end.
#pragma once

#include "stream_context.h"

namespace kestrune {

class AudioStream {
public:
    AudioStream(StreamContext& context, AudioWriterInput& input, MediaTime totalDuration);

    // Writes every clip's sound, then finishes the input. A failure is stored in
    // the context (which stops the writer); a stopped writer ends the stream early.
    void run();

private:
    // False when the writer stopped and the stream must end.
    bool writeClip(std::size_t index);

    StreamContext& context_;
    AudioWriterInput& input_;
    const MediaTime totalDuration_;
    StallWatch stall_{"Audio", "buffer"};
    long buffersWritten_ = 0;
};

} // namespace kestrune
