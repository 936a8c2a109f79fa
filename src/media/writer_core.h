// What one MediaWriter and its inputs share: the status, the output file and its
// muxer, and the readiness of every input, which decides whose turn it is.
// Private to the writer; callers use media_writer.h.
#pragma once

#include "media_error.h"
#include "media_time.h"
#include "media_writer.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrune::detail {

class InputChannel;

class WriterCore {
public:
    using Status = MediaWriter::Status;

    // How far an input may run ahead of the other unfinished one. Small enough
    // that the muxer's interleaving queue stays short, large enough that the
    // encoders' own delay never stalls an input.
    static constexpr MediaTime kMaxLead{1, 1};

    WriterCore() = default;
    WriterCore(const WriterCore&) = delete;
    WriterCore& operator=(const WriterCore&) = delete;

    Status status() const;
    // The same, for callers that hold `mutex`.
    Status statusLocked() const { return status_; }
    std::string error() const;
    bool isWriting() const { return status() == Status::writing; }

    // unknown or writing → failed with `text`; later failures keep the first
    // explanation.
    void fail(const std::string& text);
    // `from` → `to`; false, changing nothing, when the status is no longer `from`.
    bool transition(Status from, Status to);
    // unknown or writing → cancelled. False when already past writing.
    bool cancel();

    // Muxes one encoded packet (timestamps in `encoderTimeBase`). False, dropping
    // the packet, when the file is closed or the muxer fails (which fails the writer).
    bool writePacket(AVPacket& packet, AVStream& stream, AVRational encoderTimeBase);
    // Writes the trailer when `withTrailer` and the writer is still writing, then
    // closes the file. Safe to call more than once.
    void closeFile(bool withTrailer);

    // The muxer; streams and chapters are added before the file is opened or,
    // for chapters, right before the trailer (under muxMutex).
    AVFormatContext* format = nullptr;
    std::mutex muxMutex;
    bool fileOpen = false; // guarded by muxMutex
    // The source time that becomes zero in the file.
    MediaTime sessionStart() const;
    void setSessionStart(MediaTime time);
    void setChapters(std::vector<ChapterMarker> chapters);

    // Guards status, error, session start, chapters and every channel's position
    // and flags.
    mutable std::mutex mutex;
    std::condition_variable changed;
    bool stopping = false; // the writer is being destroyed
    std::vector<InputChannel*> channels;

private:
    Status status_ = Status::unknown;
    std::string error_;
    MediaTime sessionStart_ = MediaTime::zero();
    // Applied right before the trailer.
    std::vector<ChapterMarker> chapters_;
};

// What the writer needs from each of its inputs besides their public face.
class EncodedInput {
public:
    virtual ~EncodedInput() = default;
    // Opens the encoder and adds the stream to the muxer, before the header is
    // written. The explanation of the failure, or empty.
    virtual std::string open() = 0;
    // Flushes the encoder once no more data comes (markAsFinished()).
    virtual void finish() = 0;
    // Waits for the input's worker to end; the writer sets `stopping` first.
    virtual void join() = 0;
};

// The scheduling side of one input: its position on the output timeline, whether
// it is finished, and the serial worker that calls the caller's callback while the
// input is ready.
class InputChannel {
public:
    explicit InputChannel(WriterCore& core);
    ~InputChannel();
    InputChannel(const InputChannel&) = delete;
    InputChannel& operator=(const InputChannel&) = delete;

    bool isReady() const;
    // Starts the worker on the first call; later calls replace the callback.
    void requestMediaDataWhenReady(std::function<void()> callback);
    // True when the writer is writing and this input still takes data.
    bool isAccepting() const;
    // Moves the position to `end` (the end of what was appended), waking the
    // other input when it was waiting for this one.
    void advance(MediaTime end);
    // False when it was already finished.
    bool markFinished();
    bool isFinished() const;
    // Waits for the worker to end; the writer sets `stopping` first.
    void join();

    // Under core.mutex.
    bool readyLocked() const;

private:
    void run();

    WriterCore& core_;
    MediaTime position_ = MediaTime::zero();
    bool finished_ = false;
    std::function<void()> callback_; // guarded by core.mutex
    std::thread worker_;
    // Set when the writer was destroyed from this input's own callback.
    std::shared_ptr<bool> destroyedInCallback_ = std::make_shared<bool>(false);
};

} // namespace kestrune::detail
