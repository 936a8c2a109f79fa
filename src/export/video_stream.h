// The video half of an export: reads each clip's frames in turn, composes one
// output frame per source frame (video area, fitted picture, frame lines,
// sidebar) and hands it to the writer at its place on the output timeline.
// Reading and composing run on a thread of their own, a few frames ahead of the
// thread that feeds the encoder, and the next clip is opened before the current
// one ends (its file read and its decoder started), so that the encoder never
// waits for a picture.
#pragma once

#include "bounded_queue.h"
#include "frame_composer.h"
#include "media/video_frame_reader.h"
#include "stream_context.h"

#include <future>
#include <memory>

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
    struct ComposedFrame {
        FramePtr frame;
        MediaTime time;
    };

    // Reads and composes every clip into the queue; false when the stream ended early.
    bool composeClips();
    // False when the writer stopped and the stream must end.
    bool composeClip(std::size_t index);
    // Starts opening the clip after `index`, once, on a thread of its own.
    void openAhead(std::size_t index);
    bool append(ComposedFrame composed);

    StreamContext& context_;
    VideoWriterInput& input_;
    const double frameEstimate_;
    FrameComposer composer_;
    BoundedQueue<ComposedFrame> queue_;
    std::future<std::unique_ptr<VideoFrameReader>> nextClip_;
    StallWatch stall_{"Video", "frame"};
    long framesComposed_ = 0;
    long frameIndex_ = 0; // frames the writer took
    std::optional<MediaTime> lastOutputTime_;
};

} // namespace kestrune
