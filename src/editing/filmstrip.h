// The row of small pictures under a clip being trimmed: where in the file they
// are taken and how each one is made.
#pragma once

#include "media/frame_scaler.h"
#include "media/video_frame_reader.h"

#include <optional>
#include <string>
#include <vector>

#include <QImage>
#include <QSizeF>

namespace kestrune {

inline constexpr int kFilmstripFrameCount = 40;
inline constexpr double kFilmstripFrameHeight = 50;

// The middles of `count` equal slices of `duration` seconds, each on the 1/600
// second grid of trim points. None when the duration or the count is not positive.
std::vector<double> filmstripTimes(double duration, int count);

// The box a filmstrip picture of `height` fits in: 16:9, so 88.89 × 50 at 50.
QSizeF filmstripPictureBox(double height);

// Makes the pictures of one file at increasing times, upright and fitted into
// filmstripPictureBox(height). Close times are reached by decoding on from the
// previous picture, far ones by seeking: a short clip is decoded once rather
// than once from its key frame for every picture. Blocks while it reads.
class FilmstripPictureReader {
public:
    // Decoding on is cheaper than a seek up to about this far.
    static constexpr MediaTime kReadOnLimit{2, 1};

    FilmstripPictureReader(std::string path, double height);

    // The frame on screen at `seconds`; a null image when it cannot be decoded.
    QImage pictureAt(double seconds);

private:
    bool seekTo(MediaTime time);

    std::string path_;
    QSizeF box_;
    std::optional<VideoFrameReader> reader_;
    std::optional<DecodedFrame> shown_;    // the frame on screen at the last time asked
    std::optional<DecodedFrame> upcoming_; // the one after it, once read
    FrameScaler scaler_;
};

} // namespace kestrune
