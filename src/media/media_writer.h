// Writes one MPEG-4 (or QuickTime) file from rendered BGRA frames and PCM audio,
// encoding with the export settings. Mirrors the contract the export pipeline
// relies on:
// - status: 0 unknown, 1 writing, 2 completed, 3 failed, 4 cancelled;
// - each input says whether it is ready for more data, and while it is ready it
//   calls its callback again and again on its own serial worker thread, until it
//   is marked finished;
// - an input is ready only while its next timestamp is not far ahead of the other
//   unfinished input, so packets interleave in the file and memory stays bounded
//   whatever the length of the video;
// - cancelWriting() stops everything and removes nothing; finishWriting(done) closes
//   the file (or gives up) and calls done once, on a worker thread.
#pragma once

#include "av_handles.h"
#include "encoder_settings.h"
#include "media_time.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestrune {

class MediaWriter;

class WriterInput {
public:
    virtual ~WriterInput() = default;
    // Whether an append now would be taken without running far ahead.
    virtual bool isReadyForMoreMediaData() const = 0;
    // Calls `callback` on this input's serial worker thread whenever the input is
    // ready, until markAsFinished(). The callback appends while ready and returns.
    virtual void requestMediaDataWhenReady(std::function<void()> callback) = 0;
    // No more data; flushes this input's encoder.
    virtual void markAsFinished() = 0;
};

class VideoWriterInput : public WriterInput {
public:
    // A BGRA frame of the output size to render into (from a pool once writing
    // started; null before, or when the writer is not writing).
    virtual FramePtr makeFrame() = 0;
    // Encodes the frame at `time` on the output timeline. Times must increase.
    // False when the frame was refused (writer not writing, encoder failure, or a
    // time not after the previous one).
    virtual bool append(FramePtr frame, MediaTime time) = 0;
};

class AudioWriterInput : public WriterInput {
public:
    // Interleaved float stereo at 44,100 Hz, `frames` samples per channel, starting
    // at `time` on the output timeline. Gaps before `time` are filled with silence.
    virtual bool append(const float* interleavedStereo, int frames, MediaTime time) = 0;
};

struct ChapterMarker {
    std::string title;
    MediaTime start;
    MediaTime end;
};

class MediaWriter {
public:
    enum class Status { unknown = 0, writing = 1, completed = 2, failed = 3, cancelled = 4 };

    // Nothing is written until startWriting(). `containerFormat` is FFmpeg's muxer
    // name ("mp4", "mov"). Throws MediaError when the muxer is unknown.
    MediaWriter(const std::string& path, const std::string& containerFormat);
    ~MediaWriter();

    VideoWriterInput* addVideoInput(const VideoOutputSettings& settings);
    AudioWriterInput* addAudioInput(const AudioOutputSettings& settings);
    // Chapter markers written into the file when it is finished.
    void setChapters(std::vector<ChapterMarker> chapters);

    // Opens the encoders and the file; false with error() set on failure.
    bool startWriting();
    void startSession(MediaTime sourceTime);

    Status status() const;
    // FFmpeg's explanation of a failure; empty when there is none.
    std::string error() const;

    void cancelWriting();
    void finishWriting(std::function<void()> completion);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace kestrune
