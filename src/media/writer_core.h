// What one MediaWriter and its inputs share: the status, the output file and its
// muxer, and how far each input has got, which decides whose turn it is.
// Private to the writer; callers use media_writer.h.
#pragma once

#include "media_error.h"
#include "media_time.h"
#include "media_writer.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace kestrune::detail {

class InputPace;

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
    std::string error() const;
    bool isWriting() const { return status() == Status::writing; }

    // created or writing → failed with `text`; later failures keep the first
    // explanation.
    void fail(const std::string& text);
    // `from` → `to`; false, changing nothing, when the status is no longer `from`.
    bool transition(Status from, Status to);
    // created or writing → cancelled. False when already past writing.
    bool cancel();

    // Muxes one encoded packet (timestamps in `encoderTimeBase`). False, dropping
    // the packet, when the file is closed or the muxer fails (which fails the writer).
    bool writePacket(AVPacket& packet, AVStream& stream, AVRational encoderTimeBase);
    // Writes the chapters and the trailer when `withTrailer` and the writer is
    // still writing, then closes the file. Safe to call more than once.
    void closeFile(bool withTrailer);
    void setChapters(std::vector<ChapterMarker> chapters);

    // The muxer; streams are added before the file is opened.
    AVFormatContext* format = nullptr;
    std::mutex muxMutex;
    bool fileOpen = false; // guarded by muxMutex

private:
    friend class InputPace;

    // Guards the status, the error, the chapters and every input's pace.
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<InputPace*> inputs_;
    Status status_ = Status::created;
    std::string error_;
    std::vector<ChapterMarker> chapters_;
};

// What the writer needs from each of its inputs besides their public face.
class EncodedInput {
public:
    virtual ~EncodedInput() = default;
    // Opens the encoder and adds the stream to the muxer, before the header is
    // written. The explanation of the failure, or empty.
    virtual std::string open() = 0;
    // Flushes the encoder; no more data comes.
    virtual void finish() = 0;
};

// The pace of one input: its position on the output timeline and whether it is
// finished. An input waits while it is too far ahead of the other.
class InputPace {
public:
    explicit InputPace(WriterCore& core);
    ~InputPace();
    InputPace(const InputPace&) = delete;
    InputPace& operator=(const InputPace&) = delete;

    // Blocks while this input is more than kMaxLead ahead of another unfinished
    // one. True when the input may append; false at once when the writer is not
    // writing or this input is finished.
    bool waitForTurn();
    // True when the writer is writing and this input still takes data.
    bool isAccepting() const;
    // Moves the position to `end` (the end of what was appended), waking the
    // other input when it was waiting for this one.
    void advance(MediaTime end);
    // False when it was already finished.
    bool markFinished();

private:
    bool isAheadLocked() const;

    WriterCore& core_;
    MediaTime position_ = MediaTime::zero();
    bool finished_ = false;
};

} // namespace kestrune::detail
