// Captures log entries for tests: while a CapturingSink is alive it receives
// every entry, from any thread, in place of the journal or standard error.
#pragma once

#include "log.h"

#include <mutex>
#include <string_view>
#include <vector>

namespace kestrune::log {

namespace detail {
// Hands the entry to the newest live sink; false when no sink is installed.
bool deliverToSink(const Entry& entry);
} // namespace detail

class CapturingSink {
public:
    // Installs this sink; the newest live sink is the one that receives.
    CapturingSink();
    // Uninstalls it; the sink installed before it, if still alive, receives again.
    ~CapturingSink();
    CapturingSink(const CapturingSink&) = delete;
    CapturingSink& operator=(const CapturingSink&) = delete;

    // The entries received so far, oldest first.
    std::vector<Entry> entries() const;
    // Whether an entry of the category has text anywhere in its message.
    bool contains(Category category, std::string_view text) const;
    bool contains(Level level, Category category, std::string_view text) const;
    void clear();

private:
    friend bool detail::deliverToSink(const Entry& entry);
    void receive(const Entry& entry);

    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};
} // namespace kestrune::log
