#include "cancellation.h"

#include <utility>

namespace kestrune {

void CancellationToken::cancel() {
    std::function<void()> handler;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_)
            return;
        cancelled_ = true;
        // Taken out so that it runs once, and outside the lock: the handler may
        // call back into this token (isCancelled, clearHandler) or block briefly.
        handler = std::move(handler_);
        handler_ = nullptr;
        if (handler)
            runningOn_ = std::this_thread::get_id();
    }
    if (!handler)
        return;
    handler();
    {
        std::lock_guard lock(mutex_);
        runningOn_ = std::thread::id();
    }
    handlerDone_.notify_all();
}

bool CancellationToken::isCancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

void CancellationToken::setHandler(std::function<void()> handler) {
    {
        std::lock_guard lock(mutex_);
        if (!cancelled_) {
            handler_ = std::move(handler);
            return;
        }
    }
    // Too late to wait for a cancel that already happened: act on it now.
    if (handler)
        handler();
}

void CancellationToken::clearHandler() {
    std::unique_lock lock(mutex_);
    handler_ = nullptr;
    // What the handler works on may be destroyed right after this returns, so a
    // handler running on another thread is waited for.
    handlerDone_.wait(lock, [this] {
        return runningOn_ == std::thread::id() || runningOn_ == std::this_thread::get_id();
    });
}

} // namespace kestrune
