// Decodes the video frames of one file within a time range, in presentation
// order, each with its exact presentation time.
#pragma once

#include "av_handles.h"
#include "media_damage.h"
#include "media_file.h"
#include "media_time.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kestrune {

struct DecodedFrame {
    FramePtr frame; // as decoded: the stream's own pixel format and coded size
    MediaTime time; // presentation time in the source, in the stream's time base
    // Frames between the previous one handed out and this one may have been left
    // out (see VideoFrameReader::setSkipping).
    bool afterSkipped = false;
};

// What a reader that cannot keep up with playback may leave out to catch up.
enum class FrameSkipping {
    none,
    // Frames no other frame is decoded from (B-frames mostly): the decoder's
    // AVDISCARD_NONREF, which costs nothing to turn on or off at any frame.
    nonReference,
};

class VideoFrameReader {
public:
    // Reads the frames shown within [start, end): the frame on screen at `start`
    // (the last one whose time is ≤ start) comes first, frames at or after `end`
    // are left out. Seeks to the key frame before `start`. Throws MediaError when
    // the file has no video stream or its decoder cannot be opened.
    VideoFrameReader(const std::string& path, MediaTime start, MediaTime end,
                     DamagedMedia onDamage = DamagedMedia::fail);

    // The next frame of the range, or nothing at its end. A read or decode error
    // ends the range early, like the end of the file. Unless damage is tolerated,
    // it then throws MediaError naming the file when frames the file's index holds
    // within the range were not decoded: the file was cut short, or more than a
    // second of pictures in the middle cannot be read.
    std::optional<DecodedFrame> next();

    // Frames left out from the next packet on. Off, as it starts, every frame is read.
    void setSkipping(FrameSkipping skipping);
    // Leaves out every packet before the last key frame at or before `time`
    // (source time) and reads on from there: the quickest way to a picture far
    // ahead. Does nothing when the file's index does not know that key frame or
    // the reader has already passed it.
    void skipToKeyFrameBefore(MediaTime time);

    const MediaFile& file() const { return file_; }
    // The colour matrix to read the frames with: the stream's own, or BT.709/BT.601 by size.
    AVColorSpace colorSpace() const;

private:
    // Seeks and decodes up to the frame on screen at start_.
    void positionAtStart();
    bool seekBefore(std::int64_t timestamp);
    // Whether the decoder is handed `packet`, which belongs to the stream: not
    // while skipping to a key frame.
    bool takes(const AVPacket& packet);
    // The next decoded frame with its time, or nothing at the end of the stream.
    std::optional<DecodedFrame> decode();
    // Throw when decoding stopped before the last frame the index holds in the
    // range, or left out indexed frames between `before` and `after`.
    void checkReachedEnd() const;
    void checkGap(MediaTime before, MediaTime after) const;
    void finish();

    MediaFile file_;
    AVStream* stream_ = nullptr;
    CodecContextPtr decoder_;
    PacketPtr packet_;
    MediaTime start_;
    MediaTime end_;
    DamagedMedia onDamage_;
    bool positioned_ = false;
    bool draining_ = false; // the end of the input was sent to the decoder
    bool finished_ = false;
    // The frame on screen at start_ and the one after it, found while positioning.
    std::optional<DecodedFrame> held_;
    std::optional<DecodedFrame> lookahead_;
    std::optional<MediaTime> lastTime_; // of the last frame handed out
    std::optional<MediaTime> reach_;    // of the latest frame decoded
    // While set, packets are left out until the key frame with this decode time
    // (stream time base).
    std::optional<std::int64_t> keyTarget_;
    std::int64_t lastFed_ = INT64_MIN; // decode time of the last packet handed to the decoder
    bool skipped_ = false; // frames may have been left out since the last one handed out
};

} // namespace kestrune
