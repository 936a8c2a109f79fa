#include "video_stream.h"

#include "export_error.h"
#include "log/log.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <malloc.h>
#include <thread>

namespace kestrune {

namespace {

constexpr double kMaxProgressWhileRendering = 0.98;
// Composed frames waiting for the encoder: enough to ride out a slow picture or
// the start of the next clip (three at 1080p), few enough that memory stays flat.
// A 4K frame is handed over as it is finished: one frame is encoded while the
// next is composed, as many as a filter graph holds.
constexpr double kQueuedBytes = 12e6;
constexpr std::size_t kMaxFramesInFlight = 4;

std::size_t framesInFlight(const ExportConfig& config) {
    const double frameBytes = 1.5 * config.outputWidth * config.outputHeight;
    return std::min(static_cast<std::size_t>(kQueuedBytes / frameBytes), kMaxFramesInFlight);
}

// How long before a clip's out point the next clip starts opening.
constexpr double kOpenAheadSeconds = 2;

using log::Category;

// Opens the file and starts its decoder. The first picture is decoded only when
// the clip's turn comes, after the previous clip's decoder let go of its pictures:
// two decoders full of pictures at once would raise the export's peak memory at
// every change of clip.
std::unique_ptr<VideoFrameReader> openClip(const PreloadedClip& clip) {
    return std::make_unique<VideoFrameReader>(clip.path, clip.start, clip.end);
}

} // namespace

VideoStream::VideoStream(StreamContext& context, VideoWriterInput& input,
                         const ExportConfig& config, SidebarRenderer& renderer,
                         double frameEstimate)
    : context_(context)
    , input_(input)
    , frameEstimate_(frameEstimate)
    , composer_(config, renderer, videoOutputSettings(config).pixelFormat)
    , queue_(framesInFlight(config)) {}

void VideoStream::run() {
    bool complete = false;
    std::thread composing;
    try {
        composing = std::thread([this, &complete] {
            complete = composeClips();
            queue_.close();
        });
    } catch (const std::system_error&) {
        context_.fail(std::current_exception());
        queue_.close();
    }
    while (std::optional<ComposedFrame> composed = queue_.pop()) {
        if (!append(std::move(*composed)))
            break;
    }
    queue_.close(); // a composer waiting for room ends
    if (composing.joinable())
        composing.join();
    if (complete)
        log::info(Category::Export, "Video: all %ld clip(s) processed, %ld total frames rendered",
                  static_cast<long>(context_.clips.size()), frameIndex_);
    input_.finish();
}

bool VideoStream::composeClips() {
    const bool complete =
        context_.writeEachClip("Video", [this](std::size_t i) { return composeClip(i); });
    // A clip still being opened when the stream ended early is waited for and dropped.
    nextClip_ = {};
    return complete;
}

void VideoStream::openAhead(std::size_t index) {
    if (nextClip_.valid() || index + 1 >= context_.clips.size())
        return;
    nextClip_ = std::async(std::launch::async, openClip, std::cref(context_.clips[index + 1]));
}

bool VideoStream::composeClip(std::size_t index) {
    const auto& clip = context_.clips[index];
    const long count = static_cast<long>(context_.clips.size());
    context_.observer.exportPhase(count < 2 ? std::string("Rendering")
                                            : "Clip " + std::to_string(index + 1) + " of " +
                                                  std::to_string(count));
    // A failure to open this clip ahead of time comes out here, as this clip's.
    std::unique_ptr<VideoFrameReader> opened = nextClip_.valid() ? nextClip_.get() : openClip(clip);
    VideoFrameReader& reader = *opened;
    const int rotation = reader.file().rotation();
    const AVColorSpace colorSpace = reader.colorSpace();
    log::info(Category::Export, "Video: started reading clip %ld/%ld: %s, timeRange=%.2f-%.2fs",
              static_cast<long>(index + 1), count, clip.fileName.c_str(), clip.start.seconds(),
              clip.end.seconds());

    while (std::optional<DecodedFrame> source = reader.next()) {
        if (context_.writerStopped("Video", "frame", framesComposed_))
            return false;
        stall_.check(framesComposed_);
        if (source->time.seconds() + kOpenAheadSeconds >= clip.end.seconds())
            openAhead(index);

        // The frame on screen at the trim-in point may have started a little
        // earlier; it still opens the clip exactly at the clip's offset.
        const MediaTime intoClip = std::max(source->time, clip.start) - clip.start;
        const MediaTime outputTime =
            (context_.offsets[index] + intoClip).convertScale(MediaTime::kOutputTimescale);
        if (lastOutputTime_ && outputTime <= *lastOutputTime_)
            continue; // a source timestamp that would run backwards on the output timeline
        const double t = outputTime.seconds();

        if (framesComposed_ == 0) {
            log::info(Category::Export, "Video: first frame rendered, pts=%.3fs", t);
        } else if (framesComposed_ % 100 == 0) {
            const double elapsed = secondsSince(context_.started);
            log::debug(
                Category::Export,
                "Video: heartbeat frame=%ld time=%.2fs elapsed=%.1fs fps=%.1f progress=%.1f%%",
                framesComposed_, t, elapsed, elapsed > 0 ? framesComposed_ / elapsed : 0.0,
                std::min(framesComposed_ / std::max(frameEstimate_, 1.0) * 100.0, 100.0));
        }

        FramePtr output = input_.makeFrame();
        if (!output) {
            // A movie with a frame silently missing is not what was asked for.
            if (!context_.writerStopped("Video", "frame", framesComposed_))
                context_.fail(std::make_exception_ptr(
                    ExportError::writerFailed("out of memory for a video frame")));
            return false;
        }
        composer_.compose(*output, *source, rotation, colorSpace, t);
        lastOutputTime_ = outputTime;
        ++framesComposed_;
        if (!queue_.push({std::move(output), outputTime}))
            return false; // the encoding side stopped
        stall_.handedOver();
    }
    log::info(Category::Export, "Video: clip %ld/%ld exhausted at frame %ld, advancing to next",
              static_cast<long>(index + 1), count, framesComposed_);
    // The decoder's pictures and threads are freed across the allocator's
    // per-thread arenas; handing the free pages back keeps an export of many
    // clips from growing clip by clip.
    opened.reset();
    malloc_trim(0);
    return true;
}

bool VideoStream::append(ComposedFrame composed) {
    MediaWriter& writer = context_.writer;
    const MediaTime outputTime = composed.time;
    if (!input_.append(std::move(composed.frame), outputTime)) {
        // After a cancel the composer sees the stopped writer and ends the stream.
        // Anything else fails the export: a movie with a frame silently missing is
        // not what was asked for.
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
    ++frameIndex_;
    if (frameIndex_ % 10 == 0)
        context_.observer.exportProgress(
            std::min(frameIndex_ / std::max(frameEstimate_, 1.0), kMaxProgressWhileRendering),
            secondsSince(context_.started) * 1000.0);
    return true;
}

} // namespace kestrune
