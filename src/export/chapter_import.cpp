#include "chapter_import.h"

#include "chapter_list.h"
#include "media/media_chapters.h"
#include "media/media_error.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>

#include <QFile>
#include <QFileInfo>

namespace kestrune {

namespace {

// Chapter lists are a few kilobytes; anything this large is not one.
constexpr qint64 largestTextFile = 1024 * 1024;
// A metadata file can state any time; past what a WebVTT cue can write back (six
// digits of hours) it is not a chapter of any video.
constexpr double largestChapterStart = 999'999.0 * 3600;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool allDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), isDigit);
}

// A run of digits as a number; nothing when it is not one (a sign included) or
// does not fit.
std::optional<std::int64_t> number(std::string_view text) {
    if (!allDigits(text))
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Lines ending in "\n", "\r\n" or "\r", without their endings.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r')
            continue;
        lines.push_back(text.substr(begin, i - begin));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        begin = i + 1;
    }
    if (begin < text.size())
        lines.push_back(text.substr(begin));
    return lines;
}

std::string titleFrom(std::string_view text) {
    return std::string(trimmed(plainTitle(text)));
}

// Time order, duplicates as they came; untitled chapters are named by their place.
void finish(ChapterImport& import) {
    std::stable_sort(
        import.chapters.begin(), import.chapters.end(),
        [](const ImportedChapter& a, const ImportedChapter& b) { return a.start < b.start; });
    for (std::size_t i = 0; i < import.chapters.size(); ++i)
        if (import.chapters[i].title.empty())
            import.chapters[i].title = "Chapter " + std::to_string(i + 1);
    if (import.chapters.empty() && import.error.empty())
        import.error = "No chapters found in the text.";
}

// --- YouTube descriptions ---------------------------------------------------

// "-", "–", "—", ":" and "|" stand between a time and its title.
std::size_t separatorLength(std::string_view text) {
    for (std::string_view separator : {"-", ":", "|", "\xE2\x80\x93", "\xE2\x80\x94"})
        if (text.starts_with(separator))
            return separator.size();
    return 0;
}

std::size_t separatorLengthAtEnd(std::string_view text) {
    for (std::string_view separator : {"-", ":", "|", "\xE2\x80\x93", "\xE2\x80\x94"})
        if (text.ends_with(separator))
            return separator.size();
    return 0;
}

bool timeCharacter(char c) {
    return isDigit(c) || c == ':' || c == '.';
}

// Digits with a colon, as a timestamp is written, whether or not it is a valid one.
bool timeLike(std::string_view token) {
    return !token.empty() && isDigit(token.front()) && token.find(':') != std::string_view::npos &&
           std::all_of(token.begin(), token.end(), timeCharacter);
}

// "M:SS", "MM:SS" (minutes may pass 59), "H:MM:SS" or "HH:MM:SS", in seconds.
std::optional<double> youTubeTime(std::string_view token) {
    std::vector<std::string_view> parts;
    for (std::size_t begin = 0;;) {
        const std::size_t colon = token.find(':', begin);
        parts.push_back(token.substr(begin, colon - begin));
        if (colon == std::string_view::npos)
            break;
        begin = colon + 1;
    }
    if (parts.size() < 2 || parts.size() > 3 || !std::all_of(parts.begin(), parts.end(), allDigits))
        return std::nullopt;
    const bool hours = parts.size() == 3;
    const std::string_view seconds = parts.back(), minutes = parts[parts.size() - 2];
    if (seconds.size() != 2 || *number(seconds) > 59 || minutes.size() > (hours ? 2u : 3u) ||
        (hours && (minutes.size() != 2 || *number(minutes) > 59 || parts[0].size() > 2)))
        return std::nullopt;
    return double((hours ? *number(parts[0]) * 3600 : 0) + *number(minutes) * 60 +
                  *number(seconds));
}

enum class LineTime { none, unreadable, chapter };

struct LineReading {
    LineTime kind = LineTime::none;
    ImportedChapter chapter;
};

// Reads `token` as the line's time and `title` as its title.
LineReading reading(std::string_view token, std::string_view title) {
    if (!timeLike(token))
        return {};
    const auto start = youTubeTime(token);
    const std::string plain = titleFrom(title);
    if (!start || plain.empty())
        return {LineTime::unreadable, {}};
    return {LineTime::chapter, {*start, plain}};
}

