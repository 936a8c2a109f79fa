// An opened media file (MP4, MOV, …): its first video and audio streams, its
// length and the displayed size of its picture.
#pragma once

#include "av_handles.h"
#include "media_time.h"

#include <string>

namespace kestrune {

class MediaFile {
public:
    // Opens and probes the file; throws MediaError naming the file and FFmpeg's reason.
    explicit MediaFile(const std::string& path);

    const std::string& path() const { return path_; }
    // Index of the first video / audio stream, or −1 when the file has none.
    int videoStreamIndex() const { return videoStream_; }
    int audioStreamIndex() const { return audioStream_; }
    bool hasVideo() const { return videoStream_ >= 0; }
    bool hasAudio() const { return audioStream_ >= 0; }

    // The container's duration (the longest stream), zero when unknown.
    MediaTime duration() const;
    // Coded size of the video stream, as decoded.
    int codedWidth() const;
    int codedHeight() const;
    // Display rotation of the video stream in degrees, 0, 90, 180 or 270 (clockwise),
    // from the stream's display matrix.
    int rotation() const;
    // The size the picture is shown at: coded size with width and height swapped
    // for quarter turns.
    int displayWidth() const;
    int displayHeight() const;
    // Average frame rate of the video stream, 0 when unknown.
    double averageFrameRate() const;

    AVFormatContext* context() const { return context_.get(); }
    AVStream* videoStream() const;
    AVStream* audioStream() const;

private:
    std::string path_;
    InputContextPtr context_;
    int videoStream_ = -1;
    int audioStream_ = -1;
};

} // namespace kestrune
