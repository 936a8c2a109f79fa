// A project's chapters as text for the places a video is published: YouTube's
// description timestamps, FFmpeg's metadata file and WebVTT chapter cues.
#pragma once

#include "model/project.h"

#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

struct Chapter {
    std::string title;
    // Seconds on the joined timeline; a chapter runs until the next one starts, the
    // last one until the end of the video.
    double start = 0;
    double end = 0;

    bool operator==(const Chapter&) const = default;
};

// A section title as one line of plain text, for chapter titles in files and on
// terminals: each run of line breaks and tabs (and NEL) becomes one space, and the
// other control characters (C0, DEL, C1) are dropped, so no escape sequence or
// bell survives and a NUL cannot cut the title short. Expects UTF-8.
std::string plainTitle(std::string_view title);

// The sections the export shows (those that begin before `totalDuration`) as
// chapters in time order, their titles made plain (plainTitle).
std::vector<Chapter> chapterList(const std::vector<Section>& sections, double totalDuration);

// A chapter's start as the lists show it: "MM:SS", or "H:MM:SS" from one hour on,
// in whole seconds rounded down (a link a fraction early beats one that skips
// the chapter's first moment).
std::string chapterTime(double seconds);

// One line per chapter, "MM:SS Title", or "H:MM:SS Title" from one hour on.
std::string youTubeChapters(const std::vector<Chapter>& chapters);

// The rules YouTube sets before it shows timestamps as chapters.
enum class YouTubeRule { firstAtZero, atLeastThree, atLeastTenSeconds };

struct YouTubeRuleBreak {
    YouTubeRule rule;
    // One line for the user, saying what is wrong with this list.
    std::string message;

    bool operator==(const YouTubeRuleBreak&) const = default;
};

// The broken rules, at most one entry per rule; empty when YouTube takes the list.
std::vector<YouTubeRuleBreak> youTubeRuleBreaks(const std::vector<Chapter>& chapters);

// FFmpeg's metadata file (";FFMETADATA1") with one [CHAPTER] per chapter in
// milliseconds, for `ffmpeg -i video -i chapters -map_metadata 1 -c copy`.
std::string ffmetadataChapters(const std::vector<Chapter>& chapters);

// A WebVTT file with one cue per chapter, for a player's chapter track.
std::string webVttChapters(const std::vector<Chapter>& chapters);

} // namespace kestrune
