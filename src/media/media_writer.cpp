#include "media_writer.h"

#include "audio_input.h"
#include "media_error.h"
#include "video_input.h"
#include "writer_core.h"

namespace kestrune {

namespace {

// Longest stretch the muxer buffers for one stream while waiting for packets of
// another: the inputs stay within a second of each other, so this only matters
// once one of them has ended, and then it bounds what the muxer holds.
constexpr std::int64_t kMaxInterleaveDeltaMicroseconds = 2'000'000;

} // namespace

struct MediaWriter::Impl {
    explicit Impl(std::string outputPath)
        : path(std::move(outputPath)) {}

    void finish();

    const std::string path;
    detail::WriterCore core;
    // After the core: the inputs reach it until they are gone.
    std::vector<std::unique_ptr<detail::EncodedInput>> inputs;
    bool hasVideo = false;
    bool hasAudio = false;
    std::mutex finishMutex; // one finish at a time
    std::mutex threadsMutex;
    std::vector<std::thread> finishThreads;
};

MediaWriter::MediaWriter(const std::string& path, const std::string& containerFormat)
    : impl_(std::make_unique<Impl>(path)) {
    AVFormatContext* format = nullptr;
    const int result =
        avformat_alloc_output_context2(&format, nullptr, containerFormat.c_str(), path.c_str());
    if (result < 0 || !format)
        throw MediaError("Unknown container format \"" + containerFormat +
                         "\": " + ffmpegErrorText(result));
    impl_->core.format = format;
}

MediaWriter::~MediaWriter() {
    detail::WriterCore& core = impl_->core;
    {
        std::lock_guard lock(core.mutex);
        core.stopping = true;
    }
    core.changed.notify_all();
    for (auto& input : impl_->inputs)
        input->join();
    {
        std::lock_guard lock(impl_->threadsMutex);
        for (std::thread& thread : impl_->finishThreads) {
            // A completion handler that destroys the writer runs on that thread;
            // it leaves without touching the writer once the handler returned.
            if (thread.get_id() == std::this_thread::get_id())
                thread.detach();
            else if (thread.joinable())
                thread.join();
        }
    }
    // A writer dropped while writing leaves the file as it is, without an index.
    core.closeFile(false);
    impl_->inputs.clear();
    avformat_free_context(core.format);
}

VideoWriterInput* MediaWriter::addVideoInput(const VideoOutputSettings& settings) {
    if (impl_->hasVideo || status() != Status::unknown)
        return nullptr;
    auto input = std::make_unique<detail::VideoInput>(impl_->core, settings);
    VideoWriterInput* result = input.get();
    impl_->inputs.push_back(std::move(input));
    impl_->hasVideo = true;
    return result;
}

AudioWriterInput* MediaWriter::addAudioInput(const AudioOutputSettings& settings) {
    if (impl_->hasAudio || status() != Status::unknown)
        return nullptr;
    auto input = std::make_unique<detail::AudioInput>(impl_->core, settings);
    AudioWriterInput* result = input.get();
    impl_->inputs.push_back(std::move(input));
    impl_->hasAudio = true;
    return result;
}

void MediaWriter::setChapters(std::vector<ChapterMarker> chapters) {
    impl_->core.setChapters(std::move(chapters));
}

bool MediaWriter::startWriting() {
    detail::WriterCore& core = impl_->core;
    if (status() != Status::unknown)
        return false;
    if (impl_->inputs.empty()) {
        core.fail("The writer has no inputs");
        return false;
    }
    for (auto& input : impl_->inputs) {
        if (std::string problem = input->open(); !problem.empty()) {
            core.fail(problem);
            return false;
        }
    }
    {
        std::lock_guard lock(core.muxMutex);
        const int opened = avio_open(&core.format->pb, impl_->path.c_str(), AVIO_FLAG_WRITE);
        if (opened < 0) {
            core.fail("Could not create the file \"" + impl_->path +
                      "\": " + ffmpegErrorText(opened));
            return false;
        }
        core.fileOpen = true;
        core.format->max_interleave_delta = kMaxInterleaveDeltaMicroseconds;
        AVDictionary* options = nullptr;
        // The index goes to the front when the file is finished, so that players
        // can start before they have read the whole file.
        av_dict_set(&options, "movflags", "+faststart", 0);
        // Edit lists count in the movie's timescale; at the video's own 1/90000
        // a first frame that is not at zero keeps its exact time (at the default
        // 1/1000 it would move by up to half a millisecond).
        av_dict_set(&options, "movie_timescale", "90000", 0);
        const int written = avformat_write_header(core.format, &options);
        av_dict_free(&options);
        if (written < 0) {
            core.fail("Could not write the file header: " + ffmpegErrorText(written));
            avio_closep(&core.format->pb);
            core.fileOpen = false;
            return false;
        }
    }
    // A cancel that came in meanwhile wins; the file is then closed unfinished.
    if (!core.transition(Status::unknown, Status::writing)) {
        core.closeFile(false);
        return false;
    }
    return true;
}

void MediaWriter::startSession(MediaTime sourceTime) {
    impl_->core.setSessionStart(sourceTime);
}

MediaWriter::Status MediaWriter::status() const {
    return impl_->core.status();
}

std::string MediaWriter::error() const {
    return impl_->core.error();
}

void MediaWriter::cancelWriting() {
    if (impl_->core.cancel())
        impl_->core.closeFile(false);
}

void MediaWriter::finishWriting(std::function<void()> completion) {
    std::lock_guard lock(impl_->threadsMutex);
    impl_->finishThreads.emplace_back([impl = impl_.get(), completion = std::move(completion)] {
        impl->finish();
        if (completion)
            completion();
    });
}

void MediaWriter::Impl::finish() {
    std::lock_guard lock(finishMutex);
    switch (core.status()) {
    case Status::unknown:
        core.fail("Writing was never started");
        return;
    case Status::writing:
        // Like the platform's writer, finishing ends the inputs that are still open;
        // each flush runs after any append that is under way.
        for (auto& input : inputs)
            input->finish();
        core.closeFile(true);
        core.transition(Status::writing, Status::completed);
        return;
    case Status::completed:
        return;
    case Status::failed:
    case Status::cancelled:
        core.closeFile(false);
        return;
    }
}

} // namespace kestrune
