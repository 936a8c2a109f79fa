// The chapters a video file carries (MP4, MOV, M4V, MKV, WebM), as FFmpeg reads
// them from the container.
#pragma once

#include <string>
#include <vector>

namespace kestrune {

struct MediaChapter {
    // Seconds from the start of the file.
    double start = 0;
    double end = 0;
    // The chapter's "title" tag as stored; empty when it has none.
    std::string title;

    bool operator==(const MediaChapter&) const = default;
};

// The file's chapters in the order it stores them; empty when it has none. Only
// local files in the QuickTime/MP4 and Matroska families are opened, so a file
// that merely names itself .mp4 cannot send FFmpeg to other files or the network.
// Throws MediaError naming the file and FFmpeg's reason when it cannot be read.
std::vector<MediaChapter> readMediaChapters(const std::string& path);

} // namespace kestrune
