// Chapter lists people already have, read back into sections: a YouTube
// description, FFmpeg's metadata file, a WebVTT chapter track, or the chapters
// embedded in a video file. The text formats are the ones chapter_list.h writes,
// and what it writes reads back to the same times and titles.
#pragma once

#include "model/project.h"

#include <string>
#include <string_view>
#include <vector>

#include <QString>

namespace kestrune {

enum class ChapterFormat { none, youTube, ffmetadata, webVtt, videoFile };

struct ImportedChapter {
    // Seconds on the joined timeline.
    double start = 0;
    // Made plain (plainTitle); never empty.
    std::string title;

    bool operator==(const ImportedChapter&) const = default;
};

struct ChapterImport {
    // The format the text or file was read as; none when nothing in it was
    // recognised (a YouTube description is only known by its chapter lines).
    ChapterFormat format = ChapterFormat::none;
    // In time order.
    std::vector<ImportedChapter> chapters;
    // Lines that looked like content but could not be read, as they stand (made
    // plain), for the user to see what was left out.
    std::vector<std::string> notUnderstood;
    // Why nothing at all could be read, for the user; empty when something was.
    std::string error;

    bool operator==(const ChapterImport&) const = default;
};

// Reads pasted or loaded text (UTF-8), detecting its format from the text itself:
// ";FFMETADATA1" starts FFmpeg's metadata file (a chapter without TIMEBASE counts
// nanoseconds, as FFmpeg reads it), "WEBVTT" a WebVTT file, and anything else is
// read as a YouTube description, whose lines without a timestamp are left alone.
// Untitled chapters are called "Chapter N" after their place in the list.
ChapterImport parseChapterText(std::string_view text);

// Reads a file: a video file's embedded chapters (MP4, MOV, M4V, MKV, WebM,
// through FFmpeg; known by the extension or by content that is not UTF-8 text) or
// a text file of at most 1 MB in one of the formats above. The error names the
// file.
ChapterImport readChapterFile(const QString& path);

struct RejectedChapter {
    ImportedChapter chapter;
    // "Starts after the end of the video (12:30)".
    std::string reason;

    bool operator==(const RejectedChapter&) const = default;
};

struct ChapterPlacement {
    std::vector<ImportedChapter> accepted;
    std::vector<RejectedChapter> rejected;

    bool operator==(const ChapterPlacement&) const = default;
};

// Which chapters fit on a joined timeline of `totalDuration` seconds: those that
// start at or after zero and before its end. The others keep their order.
ChapterPlacement placeChapters(const std::vector<ImportedChapter>& chapters, double totalDuration);

// New sections (fresh ids, no subtitle) for the chapters.
std::vector<Section> sectionsForChapters(const std::vector<ImportedChapter>& chapters);

} // namespace kestrune
