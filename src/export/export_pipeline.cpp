#include "export_pipeline.h"

#include "audio_stream.h"
#include "chapter_list.h"
#include "export_error.h"
#include "log/log.h"
#include "sidebar/sidebar_renderer.h"
#include "stream_context.h"
#include "temporary_output.h"
#include "video_stream.h"

#include <cstdio>
#include <filesystem>
#include <thread>

#include <QFileInfo>

namespace kestrune {

namespace {

using log::Category;

constexpr std::int32_t kTrimTimescale = 600;
constexpr double kFallbackFrameRate = 30;

std::string lastPathComponent(const QString& path) {
    return QFileInfo(path).fileName().toStdString();
}

PreloadedClip preload(const ClipExportInfo& info) {
    PreloadedClip clip;
    clip.path = info.path;
    clip.fileName = lastPathComponent(QString::fromStdString(info.path));
    clip.file = std::make_unique<MediaFile>(clip.path);
    if (!clip.file->hasVideo()) {
        log::error(Category::Export, "Pipeline: clip '%s' has no video track",
                   clip.fileName.c_str());
        throw ExportError("File \"" + clip.fileName +
                          "\" is no longer accessible or has no video track.");
    }
    clip.hasAudio = clip.file->hasAudio();
    // Only what the file holds now can be shown, whatever the out point says: a
    // range past its end would be waited for forever, or filled with nothing.
    const double held = clip.file->duration().seconds();
    const double out =
        held > 0 ? std::min(info.trimOut.value_or(held), held) : info.trimOut.value_or(held);
    if (info.trimIn >= out)
        throw ExportError::nothingToShow(clip.fileName, info.trimIn, out, held);
    clip.start = MediaTime::fromSeconds(info.trimIn, kTrimTimescale);
    clip.end = MediaTime::fromSeconds(out, kTrimTimescale);
    clip.duration = clip.end - clip.start;
    return clip;
}

// Frames to expect, for progress only: each clip counted at its own frame rate.
double frameEstimate(const std::vector<PreloadedClip>& clips) {
    double frames = 0;
    for (const auto& clip : clips) {
        double rate = clip.file->averageFrameRate();
        if (!(rate > 0))
            rate = kFallbackFrameRate;
        frames += std::trunc(std::max(clip.duration.seconds(), 0.0) * rate);
    }
    return frames;
}

// The sections as chapter markers of the file, as the chapter list gives them.
std::vector<ChapterMarker> chapterMarkers(const ExportConfig& config, MediaTime total) {
    std::vector<ChapterMarker> markers;
    for (const Chapter& chapter : chapterList(config.sections, total.seconds())) {
        const auto start = MediaTime::fromSeconds(chapter.start, MediaTime::kOutputTimescale);
        const auto end = MediaTime::fromSeconds(chapter.end, MediaTime::kOutputTimescale);
        if (start < end)
            markers.push_back({chapter.title, start, end});
    }
    return markers;
}

// A cancellation handler installed for as long as this lives, so that it is gone
// before what it reaches, however the export is left.
class ScopedCancelHandler {
public:
    ScopedCancelHandler(CancellationToken& token, std::function<void()> handler)
        : token_(token) {
        token_.setHandler(std::move(handler));
    }
    ~ScopedCancelHandler() { token_.clearHandler(); }
    ScopedCancelHandler(const ScopedCancelHandler&) = delete;
    ScopedCancelHandler& operator=(const ScopedCancelHandler&) = delete;

private:
    CancellationToken& token_;
};

// Starts both streams and waits for them. Should the second thread not start,
// the first is stopped rather than left waiting for a partner that never comes.
void runStreams(StreamContext& context, VideoStream& video, AudioStream* audio) {
    std::thread videoThread([&video] { video.run(); });
    std::thread audioThread;
    try {
        if (audio)
            audioThread = std::thread([audio] { audio->run(); });
    } catch (const std::system_error&) {
        context.fail(std::current_exception());
    }
    videoThread.join();
    if (audioThread.joinable())
        audioThread.join();
}

void writeMovie(const ExportConfig& config, const std::string& outputPath, ExportObserver& observer,
                CancellationToken& cancellation) {
    log::info(Category::Export, "Pipeline: export started");
    const SteadyTime pipelineStart = std::chrono::steady_clock::now();

    const QString destination = QString::fromStdString(outputPath);
    TemporaryOutput output(destination);
    log::info(Category::Export, "Pipeline: writing to '%s', replacing '%s' (if any) when complete",
              lastPathComponent(output.path()).c_str(), lastPathComponent(destination).c_str());

    const VideoOutputSettings settings = videoOutputSettings(config);
    MediaWriter writer(output.path().toStdString(), settings.containerFormat);
    log::info(Category::Export, "Pipeline: video settings = %s", describe(settings).c_str());
    VideoWriterInput* videoInput = writer.addVideoInput(settings);

    const long clipCount = static_cast<long>(config.clips.size());
    log::info(Category::Export, "Pipeline: preloading %ld clip(s)...", clipCount);
    const SteadyTime preloadStart = std::chrono::steady_clock::now();
    std::vector<PreloadedClip> clips;
    bool anyAudio = false;
    for (const auto& info : config.clips) {
        clips.push_back(preload(info));
        const auto& clip = clips.back();
        anyAudio = anyAudio || clip.hasAudio;
        log::info(Category::Export,
                  "Pipeline: preloaded clip %ld/%ld: '%s', trimmedDuration=%.2fs, trimIn=%.2fs, "
                  "hasAudio=%d",
                  static_cast<long>(clips.size()), clipCount, clip.fileName.c_str(),
                  clip.duration.seconds(), info.trimIn, clip.hasAudio ? 1 : 0);
    }
    log::info(Category::Export, "Pipeline: all clips preloaded in %.2fs",
              secondsSince(preloadStart));

    std::vector<MediaTime> offsets;
    MediaTime total = MediaTime::zero();
    std::string offsetList;
    for (std::size_t i = 0; i < clips.size(); ++i) {
        offsets.push_back(total);
        char entry[64];
        std::snprintf(entry, sizeof entry, "%sclip%zu: %.2fs", i ? ", " : "", i, total.seconds());
        offsetList += entry;
        total = total + clips[i].duration;
    }
    log::info(Category::Export, "Pipeline: timeline offsets: [%s], totalDuration=%.2fs",
              offsetList.c_str(), total.seconds());

    AudioWriterInput* audioInput = nullptr;
    if (anyAudio) {
        audioInput = writer.addAudioInput(audioOutputSettings());
        log::info(Category::Export, "Pipeline: sound track added (%s)",
                  describe(audioOutputSettings()).c_str());
    } else {
        log::info(Category::Export, "Pipeline: no clip has sound, the movie gets no sound track");
    }

    writer.setChapters(chapterMarkers(config, total));
    if (!writer.start()) {
        const std::string reason = writer.error();
        log::error(Category::Export, "Pipeline: the writer did not start: %s",
                   reason.empty() ? "unknown" : reason.c_str());
        throw ExportError::writerFailed(reason.empty() ? "Failed to start writing" : reason);
    }

    SidebarRenderer renderer(config.sections, config.outputWidth, config.outputHeight,
                             config.videoAreaWidth, config.sidebarWidth, config.theme);
    // The only way a user's cancel reaches the media work; it fires at once when
    // the export was cancelled before this point. Waiting appends return at once.
    const ScopedCancelHandler stopWriter(cancellation, [&writer] {
        log::info(Category::Export, "Pipeline: cancelled, stopping the writer");
        writer.cancel();
    });

    StreamContext context(writer, clips, offsets, observer);
    VideoStream video(context, *videoInput, config, renderer, frameEstimate(clips));
    std::optional<AudioStream> audio;
    if (audioInput)
        audio.emplace(context, *audioInput, total);
    runStreams(context, video, audio ? &*audio : nullptr);
    // Clips that gave no picture at all make no movie, whatever else was written.
    if (video.framesWritten() == 0 && !context.firstError() && !cancellation.isCancelled())
        context.fail(
            std::make_exception_ptr(ExportError("No picture could be read from the clips.")));

    log::info(Category::Export, "Pipeline: both streams ended, finishing the file");
    observer.exportPhase("Finalizing...");
    const SteadyTime finishStart = std::chrono::steady_clock::now();
    const MediaWriter::Status status = writer.finish();
    log::info(Category::Export, "Pipeline: file finished in %.2fs, writer.status=%ld",
              secondsSince(finishStart), static_cast<long>(status));

    // A stream's failure wins over the cancel it caused.
    if (std::exception_ptr stored = context.firstError())
        std::rethrow_exception(stored);
    if (status == MediaWriter::Status::cancelled || cancellation.isCancelled())
        throw ExportCancelled();
    if (status != MediaWriter::Status::completed) {
        const std::string reason = writer.error();
        throw ExportError::writerFailed(reason.empty() ? "Video writer failed" : reason);
    }
    output.commit();
    log::info(Category::Export, "Pipeline: export written in %.2fs", secondsSince(pipelineStart));
}

} // namespace

std::optional<double> estimatedRemainingMs(double progress, double elapsedMs) {
    if (!(progress > 0.05) || !(elapsedMs > 0))
        return std::nullopt;
    return elapsedMs / progress * (1.0 - progress);
}

void exportMovie(const ExportConfig& config, const std::string& outputPath,
                 ExportObserver& observer, CancellationToken& cancellation) {
    ExportOutcome outcome;
    try {
        writeMovie(config, outputPath, observer, cancellation);
    } catch (const ExportCancelled&) {
        log::info(Category::Export, "Pipeline: ended — cancelled");
        outcome.end = ExportOutcome::End::cancelled;
    } catch (const std::exception& error) {
        log::error(Category::Export, "Pipeline: ended — failed: %s", error.what());
        outcome = {ExportOutcome::End::failed, error.what()};
    }
    observer.exportFinished(outcome);
}

} // namespace kestrune
