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

    bool openFile();

    const std::string path;
    detail::WriterCore core;
    // After the core: the inputs reach it until they are gone.
    std::unique_ptr<detail::VideoInput> video;
    std::unique_ptr<detail::AudioInput> audio;

    std::vector<detail::EncodedInput*> inputs() const {
        std::vector<detail::EncodedInput*> all;
        if (video)
            all.push_back(video.get());
        if (audio)
            all.push_back(audio.get());
        return all;
    }
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
    impl_->core.closeFile(false);
    impl_->video.reset();
    impl_->audio.reset();
    avformat_free_context(impl_->core.format);
}

VideoWriterInput* MediaWriter::addVideoInput(const VideoOutputSettings& settings) {
    if (impl_->video || status() != Status::created)
        return nullptr;
    impl_->video = std::make_unique<detail::VideoInput>(impl_->core, settings);
    return impl_->video.get();
}

AudioWriterInput* MediaWriter::addAudioInput(const AudioOutputSettings& settings) {
    if (impl_->audio || status() != Status::created)
        return nullptr;
    impl_->audio = std::make_unique<detail::AudioInput>(impl_->core, settings);
    return impl_->audio.get();
}

void MediaWriter::setChapters(std::vector<ChapterMarker> chapters) {
    impl_->core.setChapters(std::move(chapters));
}

bool MediaWriter::start() {
    detail::WriterCore& core = impl_->core;
    if (status() != Status::created)
        return false;
    if (impl_->inputs().empty()) {
        core.fail("The writer has no inputs");
        return false;
    }
    for (detail::EncodedInput* input : impl_->inputs()) {
        if (std::string problem = input->open(); !problem.empty()) {
            core.fail(problem);
            return false;
        }
    }
    if (!impl_->openFile())
        return false;
    // A cancel that came in meanwhile wins; the file is then closed unfinished.
    if (!core.transition(Status::created, Status::writing)) {
        core.closeFile(false);
        return false;
    }
    return true;
}

bool MediaWriter::Impl::openFile() {
    std::lock_guard lock(core.muxMutex);
    const int opened = avio_open(&core.format->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (opened < 0) {
        core.fail("Could not create the file \"" + path + "\": " + ffmpegErrorText(opened));
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
    return true;
}

MediaWriter::Status MediaWriter::status() const {
    return impl_->core.status();
}

std::string MediaWriter::error() const {
    return impl_->core.error();
}

void MediaWriter::cancel() {
    if (impl_->core.cancel())
        impl_->core.closeFile(false);
}

MediaWriter::Status MediaWriter::finish() {
    detail::WriterCore& core = impl_->core;
    switch (core.status()) {
    case Status::created:
        core.fail("Writing was never started");
        break;
    case Status::writing:
        // Inputs left open are ended here; each flush writes its last packets.
        for (detail::EncodedInput* input : impl_->inputs())
            input->finish();
        core.closeFile(true);
        core.transition(Status::writing, Status::completed);
        break;
    case Status::completed:
        break;
    case Status::failed:
    case Status::cancelled:
        core.closeFile(false);
        break;
    }
    return core.status();
}

} // namespace kestrune