// The time at the start of the line, "1:02 Title", "[1:02] Title", "1:02 - Title";
// a range "0:00 - 1:30 Title" starts at its first time.
LineReading leadingTime(std::string_view line) {
    std::string_view token, rest;
    if (line.starts_with('[') || line.starts_with('(')) {
        const std::size_t close = line.find(line.front() == '[' ? ']' : ')');
        if (close == std::string_view::npos)
            return {};
        token = trimmed(line.substr(1, close - 1));
        rest = line.substr(close + 1);
    } else {
        const auto end = std::find_if_not(line.begin(), line.end(), timeCharacter);
        token = line.substr(0, end - line.begin());
        rest = line.substr(token.size());
        // "10:30am" is prose.
        if (!rest.empty() && !isSpace(rest.front()) && separatorLength(rest) == 0)
            return {};
    }
    // A separator right after the time, or one standing alone, is not the title's.
    const auto dropSeparator = [](std::string_view text) {
        const bool attached = separatorLength(text) > 0;
        text = trimmed(text);
        const std::size_t length = separatorLength(text);
        if (length > 0 && (attached || text.size() == length || isSpace(text[length])))
            text = trimmed(text.substr(length));
        return text;
    };
    rest = dropSeparator(rest);
    const auto rangeEnd = std::find_if_not(rest.begin(), rest.end(), timeCharacter);
    const std::string_view second = rest.substr(0, rangeEnd - rest.begin());
    if (youTubeTime(second) && (second.size() == rest.size() || isSpace(rest[second.size()])))
        rest = dropSeparator(rest.substr(second.size()));
    return reading(token, rest);
}

// The time at the end of the line, "Title 1:02", "Title (1:02)", "Title - 1:02".
LineReading trailingTime(std::string_view line) {
    std::string_view token, before;
    if (line.ends_with(']') || line.ends_with(')')) {
        const std::size_t open = line.rfind(line.back() == ']' ? '[' : '(');
        if (open == std::string_view::npos)
            return {};
        token = trimmed(line.substr(open + 1, line.size() - open - 2));
        before = line.substr(0, open);
    } else {
        const auto begin = std::find_if_not(line.rbegin(), line.rend(), timeCharacter);
        token = line.substr(line.size() - (begin - line.rbegin()));
        before = line.substr(0, line.size() - token.size());
        // "https://youtu.be/x?t=1:02" is a link.
        if (!before.empty() && !isSpace(before.back()) && separatorLengthAtEnd(before) == 0)
            return {};
    }
    before = trimmed(before);
    if (const std::size_t length = separatorLengthAtEnd(before))
        before = trimmed(before.substr(0, before.size() - length));
    return reading(token, before);
}

// A list marker in front of a chapter line: "- ", "* ", "• ", "· ", "– ", "— ".
std::string_view withoutBullet(std::string_view line) {
    for (std::string_view bullet :
         {"-", "*", "\xE2\x80\xA2", "\xC2\xB7", "\xE2\x80\x93", "\xE2\x80\x94"})
        if (line.starts_with(bullet) && line.size() > bullet.size() && isSpace(line[bullet.size()]))
            return trimmed(line.substr(bullet.size()));
    return line;
}

ChapterImport parseYouTube(std::string_view text) {
    ChapterImport import;
    for (std::string_view line : splitLines(text)) {
        line = withoutBullet(trimmed(line));
        if (line.empty())
            continue;
        const LineReading leading = leadingTime(line);
        const LineReading reading =
            leading.kind == LineTime::chapter ? leading : trailingTime(line);
        if (reading.kind == LineTime::chapter)
            import.chapters.push_back(reading.chapter);
        else if (leading.kind == LineTime::unreadable || reading.kind == LineTime::unreadable)
            import.notUnderstood.push_back(titleFrom(line));
    }
    if (!import.chapters.empty())
        import.format = ChapterFormat::youTube;
    return import;
}

// --- FFmpeg metadata --------------------------------------------------------

// FFmpeg's lines: a backslash takes the next character literally, a line break
// too, so an escaped break continues the line. The backslashes are kept for
// unescaped() once the line is split at its '='.
std::vector<std::string> ffmetadataLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string line;
    bool lastEscaped = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            line += text[i];
            line += text[++i];
            lastEscaped = true;
            continue;
        }
        if (text[i] == '\n') {
            // Files written on Windows end their lines in "\r\n".
            if (line.ends_with('\r') && !lastEscaped)
                line.pop_back();
            lines.push_back(std::move(line));
            line.clear();
        } else {
            line += text[i];
        }
        lastEscaped = false;
    }
    lines.push_back(std::move(line));
    return lines;
}

