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
    }
    if (handler)
        handler();
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
    std::lock_guard lock(mutex_);
    handler_ = nullptr;
}

} // namespace kestrune
