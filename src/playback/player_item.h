// What the player plays: pieces of files played back to back as one timeline,
// and the picture it shows.
#pragma once

#include "media/av_handles.h"
#include "media/media_time.h"

#include <memory>
#include <string>
#include <vector>

namespace kestrune {

// The part [start, end) of a file, in the file's own time.
struct PlayerSegment {
    std::string path;
    MediaTime start;
    MediaTime end;

    bool operator==(const PlayerSegment&) const = default;
};

// A decoded picture and where it is shown on the joined timeline: from `time`
// until `end`, when the next picture takes over.
struct PlayerFrame {
    // As decoded (the stream's pixel format and coded size); shared so that a
    // video output can hold on to it while the player moves on.
    std::shared_ptr<const AVFrame> picture;
    MediaTime time;       // on the timeline
    MediaTime end;        // on the timeline
    MediaTime sourceTime; // in the segment's file
    int segment = 0;      // index into the item's segments
    // Clockwise turn (0, 90, 180, 270) that shows the picture upright, from the
    // file's display matrix (MediaFile::rotation()).
    int rotation = 0;
};

} // namespace kestrune
