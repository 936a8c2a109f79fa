#include "capturing_sink.h"

#include <algorithm>

namespace kestrune::log {

namespace {

// The live sinks, oldest first. Delivery holds this lock while it calls the
// sink, so a sink cannot be destroyed halfway through receiving an entry.
// Both are deliberately never destroyed: a worker thread may still log while
// the process runs its exit handlers.
std::mutex& stackMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::vector<CapturingSink*>& stack() {
    static auto* sinks = new std::vector<CapturingSink*>;
    return *sinks;
}

} // namespace

bool detail::deliverToSink(const Entry& entry) {
    std::lock_guard lock(stackMutex());
    if (stack().empty())
        return false;
    stack().back()->receive(entry);
    return true;
}

CapturingSink::CapturingSink() {
    std::lock_guard lock(stackMutex());
    stack().push_back(this);
}

CapturingSink::~CapturingSink() {
    // Sinks are normally destroyed newest first, but one kept elsewhere may
    // outlive a newer one; removing it wherever it stands keeps the rest right.
    std::lock_guard lock(stackMutex());
    std::erase(stack(), this);
}

std::vector<Entry> CapturingSink::entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

bool CapturingSink::contains(Category category, std::string_view text) const {
    std::lock_guard lock(mutex_);
    return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& entry) {
        return entry.category == category && entry.message.find(text) != std::string::npos;
    });
}

bool CapturingSink::contains(Level level, Category category, std::string_view text) const {
    std::lock_guard lock(mutex_);
    return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& entry) {
        return entry.level == level && entry.category == category &&
               entry.message.find(text) != std::string::npos;
    });
}

void CapturingSink::clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
}

void CapturingSink::receive(const Entry& entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
}

} // namespace kestrune::log
