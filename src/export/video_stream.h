// The video half of an export: reads each clip's frames in turn, renders one
// output frame per source frame (video area, fitted picture, frame lines,
// sidebar) and hands it to the writer at its place on the output timeline.
#pragma once

#include "media/frame_scaler.h"
#include "media/video_frame_reader.h"
#include "pipeline_context.h"
#include "sidebar/sidebar_renderer.h"
#include "stream_lifecycle.h"

#include <functional>
#include <memory>

namespace kestrune {

class VideoStream {
public:
    VideoStream(PipelineContext& context, VideoWriterInput& input, const ExportConfig& config,
                SidebarRenderer& renderer, double startTime, double frameEstimate,
                std::function<void()> onEnded);

    // The writer input's callback: appends frames while the input is ready.
    void onReadyForMoreData();
    // Ends the stream from outside when the writer stopped writing before the
    // stream noticed; waits for a running callback first.
    void endIfRunning();

private:
    void end();
    void openNextClip();
    void render(AVFrame& output, const DecodedFrame& source, double time);

    PipelineContext& context_;
    VideoWriterInput& input_;
    const ExportConfig& config_;
    SidebarRenderer& renderer_;
    const double startTime_;
    const double frameEstimate_;
    StreamLifecycle lifecycle_;
    long frameIndex_ = 0;
    std::size_t clipIndex_ = 0;
    std::unique_ptr<VideoFrameReader> reader_;
    int rotation_ = 0;
    AVColorSpace colorSpace_ = AVCOL_SPC_BT709;
    std::optional<MediaTime> lastOutputTime_;
    FrameScaler scaler_;
};

} // namespace kestrune