std::string unescaped(std::string_view text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

// Where the first unescaped '=' is.
std::size_t keyEnd(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\')
            ++i;
        else if (line[i] == '=')
            return i;
    }
    return std::string_view::npos;
}

bool sameLetters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

struct MetadataChapter {
    std::vector<std::string> lines;
    std::string timeBase, start, title;
};

std::string blockText(const MetadataChapter& block) {
    std::string line;
    for (const auto& each : block.lines)
        line += (line.empty() ? "" : " ") + each;
    return line;
}

void addMetadataChapter(ChapterImport& import, const MetadataChapter& block) {
    // Without a TIMEBASE, FFmpeg reads START in nanoseconds.
    std::int64_t numerator = 1, denominator = 1'000'000'000;
    bool readable = true;
    if (!block.timeBase.empty()) {
        const std::string_view timeBase = trimmed(block.timeBase);
        const std::size_t slash = timeBase.find('/');
        const auto num = number(timeBase.substr(0, slash));
        const auto den =
            slash == std::string_view::npos ? std::nullopt : number(timeBase.substr(slash + 1));
        readable = num && den && *num > 0 && *den > 0;
        if (readable) {
            numerator = *num;
            denominator = *den;
        }
    }
    const auto start = number(trimmed(block.start));
    if (!readable || !start) {
        import.notUnderstood.push_back(titleFrom(blockText(block)));
        return;
    }
    const double seconds = double(*start) * double(numerator) / double(denominator);
    if (!(seconds < largestChapterStart)) {
        import.notUnderstood.push_back(titleFrom(blockText(block)));
        return;
    }
    import.chapters.push_back({seconds, titleFrom(block.title)});
}

ChapterImport parseFfmetadata(std::string_view text) {
    ChapterImport import;
    import.format = ChapterFormat::ffmetadata;
    std::optional<MetadataChapter> chapter;
    const auto lines = ffmetadataLines(text);
    // The ";FFMETADATA1" header is a comment line like any other.
    for (const std::string_view line : lines) {
        if (trimmed(line).empty() || line.starts_with(';') || line.starts_with('#'))
            continue;
        if (line.starts_with('[')) {
            if (chapter)
                addMetadataChapter(import, *chapter);
            chapter.reset();
            if (trimmed(line) == "[CHAPTER]")
                chapter = MetadataChapter{{std::string(trimmed(line))}, {}, {}, {}};
            continue;
        }
        // Global tags and the [STREAM] sections say nothing about chapters.
        if (!chapter)
            continue;
        chapter->lines.emplace_back(line);
        const std::size_t equals = keyEnd(line);
        if (equals == std::string_view::npos)
            continue;
        const std::string key = unescaped(line.substr(0, equals));
        const std::string value = unescaped(line.substr(equals + 1));
        if (key == "TIMEBASE")
            chapter->timeBase = value;
        else if (key == "START")
            chapter->start = value;
        else if (sameLetters(key, "title"))
            chapter->title = value;
    }
    if (chapter)
        addMetadataChapter(import, *chapter);
    return import;
}

// --- WebVTT -----------------------------------------------------------------

// "HH:MM:SS.mmm" or "MM:SS.mmm".
std::optional<double> webVttTime(std::string_view token) {
    const std::size_t dot = token.find('.');
    if (dot == std::string_view::npos || token.size() - dot != 4 ||
        !allDigits(token.substr(dot + 1)))
        return std::nullopt;
    const std::string_view clock = token.substr(0, dot);
    const std::size_t lastColon = clock.rfind(':');
    if (lastColon == std::string_view::npos)
        return std::nullopt;
    const std::size_t firstColon = clock.find(':');
    const std::string_view hours =
        firstColon == lastColon ? std::string_view() : clock.substr(0, firstColon);
    const std::string_view minutes = firstColon == lastColon
                                         ? clock.substr(0, lastColon)
                                         : clock.substr(firstColon + 1, lastColon - firstColon - 1);
    const std::string_view seconds = clock.substr(lastColon + 1);
    if ((firstColon != lastColon && (!allDigits(hours) || hours.size() > 6)) ||
        minutes.size() != 2 || !allDigits(minutes) || seconds.size() != 2 || !allDigits(seconds) ||
        *number(minutes) > 59 || *number(seconds) > 59)
        return std::nullopt;
    const auto h = hours.empty() ? std::optional<std::int64_t>(0) : number(hours);
    if (!h)
        return std::nullopt;
    return double(*h * 3600 + *number(minutes) * 60 + *number(seconds)) +
           double(*number(token.substr(dot + 1))) / 1000.0;
}

