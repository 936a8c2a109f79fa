#include "video_stream.h"

#include "export_error.h"
#include "log/log.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kestrune {

namespace {

constexpr double kMaxProgressWhileRendering = 0.98;

using log::Category;

} // namespace

VideoStream::VideoStream(StreamContext& context, VideoWriterInput& input,
                         const ExportConfig& config, SidebarRenderer& renderer,
                         double frameEstimate)
    : context_(context)
    , input_(input)
    , frameEstimate_(frameEstimate)
    , composer_(config, renderer, videoOutputSettings(config).pixelFormat) {}

void VideoStream::run() {
    if (context_.writeEachClip("Video", [this](std::size_t i) { return writeClip(i); }))
        log::info(Category::Export, "Video: all %ld clip(s) processed, %ld total frames rendered",
                  static_cast<long>(context_.clips.size()), frameIndex_);
    input_.finish();
}

bool VideoStream::writeClip(std::size_t index) {
    const auto& clip = context_.clips[index];
    const long count = static_cast<long>(context_.clips.size());
    context_.observer.exportPhase(count < 2 ? std::string("Rendering")
                                            : "Clip " + std::to_string(index + 1) + " of " +
                                                  std::to_string(count));
    VideoFrameReader reader(clip.path, clip.start, clip.end);
    const int rotation = reader.file().rotation();
    const AVColorSpace colorSpace = reader.colorSpace();
    log::info(Category::Export, "Video: started reading clip %ld/%ld: %s, timeRange=%.2f-%.2fs",
              static_cast<long>(index + 1), count, clip.fileName.c_str(), clip.start.seconds(),
              clip.end.seconds());

    while (std::optional<DecodedFrame> source = reader.next()) {
        if (context_.writerStopped("Video", "frame", frameIndex_))
            return false;
        stall_.check(frameIndex_);

        // The frame on screen at the trim-in point may have started a little
        // earlier; it still opens the clip exactly at the clip's offset.
        const MediaTime intoClip = std::max(source->time, clip.start) - clip.start;
        const MediaTime outputTime =
            (context_.offsets[index] + intoClip).convertScale(MediaTime::kOutputTimescale);
        if (lastOutputTime_ && outputTime <= *lastOutputTime_)
            continue; // a source timestamp that would run backwards on the output timeline
        const double t = outputTime.seconds();

        if (frameIndex_ == 0) {
            log::info(Category::Export, "Video: first frame rendered, pts=%.3fs", t);
        } else if (frameIndex_ % 100 == 0) {
            const double elapsed = secondsSince(context_.started);
            log::debug(
                Category::Export,
                "Video: heartbeat frame=%ld time=%.2fs elapsed=%.1fs fps=%.1f progress=%.1f%%",
                frameIndex_, t, elapsed, elapsed > 0 ? frameIndex_ / elapsed : 0.0,
                std::min(frameIndex_ / std::max(frameEstimate_, 1.0) * 100.0, 100.0));
        }

        FramePtr output = input_.makeFrame();
        if (!output) {
            log::error(Category::Export, "Video: no output frame available at frame %ld",
                       frameIndex_);
            continue;
        }
        composer_.compose(*output, *source, rotation, colorSpace, t);
        if (!append(std::move(output), outputTime))
            return false;
        stall_.handedOver();
    }
    log::info(Category::Export, "Video: clip %ld/%ld exhausted at frame %ld, advancing to next",
              static_cast<long>(index + 1), count, frameIndex_);
    return true;
}

bool VideoStream::append(FramePtr frame, MediaTime outputTime) {
    MediaWriter& writer = context_.writer;
    if (!input_.append(std::move(frame), outputTime)) {
        // After a cancel the next round ends the stream. Anything else fails the
        // export: a movie with a frame silently missing is not what was asked for.
        if (writer.status() == MediaWriter::Status::cancelled)
            return true;
        const std::string reason = writer.error();
        log::error(Category::Export,
                   "Append failed at frame %ld, time %fs, writer.status=%ld, writer.error=%s",
                   frameIndex_, outputTime.seconds(), static_cast<long>(writer.status()),
                   reason.empty() ? "none" : reason.c_str());
        char refused[96];
        std::snprintf(refused, sizeof refused, "frame %ld at %.3f s was refused", frameIndex_,
                      outputTime.seconds());
        context_.fail(
            std::make_exception_ptr(ExportError::writerFailed(reason.empty() ? refused : reason)));
        return false;
    }
    lastOutputTime_ = outputTime;
    ++frameIndex_;
    if (frameIndex_ % 10 == 0)
        context_.observer.exportProgress(
            std::min(frameIndex_ / std::max(frameEstimate_, 1.0), kMaxProgressWhileRendering),
            secondsSince(context_.started) * 1000.0);
    return true;
}

} // namespace kestrune
