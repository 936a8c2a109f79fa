// Writes one MPEG-4 (or QuickTime) file from composed frames and PCM sound,
// encoding with the export settings. Each input is fed from its own thread:
// - an append blocks while its input is more than a second ahead of the other
//   unfinished input, so packets interleave in the file and memory stays bounded
//   whatever the length of the video; it returns false at once when the writer
//   stops (cancelled or failed) or the data is refused;
// - cancel() stops everything from any thread and wakes every waiting append;
// - finish() ends the inputs still open, writes the index and closes the file, and
//   returns when the file is closed.
#pragma once

#include "av_handles.h"
#include "encoder_settings.h"
#include "media_time.h"

#include <memory>
#include <string>
#include <vector>

namespace kestrune {

class VideoWriterInput {
public:
    virtual ~VideoWriterInput() = default;
    // A frame of the output size in the encoder's pixel format (BT.709, video
    // range) to compose into, from a pool; null before writing started, or once
    // this input no longer takes frames.
    virtual FramePtr makeFrame() = 0;
    // Encodes the frame at `time` on the output timeline, first waiting for its
    // turn. Times must increase. False when the frame was refused (writer not
    // writing, encoder failure, or a time not after the previous one).
    virtual bool append(FramePtr frame, MediaTime time) = 0;
    // No more frames: flushes the encoder.
    virtual void finish() = 0;
};

class AudioWriterInput {
public:
    virtual ~AudioWriterInput() = default;
    // Interleaved float stereo at 44,100 Hz, `frames` samples per channel, starting
    // at `time` on the output timeline, after waiting for its turn. Gaps before
    // `time` are filled with silence.
    virtual bool append(const float* interleavedStereo, int frames, MediaTime time) = 0;
    // No more sound: flushes the encoder.
    virtual void finish() = 0;
};

struct ChapterMarker {
    std::string title;
    MediaTime start;
    MediaTime end;
};

class MediaWriter {
public:
    enum class Status { created, writing, completed, failed, cancelled };

    // Nothing is written until start(). `containerFormat` is FFmpeg's muxer name
    // ("mp4", "mov"). Throws MediaError when the muxer is unknown.
    MediaWriter(const std::string& path, const std::string& containerFormat);
    // A writer dropped while writing leaves the file as it is, without an index.
    ~MediaWriter();

    // One of each at most, before start().
    VideoWriterInput* addVideoInput(const VideoOutputSettings& settings);
    AudioWriterInput* addAudioInput(const AudioOutputSettings& settings);
    // Chapter markers written into the file when it is finished.
    void setChapters(std::vector<ChapterMarker> chapters);

    // Opens the encoders and the file; false with error() set on failure.
    bool start();

    Status status() const;
    // FFmpeg's explanation of a failure; empty when there is none.
    std::string error() const;

    // Any thread, any time; the file is closed as it is.
    void cancel();
    // Call once no input is appending any more. Returns the final status.
    Status finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace kestrune
