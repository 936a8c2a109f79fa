#include "log.h"

#include "capturing_sink.h"

#include <atomic>
#include <cstdio>
#include <iterator>
#include <string>
#include <sys/uio.h>
// The journal's own location fields would always name this file; leave them out.
#define SD_JOURNAL_SUPPRESS_LOCATION
#include <systemd/sd-journal.h>
#include <unistd.h>

namespace kestrune::log {

namespace {

// Most messages are short; longer ones are formatted a second time into a
// buffer of the size the first attempt reported, so nothing is cut off.
constexpr std::size_t kInlineLength = 512;

std::string formatMessage(const char* format, va_list args) {
    if (format == nullptr)
        return {};
    char buffer[kInlineLength];
    va_list first;
    va_copy(first, args);
    int length = std::vsnprintf(buffer, sizeof buffer, format, first);
    va_end(first);
    if (length < 0)
        return std::string("(message could not be formatted) ") + format;
    if (static_cast<std::size_t>(length) < sizeof buffer)
        return std::string(buffer, static_cast<std::size_t>(length));

    std::string message(static_cast<std::size_t>(length), '\0');
    va_list second;
    va_copy(second, args);
    // The string owns one byte past size() for its terminator, which is all
    // vsnprintf writes there.
    std::vsnprintf(message.data(), message.size() + 1, format, second);
    va_end(second);
    return message;
}

// Decided once: the journal does not come or go while the program runs.
bool journalAvailable() {
    static const bool available = ::access("/run/systemd/journal/socket", F_OK) == 0;
    return available;
}

// Syslog priorities, as journald reads them.
int priority(Level level) {
    switch (level) {
    case Level::Debug:
        return 7;
    case Level::Info:
        return 6;
    case Level::Error:
        return 3;
    }
    return 6;
}

bool sendToJournal(const Entry& entry) {
    // sd_journal_sendv takes the fields as they are: no second pass through a
    // format string, no length limit, and line breaks in the message are kept.
    std::string fields[] = {
        "MESSAGE=" + entry.message,
        "PRIORITY=" + std::to_string(priority(entry.level)),
        "SYSLOG_IDENTIFIER=kestrune",
        "KESTRUNE_SUBSYSTEM=" + std::string(kSubsystem),
        "KESTRUNE_CATEGORY=" + std::string(categoryName(entry.category)),
        // The export logs from several threads; the journal records only the process.
        "TID=" + std::to_string(::gettid()),
    };
    constexpr int count = static_cast<int>(std::size(fields));
    iovec vectors[count];
    for (int i = 0; i < count; ++i)
        vectors[i] = {fields[i].data(), fields[i].size()};
    return sd_journal_sendv(vectors, count) >= 0;
}

std::atomic<Level> standardErrorThreshold{Level::Info};

void writeToStandardError(const Entry& entry) {
    // Heartbeats would bury the command line's own output; the journal keeps them.
    if (entry.level < standardErrorThreshold.load(std::memory_order_relaxed))
        return;
    std::string line = standardErrorLine(entry);
    // One call per line: stdio locks the stream per call, so lines from
    // different threads never interleave.
    std::fwrite(line.data(), 1, line.size(), stderr);
}

void appendEscaped(std::string& out, std::string_view message) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < message.size(); ++i) {
        auto byte = static_cast<unsigned char>(message[i]);
        if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\r') {
            out += "\\r";
        } else if ((byte < 0x20 && byte != '\t') || byte == 0x7F) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else if (byte == 0xC2 && i + 1 < message.size() &&
                   static_cast<unsigned char>(message[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(message[i + 1]) <= 0x9F) {
            // U+0080...U+009F: the C1 controls, which some terminals obey too.
            auto second = static_cast<unsigned char>(message[++i]);
            out += "\\u00";
            out += kHex[second >> 4];
            out += kHex[second & 0xF];
        } else {
            out += static_cast<char>(byte);
        }
    }
}

void emit(Level level, Category category, const char* format, va_list args) {
    Entry entry{level, category, formatMessage(format, args)};
    if (detail::deliverToSink(entry))
        return;
    // Should the journal refuse the entry, standard error still shows it.
    if (journalAvailable() && sendToJournal(entry))
        return;
    writeToStandardError(entry);
}

} // namespace

void setStandardErrorThreshold(Level level) {
    standardErrorThreshold.store(level, std::memory_order_relaxed);
}

std::string_view categoryName(Category category) {
    switch (category) {
    case Category::Export:
        return "export";
    case Category::ExportDialog:
        return "export.dialog";
    case Category::ExportValidation:
        return "export.validation";
    case Category::ExportSidebar:
        return "export.sidebar";
    case Category::Playback:
        return "playback";
    case Category::Persistence:
        return "persistence";
    }
    return "export";
}

std::string_view levelName(Level level) {
    switch (level) {
    case Level::Debug:
        return "debug";
    case Level::Info:
        return "info";
    case Level::Error:
        return "error";
    }
    return "info";
}

std::string standardErrorLine(const Entry& entry) {
    std::string line;
    line.reserve(entry.message.size() + 48);
    line += '[';
    line += kSubsystem;
    line += ':';
    line += categoryName(entry.category);
    line += "] ";
    line += levelName(entry.level);
    line += ": ";
    appendEscaped(line, entry.message);
    line += '\n';
    return line;
}

void writeV(Level level, Category category, const char* format, va_list args) {
    emit(level, category, format, args);
}

void write(Level level, Category category, const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(level, category, format, args);
    va_end(args);
}

void debug(Category category, const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(Level::Debug, category, format, args);
    va_end(args);
}

void info(Category category, const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(Level::Info, category, format, args);
    va_end(args);
}

void error(Category category, const char* format, ...) {
    va_list args;
    va_start(args, format);
    emit(Level::Error, category, format, args);
    va_end(args);
}

} // namespace kestrune::log