// The start of "start --> end [settings]".
std::optional<double> cueStart(std::string_view timing) {
    const std::size_t arrow = timing.find("-->");
    const std::string_view end = trimmed(timing.substr(arrow + 3));
    const auto endToken =
        end.substr(0, std::find_if(end.begin(), end.end(), isSpace) - end.begin());
    if (!webVttTime(endToken))
        return std::nullopt;
    return webVttTime(trimmed(timing.substr(0, arrow)));
}

void appendUtf8(std::string& text, std::uint32_t code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | code >> 6);
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | code >> 12);
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | code >> 18);
        text += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The character a reference such as "amp" or "#x263A" stands for.
std::optional<std::uint32_t> referenced(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, std::uint32_t>, 8> named{{
        {"amp", '&'},
        {"lt", '<'},
        {"gt", '>'},
        {"quot", '"'},
        {"apos", '\''},
        {"nbsp", 0xA0},
        {"lrm", 0x200E},
        {"rlm", 0x200F},
    }};
    for (const auto& [entity, code] : named)
        if (name == entity)
            return code;
    if (!name.starts_with('#'))
        return std::nullopt;
    const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
    const std::string_view digits = name.substr(hex ? 2 : 1);
    std::uint32_t code = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return std::nullopt;
    return code;
}

// Cue text without its tags ("<b>", "<v Host>", "<00:01.000>") and with its
// character references read.
std::string cueText(std::string_view markup) {
    std::string text;
    for (std::size_t i = 0; i < markup.size(); ++i) {
        if (markup[i] == '<') {
            const std::size_t close = markup.find('>', i);
            if (close == std::string_view::npos) {
                text += markup.substr(i);
                break;
            }
            i = close;
        } else if (markup[i] == '&') {
            // References are short; looking further for the ';' would make a long
            // run of '&' slow to read.
            const std::size_t length = markup.substr(i, 12).find(';');
            const auto code = length == std::string_view::npos
                                  ? std::nullopt
                                  : referenced(markup.substr(i + 1, length - 1));
            if (code) {
                appendUtf8(text, *code);
                i += length;
            } else {
                text += '&';
            }
        } else {
            text += markup[i];
        }
    }
    return text;
}

bool startsBlock(std::string_view line, std::string_view keyword) {
    return line.starts_with(keyword) &&
           (line.size() == keyword.size() || isSpace(line[keyword.size()]));
}

ChapterImport parseWebVtt(std::string_view text) {
    ChapterImport import;
    import.format = ChapterFormat::webVtt;
    std::vector<std::vector<std::string_view>> blocks(1);
    for (const std::string_view line : splitLines(text)) {
        if (trimmed(line).empty()) {
            if (!blocks.back().empty())
                blocks.emplace_back();
        } else {
            blocks.back().push_back(line);
        }
    }
    // The first block is the "WEBVTT" header.
    for (std::size_t b = 1; b < blocks.size(); ++b) {
        const auto& block = blocks[b];
        if (block.empty() || startsBlock(block[0], "NOTE") || startsBlock(block[0], "STYLE") ||
            startsBlock(block[0], "REGION"))
            continue;
        // An identifier may stand above the timing line.
        std::size_t timing = 0;
        if (block[0].find("-->") == std::string_view::npos)
            timing = 1;
        if (timing >= block.size() || block[timing].find("-->") == std::string_view::npos) {
            import.notUnderstood.push_back(titleFrom(block[0]));
            continue;
        }
        const auto start = cueStart(block[timing]);
        if (!start) {
            import.notUnderstood.push_back(titleFrom(block[timing]));
            continue;
        }
        std::string markup;
        for (std::size_t i = timing + 1; i < block.size(); ++i)
            markup += (i > timing + 1 ? "\n" : "") + std::string(block[i]);
        import.chapters.push_back({*start, titleFrom(cueText(markup))});
    }
    return import;
}

// --- Files ------------------------------------------------------------------

