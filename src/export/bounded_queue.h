// A queue of at most a few items between two threads: the producer waits while it
// is full, the consumer while it is empty. Closing it wakes both: the producer's
// pushes fail from then on, the consumer takes what is left, then nothing.
#pragma once

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
        changed_.wait(lock, [this] { return closed_ || items_.size() < capacity_; });
        if (closed_)
            return false;
        items_.push_back(std::move(item));
        changed_.notify_all();
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
    bool closed_ = false;
};

} // namespace kestrune
