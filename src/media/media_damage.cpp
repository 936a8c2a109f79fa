#include "media_damage.h"

#include <cstdio>
#include <filesystem>

namespace kestrune {

namespace {

bool counts(const AVIndexEntry& entry) {
    return entry.timestamp != AV_NOPTS_VALUE && !(entry.flags & AVINDEX_DISCARD_FRAME);
}

} // namespace

std::optional<MediaTime> streamEnd(const AVStream& stream) {
    if (stream.duration == AV_NOPTS_VALUE || stream.duration <= 0)
        return std::nullopt;
    const std::int64_t first = stream.start_time != AV_NOPTS_VALUE ? stream.start_time : 0;
    return MediaTime::fromTimestamp(first + stream.duration, stream.time_base);
}

std::optional<MediaTime> lastIndexedBefore(AVStream& stream, MediaTime end) {
    const std::int64_t limit = end.toTimestamp(stream.time_base);
    // Entries are sorted by time; the last ones are the likeliest answer.
    for (int i = avformat_index_get_entries_count(&stream) - 1; i >= 0; --i) {
        const AVIndexEntry* entry = avformat_index_get_entry(&stream, i);
        if (entry && counts(*entry) && entry->timestamp < limit)
            return MediaTime::fromTimestamp(entry->timestamp, stream.time_base);
    }
    return std::nullopt;
}

bool indexedBetween(AVStream& stream, MediaTime after, MediaTime before) {
    const std::int64_t from = after.toTimestamp(stream.time_base);
    const std::int64_t to = before.toTimestamp(stream.time_base);
    if (from >= to)
        return false;
    // The first entry at or after `from + 1`, then whether it starts before `to`.
    int i = av_index_search_timestamp(&stream, from + 1, AVSEEK_FLAG_ANY);
    if (i < 0)
        return false;
    for (const int count = avformat_index_get_entries_count(&stream); i < count; ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(&stream, i);
        if (!entry || entry->timestamp <= from || !counts(*entry))
            continue;
        return entry->timestamp < to;
    }
    return false;
}

MediaError damagedMediaError(const std::string& path, const std::string& what) {
    const std::string name = std::filesystem::path(path).filename().string();
    return MediaError("\"" + name + "\" is damaged: " + what);
}

std::string secondsText(MediaTime time) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", time.seconds());
    return text;
}

} // namespace kestrune
