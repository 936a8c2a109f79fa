// A queue of at most a few items between two threads: the producer waits while it
// is full, the consumer while it is empty. With no room at all (capacity 0) each
// push hands its item over: it returns once the consumer took it. Closing the
// queue wakes both: the producer's pushes fail from then on, the consumer takes
// what is left, then nothing.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace kestrune {

template <typename T>
class BoundedQueue {
public:
    explicit BoundedQueue(std::size_t capacity)
        : capacity_(capacity) {}

    // False, leaving `item` unused, once the queue is closed.
    bool push(T&& item) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] {
            return closed_ || items_.size() < std::max<std::size_t>(capacity_, 1);
        });
        if (closed_)
            return false;
        items_.push_back(std::move(item));
        const std::size_t ticket = ++pushed_;
        changed_.notify_all();
        if (capacity_ == 0)
            changed_.wait(lock, [&] { return closed_ || taken_ >= ticket; });
        return true;
    }
    // The oldest item; nothing once the queue is closed and empty.
    std::optional<T> pop() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return closed_ || !items_.empty(); });
        if (items_.empty())
            return std::nullopt;
        T item = std::move(items_.front());
        items_.pop_front();
        ++taken_;
        changed_.notify_all();
        return item;
    }
    void close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }

private:
    const std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<T> items_;
    std::size_t pushed_ = 0;
    std::size_t taken_ = 0;
    bool closed_ = false;
};

} // namespace kestrune
