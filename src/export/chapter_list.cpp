#include "chapter_list.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace kestrune {

namespace {

// YouTube reads whole seconds; a link that lands a fraction early is better than
// one that skips the chapter's first moment.
std::int64_t wholeSeconds(double seconds) {
    return static_cast<std::int64_t>(std::floor(std::max(0.0, seconds)));
}

std::int64_t milliseconds(double seconds) {
    return std::llround(std::max(0.0, seconds) * 1000.0);
}

std::string webVttTime(double seconds) {
    const std::int64_t ms = milliseconds(seconds);
    char text[40];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld",
                  static_cast<long long>(ms / 3'600'000), static_cast<long long>(ms / 60'000 % 60),
                  static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
    return text;
}

bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

// FFmpeg's metadata reader takes '=', ';', '#', '\' and line breaks literally only
// after a backslash.
std::string ffmetadataEscaped(const std::string& title) {
    std::string escaped;
    for (char c : title) {
        if (c == '=' || c == ';' || c == '#' || c == '\\' || c == '\n')
            escaped += '\\';
        else if (isControl(c))
            c = ' ';
        escaped += c;
    }
    return escaped;
}

// Cue text is markup: '&' and '<' start entities and tags, and "-->" may not appear.
std::string webVttEscaped(const std::string& title) {
    std::string escaped;
    for (char c : plainTitle(title)) {
        if (c == '&')
            escaped += "&amp;";
        else if (c == '<')
            escaped += "&lt;";
        else if (c == '>')
            escaped += "&gt;";
        else
            escaped += c;
    }
    return escaped;
}

} // namespace

std::string chapterTime(double time) {
    const std::int64_t seconds = wholeSeconds(time);
    char text[32];
    const auto h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(h),
                      static_cast<long long>(m), static_cast<long long>(s));
    else
        std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(m),
                      static_cast<long long>(s));
    return text;
}

std::string plainTitle(std::string_view title) {
    std::string plain;
    plain.reserve(title.size());
    bool afterBreak = false;
    for (std::size_t i = 0; i < title.size(); ++i) {
        const auto byte = static_cast<unsigned char>(title[i]);
        bool lineBreak =
            byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' || byte == '\r';
        bool control = byte < 0x20 || byte == 0x7f;
        // U+0080...U+009F are C1 controls, two bytes in UTF-8; U+0085 is NEL.
        if (byte == 0xC2 && i + 1 < title.size()) {
            const auto next = static_cast<unsigned char>(title[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                ++i;
                control = true;
                lineBreak = next == 0x85;
            }
        }
        if (lineBreak) {
            if (!afterBreak)
                plain += ' ';
            afterBreak = true;
        } else if (!control) {
            plain += static_cast<char>(byte);
            afterBreak = false;
        }
    }
    return plain;
}

std::vector<Chapter> chapterList(const std::vector<Section>& sections, double totalDuration) {
    std::vector<const Section*> shown;
    for (const auto& section : sections)
        if (section.startTime < totalDuration)
            shown.push_back(&section);
    // Stored sections are already in time order; a file edited by hand may not be,
    // and a chapter list out of order would give negative lengths.
    std::stable_sort(shown.begin(), shown.end(), [](const Section* a, const Section* b) {
        return a->startTime < b->startTime;
    });

    std::vector<Chapter> chapters;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const double start = std::max(0.0, shown[i]->startTime);
        const double end =
            i + 1 < shown.size() ? std::max(0.0, shown[i + 1]->startTime) : totalDuration;
        chapters.push_back({plainTitle(shown[i]->title), start, end});
    }
    return chapters;
}

std::string youTubeChapters(const std::vector<Chapter>& chapters) {
    std::string text;
    for (const auto& chapter : chapters)
        text += chapterTime(chapter.start) + " " + plainTitle(chapter.title) + "\n";
    return text;
}

std::vector<YouTubeRuleBreak> youTubeRuleBreaks(const std::vector<Chapter>& chapters) {
    std::vector<YouTubeRuleBreak> breaks;
    if (!chapters.empty() && wholeSeconds(chapters.front().start) != 0)
        breaks.push_back(
            {YouTubeRule::firstAtZero, "YouTube needs the first chapter at 00:00; it starts at " +
                                           chapterTime(chapters.front().start) + "."});
    if (chapters.size() < 3)
        breaks.push_back(
            {YouTubeRule::atLeastThree, "YouTube needs at least three chapters; there " +
                                            std::string(chapters.size() == 1 ? "is " : "are ") +
                                            std::to_string(chapters.size()) + "."});

    // Lengths as YouTube sees them: from timestamp to timestamp, the last one to
    // the end of the video.
    std::string shortOnes;
    for (std::size_t i = 0; i < chapters.size(); ++i) {
        const std::int64_t start = wholeSeconds(chapters[i].start);
        const double length = i + 1 < chapters.size()
                                  ? double(wholeSeconds(chapters[i + 1].start) - start)
                                  : chapters[i].end - double(start);
        if (length >= 10)
            continue;
        if (!shortOnes.empty())
            shortOnes += ", ";
        shortOnes += chapterTime(chapters[i].start) + " " + plainTitle(chapters[i].title);
    }
    if (!shortOnes.empty())
        breaks.push_back({YouTubeRule::atLeastTenSeconds,
                          "YouTube needs every chapter to last at least 10 seconds; shorter: " +
                              shortOnes + "."});
    return breaks;
}

std::string ffmetadataChapters(const std::vector<Chapter>& chapters) {
    std::string text = ";FFMETADATA1\n";
    for (const auto& chapter : chapters) {
        const std::int64_t start = milliseconds(chapter.start);
        const std::int64_t end = std::max(start, milliseconds(chapter.end));
        text += "[CHAPTER]\nTIMEBASE=1/1000\nSTART=" + std::to_string(start) +
                "\nEND=" + std::to_string(end) + "\ntitle=" + ffmetadataEscaped(chapter.title) +
                "\n";
    }
    return text;
}

std::string webVttChapters(const std::vector<Chapter>& chapters) {
    std::string text = "WEBVTT\n";
    for (const auto& chapter : chapters)
        text += "\n" + webVttTime(chapter.start) + " --> " +
                webVttTime(std::max(chapter.start, chapter.end)) + "\n" +
                webVttEscaped(chapter.title) + "\n";
    return text;
}

} // namespace kestrune
