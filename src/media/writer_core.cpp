#include "writer_core.h"

namespace kestrune::detail {

// --- WriterCore ---

WriterCore::Status WriterCore::status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

std::string WriterCore::error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

void WriterCore::fail(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        if (status_ != Status::writing && status_ != Status::created)
            return;
        status_ = Status::failed;
        error_ = text;
    }
    changed_.notify_all();
}

bool WriterCore::cancel() {
    return transition(Status::writing, Status::cancelled) ||
           transition(Status::created, Status::cancelled);
}

bool WriterCore::transition(Status from, Status to) {
    {
        std::lock_guard lock(mutex_);
        if (status_ != from)
            return false;
        status_ = to;
    }
    changed_.notify_all();
    return true;
}

void WriterCore::setChapters(std::vector<ChapterMarker> chapters) {
    std::lock_guard lock(mutex_);
    chapters_ = std::move(chapters);
}

bool WriterCore::writePacket(AVPacket& packet, AVStream& stream, AVRational encoderTimeBase) {
    av_packet_rescale_ts(&packet, encoderTimeBase, stream.time_base);
    packet.stream_index = stream.index;
    std::lock_guard lock(muxMutex);
    if (!fileOpen || !isWriting()) {
        av_packet_unref(&packet);
        return false;
    }
    // Takes the packet's data whatever the outcome.
    const int result = av_interleaved_write_frame(format, &packet);
    if (result < 0) {
        fail("Could not write to the output file: " + ffmpegErrorText(result));
        return false;
    }
    return true;
}

void WriterCore::closeFile(bool withTrailer) {
    std::lock_guard lock(muxMutex);
    if (!fileOpen)
        return;
    if (withTrailer && isWriting()) {
        // The QuickTime muxer takes chapters that arrive after the header and
        // writes them with the index, so they can change until the very end.
        std::vector<ChapterMarker> finalChapters;
        {
            std::lock_guard stateLock(mutex_);
            finalChapters = chapters_;
        }
        int id = 0;
        for (const ChapterMarker& chapter : finalChapters) {
            auto* c = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
            if (!c)
                break;
            c->id = ++id;
            c->time_base = AVRational{1, MediaTime::kOutputTimescale};
            c->start = chapter.start.toTimestamp(c->time_base);
            c->end = chapter.end.toTimestamp(c->time_base);
            av_dict_set(&c->metadata, "title", chapter.title.c_str(), 0);
            // nb_chapters is unsigned; av_dynarray_add counts in an int.
            int count = static_cast<int>(format->nb_chapters);
            av_dynarray_add(&format->chapters, &count, c);
            format->nb_chapters = static_cast<unsigned>(count);
        }
        const int result = av_write_trailer(format);
        if (result < 0)
            fail("Could not finish the output file: " + ffmpegErrorText(result));
    }
    const int result = avio_closep(&format->pb);
    if (result < 0)
        fail("Could not close the output file: " + ffmpegErrorText(result));
    fileOpen = false;
}

// --- InputPace ---

InputPace::InputPace(WriterCore& core)
    : core_(core) {
    std::lock_guard lock(core_.mutex_);
    core_.inputs_.push_back(this);
}

InputPace::~InputPace() {
    std::lock_guard lock(core_.mutex_);
    std::erase(core_.inputs_, this);
}

bool InputPace::isAheadLocked() const {
    for (const InputPace* other : core_.inputs_)
        if (other != this && !other->finished_ &&
            position_ > other->position_ + WriterCore::kMaxLead)
            return true;
    return false;
}

bool InputPace::waitForTurn() {
    std::unique_lock lock(core_.mutex_);
    core_.changed_.wait(lock, [this] {
        return finished_ || core_.status_ != WriterCore::Status::writing || !isAheadLocked();
    });
    return !finished_ && core_.status_ == WriterCore::Status::writing;
}

bool InputPace::isAccepting() const {
    std::lock_guard lock(core_.mutex_);
    return !finished_ && core_.status_ == WriterCore::Status::writing;
}

void InputPace::advance(MediaTime end) {
    {
        std::lock_guard lock(core_.mutex_);
        position_ = end;
    }
    core_.changed_.notify_all();
}

bool InputPace::markFinished() {
    {
        std::lock_guard lock(core_.mutex_);
        if (finished_)
            return false;
        finished_ = true;
    }
    core_.changed_.notify_all();
    return true;
}

} // namespace kestrune::detail
