// What an import needs to know about a video file before it becomes a clip, and
// the still picture the clip strip shows for it. Both block while they read the
// file, so the editing model calls them off the main thread.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include <QImage>

namespace kestrune {

struct VideoMetadata {
    // Displayed size, after the track's rotation.
    int width = 0;
    int height = 0;
    // 0 when the size cannot be read; that never fails an import.
    std::int64_t fileSize = 0;
    double duration = 0; // seconds
    // Average frames per second of the video track, 0 when the file does not say.
    double frameRate = 0;
};

// A file that cannot be turned into a clip; the text is meant for the user.
class VideoMetadataError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws VideoMetadataError with FFmpeg's reason when the file cannot be opened,
// "No video track found" when it has no picture, or a note on the picture size
// when it is empty or larger than a clip may be (kMaxVideoSide).
VideoMetadata loadVideoMetadata(const std::string& path);

// The box a clip thumbnail fits in.
inline constexpr int kThumbnailMaxWidth = 240;
inline constexpr int kThumbnailMaxHeight = 135;

// The frame on screen at max(seconds, 0.1), upright, scaled down to fit 240 × 135
// with its aspect ratio kept. A null image when the file cannot be decoded.
QImage makeThumbnail(const std::string& path, double seconds);

// The size a picture of width × height takes in the thumbnail box: never enlarged,
// never smaller than one pixel a side.
QSize fittedThumbnailSize(int width, int height);

} // namespace kestrune
