// The video half of an export, run on its own thread: reads each clip's frames in
// turn, composes one output frame per source frame (video area, fitted picture,
// frame lines, sidebar) and hands it to the writer at its place on the output
// timeline.
#pragma once

#include "frame_composer.h"
#include "media/video_frame_reader.h"
#include "stream_context.h"

namespace kestrune {

class VideoStream {
public:
    VideoStream(StreamContext& context, VideoWriterInput& input, const ExportConfig& config,
                SidebarRenderer& renderer, double frameEstimate);

    // Writes every clip, then finishes the input. A failure is stored in the
    // context (which stops the writer); a stopped writer ends the stream early.
    void run();
    long framesWritten() const { return frameIndex_; }

private:
    // False when the writer stopped and the stream must end.
    bool writeClip(std::size_t index);
    bool append(FramePtr frame, MediaTime outputTime);
    void render(AVFrame& output, const DecodedFrame& source, int rotation, AVColorSpace colorSpace,
                double time);

    StreamContext& context_;
    VideoWriterInput& input_;
    const double frameEstimate_;
    FrameComposer composer_;
    StallWatch stall_{"Video", "frame"};
    long frameIndex_ = 0;
    std::optional<MediaTime> lastOutputTime_;
};

} // namespace kestrune