// Whether `bytes` is UTF-8 text: no NUL and no invalid sequence, except one cut
// short at the end of a truncated read.
bool isUtf8Text(const QByteArray& bytes, bool truncated) {
    const auto size = static_cast<std::size_t>(bytes.size());
    for (std::size_t i = 0; i < size;) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == 0)
            return false;
        std::size_t length = 1;
        std::uint32_t low = 0;
        if (byte >= 0xC2 && byte <= 0xDF)
            length = 2, low = 0x80;
        else if (byte >= 0xE0 && byte <= 0xEF)
            length = 3, low = 0x800;
        else if (byte >= 0xF0 && byte <= 0xF4)
            length = 4, low = 0x10000;
        else if (byte >= 0x80)
            return false;
        if (i + length > size)
            return truncated;
        std::uint32_t code = length == 1 ? byte : byte & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        if (code < low || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

bool isVideoName(const QFileInfo& file) {
    const QString suffix = file.suffix().toLower();
    return suffix == "mp4" || suffix == "mov" || suffix == "m4v" || suffix == "mkv" ||
           suffix == "webm";
}

ChapterImport failed(std::string error) {
    ChapterImport import;
    import.error = std::move(error);
    return import;
}

ChapterImport videoChapters(const QFileInfo& file, const std::string& name) {
    std::vector<MediaChapter> read;
    try {
        read = readMediaChapters(file.absoluteFilePath().toStdString());
    } catch (const MediaError& error) {
        if (!isVideoName(file))
            return failed("\"" + name + "\" is neither a chapter list nor a video file.");
        return failed(std::string(error.what()) + ".");
    }
    if (read.empty())
        return failed("\"" + name + "\" has no chapters.");
    ChapterImport import;
    import.format = ChapterFormat::videoFile;
    for (const auto& chapter : read)
        // Containers do not all promise UTF-8 titles.
        import.chapters.push_back(
            {chapter.start, titleFrom(QString::fromStdString(chapter.title).toStdString())});
    finish(import);
    return import;
}

} // namespace

ChapterImport parseChapterText(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    ChapterImport import;
    if (text.starts_with(";FFMETADATA"))
        import = parseFfmetadata(text);
    else if (startsBlock(text, "WEBVTT"))
        import = parseWebVtt(text);
    else
        import = parseYouTube(text);
    finish(import);
    return import;
}

ChapterImport readChapterFile(const QString& path) {
    const QFileInfo info(path);
    const std::string name = info.fileName().toStdString();
    if (isVideoName(info))
        return videoChapters(info, name);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed("Cannot read \"" + name + "\": " + file.errorString().toStdString() + ".");
    const QByteArray bytes = file.read(largestTextFile + 1);
    if (file.error() != QFileDevice::NoError)
        return failed("Cannot read \"" + name + "\": " + file.errorString().toStdString() + ".");
    const bool tooLarge = bytes.size() > largestTextFile;
    if (!isUtf8Text(bytes, tooLarge))
        return videoChapters(info, name);
    if (tooLarge)
        return failed("\"" + name + "\" is too large for a chapter list (over 1 MB).");

    ChapterImport import = parseChapterText(std::string_view(bytes.constData(), bytes.size()));
    if (import.chapters.empty())
        import.error = "No chapters found in \"" + name + "\".";
    return import;
}

ChapterPlacement placeChapters(const std::vector<ImportedChapter>& chapters, double totalDuration) {
    ChapterPlacement placement;
    for (const auto& chapter : chapters) {
        if (chapter.start >= 0 && chapter.start < totalDuration)
            placement.accepted.push_back(chapter);
        else if (!(chapter.start >= 0))
            placement.rejected.push_back({chapter, "Starts before the beginning of the video"});
        else
            placement.rejected.push_back(
                {chapter,
                 std::string(chapter.start == totalDuration ? "Starts at" : "Starts after") +
                     " the end of the video (" + chapterTime(totalDuration) + ")"});
    }
    return placement;
}

std::vector<Section> sectionsForChapters(const std::vector<ImportedChapter>& chapters) {
    std::vector<Section> sections;
    sections.reserve(chapters.size());
    for (const auto& chapter : chapters) {
        Section section;
        section.id = Uuid::generate();
        section.title = chapter.title;
        section.startTime = chapter.start;
        sections.push_back(std::move(section));
    }
    return sections;
}

} // namespace kestrune
