// Diagnostics for the system log: one subsystem, one category per area, three
// levels, printf-style messages. Entries go to journald when there is one and to
// standard error otherwise; a CapturingSink (capturing_sink.h) takes them instead.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

namespace kestrune::log {

inline constexpr std::string_view kSubsystem = "com.kestrune";

enum class Level { Debug, Info, Error };

enum class Category {
    Export,
    ExportDialog,
    ExportValidation,
    ExportSidebar,
    Playback,
    Persistence
};

// "export", "export.dialog", "export.validation", "export.sidebar", "playback",
// "persistence".
std::string_view categoryName(Category category);
// "debug", "info", "error".
std::string_view levelName(Level level);

// One logged entry with its message already formatted.
struct Entry {
    Level level = Level::Info;
    Category category = Category::Export;
    std::string message;

    bool operator==(const Entry&) const = default;
};

void write(Level level, Category category, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
void writeV(Level level, Category category, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));

// Heartbeats of long-running work.
void debug(Category category, const char* format, ...) __attribute__((format(printf, 2, 3)));
void info(Category category, const char* format, ...) __attribute__((format(printf, 2, 3)));
void error(Category category, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The lowest level echoed to standard error when there is no journal: Info by
// default; the command line shows only errors unless asked for more.
void setStandardErrorThreshold(Level level);

// The line written to standard error when there is no journal, newline included:
// "[com.kestrune:export] info: Pipeline: 3 clips". Control characters in the
// message (file names may carry them) are escaped, so an entry stays one line and
// cannot send terminal escape sequences.
std::string standardErrorLine(const Entry& entry);

} // namespace kestrune::log
