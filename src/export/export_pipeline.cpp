#include "export_pipeline.h"

#include "audio_stream.h"
#include "chapter_list.h"
#include "export_error.h"
#include "log/log.h"
#include "media/media_error.h"
#include "pipeline_context.h"
#include "sidebar/sidebar_renderer.h"
#include "video_stream.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace kestrune {

namespace {

using log::Category;

constexpr std::int32_t kTrimTimescale = 600;
constexpr double kFallbackFrameRate = 30;

std::string lastPathComponent(const QString& path) {
    return QFileInfo(path).fileName().toStdString();
}

// The file is written under a temporary name beside its destination and moved
// over it only when complete, so a failed or cancelled export never leaves a
// partial file behind, nor destroys the one that was there.
class TemporaryOutput {
public:
    explicit TemporaryOutput(const QString& destination)
        : destination_(destination) {
        const QFileInfo info(destination);
        QTemporaryFile file(info.absolutePath() + "/." + info.completeBaseName() +
                            "-XXXXXX.partial." + info.suffix());
        file.setAutoRemove(false);
        if (!file.open())
            throw ExportError("Cannot write to the folder \"" + info.absolutePath().toStdString() +
                              "\": " + file.errorString().toStdString());
        path_ = file.fileName();
    }
    ~TemporaryOutput() {
        if (!committed_)
            QFile::remove(path_);
    }
    TemporaryOutput(const TemporaryOutput&) = delete;
    TemporaryOutput& operator=(const TemporaryOutput&) = delete;

    const QString& path() const { return path_; }

