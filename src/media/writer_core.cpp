#include "writer_core.h"

namespace kestrune::detail {

// --- WriterCore ---

WriterCore::Status WriterCore::status() const {
    std::lock_guard lock(mutex);
    return status_;
}

std::string WriterCore::error() const {
    std::lock_guard lock(mutex);
    return error_;
}

void WriterCore::fail(const std::string& text) {
    {
        std::lock_guard lock(mutex);
        if (status_ != Status::writing && status_ != Status::unknown)
            return;
        status_ = Status::failed;
        error_ = text;
    }
    changed.notify_all();
}

bool WriterCore::cancel() {
    {
        std::lock_guard lock(mutex);
        if (status_ != Status::writing && status_ != Status::unknown)
            return false;
        status_ = Status::cancelled;
    }
    changed.notify_all();
    return true;
}

bool WriterCore::transition(Status from, Status to) {
    {
        std::lock_guard lock(mutex);
        if (status_ != from)
            return false;
        status_ = to;
    }
    changed.notify_all();
    return true;
}

MediaTime WriterCore::sessionStart() const {
    std::lock_guard lock(mutex);
    return sessionStart_;
}

void WriterCore::setSessionStart(MediaTime time) {
    std::lock_guard lock(mutex);
    sessionStart_ = time;
}

void WriterCore::setChapters(std::vector<ChapterMarker> chapters) {
    std::lock_guard lock(mutex);
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
        MediaTime start;
        {
            std::lock_guard stateLock(mutex);
            finalChapters = chapters_;
            start = sessionStart_;
        }
        int id = 0;
        for (const ChapterMarker& chapter : finalChapters) {
            auto* c = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
            if (!c)
                break;
            c->id = ++id;
            c->time_base = AVRational{1, MediaTime::kOutputTimescale};
            c->start = (chapter.start - start).toTimestamp(c->time_base);
            c->end = (chapter.end - start).toTimestamp(c->time_base);
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

// --- InputChannel ---

InputChannel::InputChannel(WriterCore& core)
    : core_(core) {
    std::lock_guard lock(core_.mutex);
    core_.channels.push_back(this);
}

InputChannel::~InputChannel() {
    join();
    std::lock_guard lock(core_.mutex);
    std::erase(core_.channels, this);
}

bool InputChannel::readyLocked() const {
    if (finished_ || core_.stopping || core_.statusLocked() != WriterCore::Status::writing)
        return false;
    for (const InputChannel* other : core_.channels)
        if (other != this && !other->finished_ &&
            position_ > other->position_ + WriterCore::kMaxLead)
            return false;
    return true;
}

bool InputChannel::isReady() const {
    std::lock_guard lock(core_.mutex);
    return readyLocked();
}

bool InputChannel::isAccepting() const {
    std::lock_guard lock(core_.mutex);
    return !finished_ && !core_.stopping && core_.statusLocked() == WriterCore::Status::writing;
}

void InputChannel::advance(MediaTime end) {
    {
        std::lock_guard lock(core_.mutex);
        position_ = end;
    }
    core_.changed.notify_all();
}

bool InputChannel::markFinished() {
    {
        std::lock_guard lock(core_.mutex);
        if (finished_)
            return false;
        finished_ = true;
    }
    core_.changed.notify_all();
    return true;
}

bool InputChannel::isFinished() const {
    std::lock_guard lock(core_.mutex);
    return finished_;
}

void InputChannel::requestMediaDataWhenReady(std::function<void()> callback) {
    std::lock_guard lock(core_.mutex);
    callback_ = std::move(callback);
    if (!worker_.joinable())
        worker_ = std::thread([this] { run(); });
    core_.changed.notify_all();
}

void InputChannel::join() {
    if (!worker_.joinable())
        return;
    // A callback that destroys the writer runs on this very thread: it cannot wait
    // for itself, so the worker is let go and leaves without touching the writer.
    if (worker_.get_id() == std::this_thread::get_id()) {
        *destroyedInCallback_ = true;
        worker_.detach();
    } else
        worker_.join();
}

void InputChannel::run() {
    const auto destroyed = destroyedInCallback_;
    std::unique_lock lock(core_.mutex);
    for (;;) {
        core_.changed.wait(lock, [this] {
            const auto status = core_.statusLocked();
            // Before startWriting() there is nothing to do yet; afterwards the
            // worker acts when its input is ready or when the writer stopped.
            const bool started = status != WriterCore::Status::unknown;
            return core_.stopping || finished_ ||
                   (started && (status != WriterCore::Status::writing || readyLocked()));
        });
        if (core_.stopping || finished_)
            return;
        const bool stillWriting = core_.statusLocked() == WriterCore::Status::writing;
        // A copy, so that a callback replacing itself does not destroy the running one.
        auto callback = callback_;
        lock.unlock();
        if (callback)
            callback();
        if (*destroyed)
            return;
        // After a cancel or a failure the callback runs once more, so that the
        // caller sees that the writer stopped and ends its stream; without that
        // call a stream waiting for its turn would never learn about it.
        if (!stillWriting)
            return;
        lock.lock();
    }
}

} // namespace kestrune::detail
