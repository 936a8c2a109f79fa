#include "video_stream.h"

#include "export_error.h"
#include "log/log.h"

#include <algorithm>
#include <cmath>

#include <QImage>
#include <QPainter>

namespace kestrune {

namespace {

constexpr double kMaxProgressWhileRendering = 0.98;

using log::Category;

// The rectangle the clip picture is fitted into: the video area less a margin
// of 1.5 % of the height, keeping the picture's proportions.
struct Fit {
    double pad, areaWidth, areaHeight;
    double x, y, width, height; // y from the top
};

Fit fitPicture(double pictureWidth, double pictureHeight, double videoAreaWidth, double height) {
    Fit fit{};
    fit.pad = height * 0.015;
    fit.areaWidth = videoAreaWidth - 2 * fit.pad;
    fit.areaHeight = height - 2 * fit.pad;
    const double aspect = pictureWidth / pictureHeight;
    if (fit.areaWidth / fit.areaHeight >= aspect) {
        fit.height = fit.areaHeight;
        fit.width = fit.areaHeight * aspect;
        fit.x = fit.pad + (fit.areaWidth - fit.width) * 0.5;
        fit.y = fit.pad;
    } else {
        fit.width = fit.areaWidth;
        fit.height = fit.areaWidth / aspect;
        fit.x = fit.pad;
        fit.y = fit.pad + (fit.areaHeight - fit.height) * 0.5;
    }
    return fit;
}

} // namespace

VideoStream::VideoStream(StreamContext& context, VideoWriterInput& input,
                         const ExportConfig& config, SidebarRenderer& renderer,
                         double frameEstimate)
    : context_(context)
    , input_(input)
    , config_(config)
    , renderer_(renderer)
    , frameEstimate_(frameEstimate) {}

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
        render(*output, *source, rotation, colorSpace, t);
        if (!append(std::move(output), outputTime))
            return false;
    }
    log::info(Category::Export, "Video: clip %ld/%ld exhausted at frame %ld, advancing to next",
              static_cast<long>(index + 1), count, frameIndex_);
    return true;
}

bool VideoStream::append(FramePtr frame, MediaTime outputTime) {
    MediaWriter& writer = context_.writer;
    // After a cancel the next round ends the stream; anything else is worth a line.
    if (!input_.append(std::move(frame), outputTime) &&
        writer.status() != MediaWriter::Status::cancelled) {
        const std::string reason = writer.error();
        log::error(Category::Export,
                   "Append failed at frame %ld, time %fs, writer.status=%ld, writer.error=%s",
                   frameIndex_, outputTime.seconds(), static_cast<long>(writer.status()),
                   reason.empty() ? "none" : reason.c_str());
        if (writer.status() == MediaWriter::Status::failed) {
            context_.fail(std::make_exception_ptr(
                ExportError::writerFailed(reason.empty() ? "Video writer failed" : reason)));
            return false;
        }
    }
    lastOutputTime_ = outputTime;
    ++frameIndex_;
    if (frameIndex_ % 10 == 0)
        context_.observer.exportProgress(
            std::min(frameIndex_ / std::max(frameEstimate_, 1.0), kMaxProgressWhileRendering),
            secondsSince(context_.started) * 1000.0);
    return true;
}

void VideoStream::render(AVFrame& output, const DecodedFrame& source, int rotation,
                         AVColorSpace colorSpace, double time) {
    const int width = config_.outputWidth;
    const int height = config_.outputHeight;
    const int videoAreaWidth = config_.videoAreaWidth;
    const SidebarTheme& theme = config_.theme;

    QImage image(output.data[0], output.width, output.height, output.linesize[0],
                 QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.fillRect(QRectF(0, 0, videoAreaWidth, height), theme.videoAreaBackground.toColor());

    // The picture as players show it: quarter turns swap its sides.
    const bool quarterTurn = rotation == 90 || rotation == 270;
    const int pictureWidth = quarterTurn ? source.frame->height : source.frame->width;
    const int pictureHeight = quarterTurn ? source.frame->width : source.frame->height;
    const Fit fit = fitPicture(pictureWidth, pictureHeight, videoAreaWidth, height);
    const PixelRect target{
        static_cast<int>(std::lround(fit.x)), static_cast<int>(std::lround(fit.y)),
        static_cast<int>(std::lround(fit.width)), static_cast<int>(std::lround(fit.height))};
    const bool drawn = pictureWidth > 0 && pictureHeight > 0 && target.width > 0 &&
                       target.height > 0 &&
                       scaler_.scaleInto(*source.frame, colorSpace, rotation, output, target);

    if (drawn) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        if (videoAreaWidth < width) {
            painter.setPen(QPen(theme.videoBorderColor.toColor(), 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(fit.pad, fit.pad, fit.areaWidth, fit.areaHeight));
        }
        QPen dashes(theme.frameDashColor.toColor(), 1);
        dashes.setCapStyle(Qt::FlatCap);
        dashes.setDashPattern({4, 4});
        painter.setPen(dashes);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(0, 0, videoAreaWidth, height));
    }
    renderer_.draw(painter, time);
}

} // namespace kestrune