    void commit() {
        std::error_code error;
        std::filesystem::rename(path_.toStdString(), destination_.toStdString(), error);
        if (error)
            throw ExportError("Could not save \"" + lastPathComponent(destination_) +
                              "\": " + error.message());
        committed_ = true;
    }

private:
    QString destination_;
    QString path_;
    bool committed_ = false;
};

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
    clip.start = MediaTime::fromSeconds(info.trimIn, kTrimTimescale);
    clip.end = info.trimOut
                   ? MediaTime::fromSeconds(*info.trimOut, kTrimTimescale)
                   : MediaTime::fromSeconds(clip.file->duration().seconds(), kTrimTimescale);
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

// Counts the running streams; when the last one ends, the writer is finished.
class StreamGroup {
public:
    void enter() {
        std::lock_guard lock(mutex_);
        ++running_;
    }
    void leave() {
        std::lock_guard lock(mutex_);
        if (--running_ == 0)
            changed_.notify_all();
    }
    // Waits until every stream ended, or the writer stopped writing; true when all ended.
    bool waitForStreams(const MediaWriter& writer) {
        std::unique_lock lock(mutex_);
        while (running_ > 0) {
            if (writer.status() != MediaWriter::Status::writing)
                return false;
            changed_.wait_for(lock, std::chrono::milliseconds(50));
        }
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int running_ = 0;
};

} // namespace

void runPipelineDetached(const ExportConfig& config, const QString& outputPath, double startTime,
                         QPointer<ExportCoordinator> coordinator, CancellationToken& cancellation) {
    log::info(Category::Export, "Pipeline: detached task started");
    const double pipelineStart = wallClockSeconds();

    TemporaryOutput output(outputPath);
    log::info(Category::Export, "Pipeline: writing to '%s', replacing '%s' (if any) when complete",
              lastPathComponent(output.path()).c_str(), lastPathComponent(outputPath).c_str());

    const VideoOutputSettings settings = videoOutputSettings(config);
    MediaWriter writer(output.path().toStdString(), settings.containerFormat);
    log::info(Category::Export, "Pipeline: MediaWriter created for '%s'",
              lastPathComponent(outputPath).c_str());
    log::info(Category::Export, "Pipeline: video settings = %s", describe(settings).c_str());
    VideoWriterInput* videoInput = writer.addVideoInput(settings);

    const long clipCount = static_cast<long>(config.clips.size());
    log::info(Category::Export, "Pipeline: preloading %ld clip(s)...", clipCount);
    const double preloadStart = wallClockSeconds();
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
              wallClockSeconds() - preloadStart);

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
        log::info(Category::Export,
                  "Pipeline: audio writer input added (AAC 44.1kHz stereo 128kbps)");
    } else {
        log::info(Category::Export,
                  "Pipeline: no audio tracks found in any clip, skipping audio stream");
    }

    writer.setChapters(chapterMarkers(config, total));
    if (!writer.startWriting()) {
        const std::string reason = writer.error();
        log::error(Category::Export, "Pipeline: writer.startWriting() failed: %s",
                   reason.empty() ? "unknown" : reason.c_str());
        throw ExportError::writerFailed(reason.empty() ? "Failed to start writing" : reason);
    }
    writer.startSession(MediaTime::zero());
    log::info(Category::Export, "Writer started. status=%ld, videoInput.ready=%d",
              static_cast<long>(writer.status()), videoInput->isReadyForMoreMediaData() ? 1 : 0);
    if (audioInput)
        log::info(Category::Export, "audioInput.ready=%d",
                  audioInput->isReadyForMoreMediaData() ? 1 : 0);

    SidebarRenderer renderer(config.sections, config.outputWidth, config.outputHeight,
                             config.videoAreaWidth, config.sidebarWidth, config.theme);
    const double estimate = frameEstimate(clips);

    // The only way a user's cancel reaches the media work; it fires at once when
    // the export was cancelled before this point.
    cancellation.setHandler([&writer] {
        log::info(Category::Export, "Pipeline: task cancelled, calling writer.cancelWriting()");
        writer.cancelWriting();
    });

    PipelineContext context{writer, clips, offsets, ExportReporter(coordinator, &cancellation)};
    StreamGroup streams;
    streams.enter();
    VideoStream video(context, *videoInput, config, renderer, startTime, estimate,
                      [&streams] { streams.leave(); });
    std::optional<AudioStream> audio;
    if (audioInput) {
        streams.enter();
        audio.emplace(context, *audioInput, total, [&streams] { streams.leave(); });
    }
    videoInput->requestMediaDataWhenReady([&video] { video.onReadyForMoreData(); });
    if (audio)
        audioInput->requestMediaDataWhenReady([&audio] { audio->onReadyForMoreData(); });

    if (!streams.waitForStreams(writer)) {
        // The writer stopped (cancel or failure) before a stream noticed.
        video.endIfRunning();
        if (audio)
            audio->endIfRunning();
        streams.waitForStreams(writer);
    }
    cancellation.clearHandler();

    log::info(Category::Export, "Pipeline: DispatchGroup notify fired — both streams complete");
    context.reporter.postPhase(QStringLiteral("Finalizing..."));
    const double finishStart = wallClockSeconds();
    log::info(Category::Export, "Pipeline: calling writer.finishWriting()...");
    std::mutex finishMutex;
    std::condition_variable finished;
    bool isFinished = false;
    writer.finishWriting([&] {
        std::lock_guard lock(finishMutex);
        isFinished = true;
        finished.notify_all();
    });
    {
        std::unique_lock lock(finishMutex);
        finished.wait(lock, [&] { return isFinished; });
    }
    const MediaWriter::Status status = writer.status();
    log::info(Category::Export, "Pipeline: finishWriting completed in %.2fs, writer.status=%ld",
              wallClockSeconds() - finishStart, static_cast<long>(status));

    if (std::exception_ptr stored = context.firstError()) {
        std::string description = "unknown";
        try {
            std::rethrow_exception(stored);
        } catch (const std::exception& error) {
            description = error.what();
        } catch (...) {
        }
        log::error(Category::Export, "Pipeline: resuming continuation with stored error: %s",
                   description.c_str());
        std::rethrow_exception(stored);
    }
    if (status == MediaWriter::Status::cancelled || cancellation.isCancelled()) {
        log::info(Category::Export, "Pipeline: resuming continuation — cancelled");
        throw ExportCancelled();
    }
    if (status != MediaWriter::Status::failed) {
        output.commit();
        log::info(Category::Export,
                  "Pipeline: resuming continuation — success, total pipeline time=%.2fs",
                  wallClockSeconds() - pipelineStart);
        return;
    }
    const std::string reason = writer.error();
    log::error(Category::Export, "Pipeline: resuming continuation — writer failed: %s",
               reason.empty() ? "unknown" : reason.c_str());
    throw ExportError::writerFailed(reason.empty() ? "Video writer failed" : reason);
}

} // namespace kestrune
