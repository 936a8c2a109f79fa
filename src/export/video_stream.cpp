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

const char* statusText(const MediaWriter& writer, std::string& storage) {
    storage = writer.error();
    return storage.empty() ? "none" : storage.c_str();
}

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

VideoStream::VideoStream(PipelineContext& context, VideoWriterInput& input,
                         const ExportConfig& config, SidebarRenderer& renderer, double startTime,
                         double frameEstimate, std::function<void()> onEnded)
    : context_(context)
    , input_(input)
    , config_(config)
    , renderer_(renderer)
    , startTime_(startTime)
    , frameEstimate_(frameEstimate)
    , lifecycle_(input, std::move(onEnded), "Video", "frame") {}

void VideoStream::end() {
    reader_.reset();
    lifecycle_.end();
}

void VideoStream::endIfRunning() {
    std::lock_guard lock(lifecycle_.mutex());
    end();
}

void VideoStream::openNextClip() {
    const auto& clip = context_.clips[clipIndex_];
    const long count = static_cast<long>(context_.clips.size());
    context_.reporter.postPhase(
        count < 2 ? QStringLiteral("Rendering")
                  : QStringLiteral("Clip %1 of %2").arg(clipIndex_ + 1).arg(count));
    reader_ = std::make_unique<VideoFrameReader>(clip.path, clip.start, clip.end);
    rotation_ = reader_->file().rotation();
    colorSpace_ = reader_->colorSpace();
    log::info(Category::Export, "Video: started reading clip %ld/%ld: %s, timeRange=%.2f-%.2fs",
              static_cast<long>(clipIndex_ + 1), count, clip.fileName.c_str(), clip.start.seconds(),
              clip.end.seconds());
}

void VideoStream::onReadyForMoreData() {
    std::lock_guard lock(lifecycle_.mutex());
    if (!lifecycle_.begin(frameIndex_))
        return;

    MediaWriter& writer = context_.writer;
    const long clipCount = static_cast<long>(context_.clips.size());
    while (input_.isReadyForMoreMediaData()) {
        if (lifecycle_.writerStopped(writer, frameIndex_)) {
            end();
            return;
        }
        if (!reader_) {
            if (static_cast<long>(clipIndex_) >= clipCount) {
                log::info(Category::Export,
                          "Video: all %ld clip(s) processed, %ld total frames rendered", clipCount,
                          frameIndex_);
                end();
                return;
            }
            try {
                openNextClip();
            } catch (const std::exception& error) {
                log::error(Category::Export, "Video: failed to create reader for clip %ld: %s",
                           static_cast<long>(clipIndex_ + 1), error.what());
                context_.storeError(std::current_exception());
                writer.cancelWriting();
                end();
                return;
            }
        }

        std::optional<DecodedFrame> source = reader_->next();
        if (!source) {
            log::info(Category::Export,
                      "Video: clip %ld/%ld exhausted at frame %ld, advancing to next",
                      static_cast<long>(clipIndex_ + 1), clipCount, frameIndex_);
            reader_.reset();
            ++clipIndex_;
            continue;
        }

        // The frame on screen at the trim-in point may have started a little
        // earlier; it still opens the clip exactly at the clip's offset.
        const auto& clip = context_.clips[clipIndex_];
        const MediaTime intoClip = std::max(source->time, clip.start) - clip.start;
        const MediaTime outputTime =
            (context_.offsets[clipIndex_] + intoClip).convertScale(MediaTime::kOutputTimescale);
        if (lastOutputTime_ && outputTime <= *lastOutputTime_)
            continue; // a source timestamp that would run backwards on the output timeline
        const double t = outputTime.seconds();

        if (frameIndex_ == 0) {
            log::info(Category::Export, "Video: first frame rendered, pts=%.3fs", t);
        } else if (frameIndex_ % 100 == 0) {
            const double elapsed = wallClockSeconds() - startTime_;
            const double percent =
                std::min(frameIndex_ / std::max(frameEstimate_, 1.0) * 100.0, 100.0);
            log::debug(
                Category::Export,
                "Video: heartbeat frame=%ld time=%.2fs elapsed=%.1fs fps=%.1f progress=%.1f%% "
                "writer.status=%ld",
                frameIndex_, t, elapsed, elapsed > 0 ? frameIndex_ / elapsed : 0.0, percent,
                static_cast<long>(writer.status()));
        }

        FramePtr output = input_.makeFrame();
        if (!output) {
            log::error(Category::Export, "Video: no output frame available at frame %ld",
                       frameIndex_);
            continue;
        }
        render(*output, *source, t);

        if (!input_.append(std::move(output), outputTime)) {
            std::string errorText;
            log::error(Category::Export,
                       "Append failed at frame %ld, time %fs, writer.status=%ld, writer.error=%s",
                       frameIndex_, t, static_cast<long>(writer.status()),
                       statusText(writer, errorText));
            if (writer.status() == MediaWriter::Status::failed) {
                const std::string message = writer.error();
                context_.storeError(std::make_exception_ptr(
                    ExportError::writerFailed(message.empty() ? "Video writer failed" : message)));
                writer.cancelWriting();
                end();
                return;
            }
        }
        lastOutputTime_ = outputTime;
        ++frameIndex_;
        if (frameIndex_ % 10 == 0) {
            const double progress =
                std::min(frameIndex_ / std::max(frameEstimate_, 1.0), kMaxProgressWhileRendering);
            context_.reporter.postProgress(progress, (wallClockSeconds() - startTime_) * 1000.0);
        }
    }
}

void VideoStream::render(AVFrame& output, const DecodedFrame& source, double time) {
    const int width = config_.outputWidth;
    const int height = config_.outputHeight;
    const int videoAreaWidth = config_.videoAreaWidth;
    const SidebarTheme& theme = config_.theme;

    QImage image(output.data[0], output.width, output.height, output.linesize[0],
                 QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.fillRect(QRectF(0, 0, videoAreaWidth, height), theme.videoAreaBackground.toColor());

    // The picture as players show it: quarter turns swap its sides.
    const bool quarterTurn = rotation_ == 90 || rotation_ == 270;
    const int pictureWidth = quarterTurn ? source.frame->height : source.frame->width;
    const int pictureHeight = quarterTurn ? source.frame->width : source.frame->height;
    const Fit fit = fitPicture(pictureWidth, pictureHeight, videoAreaWidth, height);
    const PixelRect target{
        static_cast<int>(std::lround(fit.x)), static_cast<int>(std::lround(fit.y)),
        static_cast<int>(std::lround(fit.width)), static_cast<int>(std::lround(fit.height))};
    const bool drawn = pictureWidth > 0 && pictureHeight > 0 && target.width > 0 &&
                       target.height > 0 &&
                       scaler_.scaleInto(*source.frame, colorSpace_, rotation_, output, target);

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
