// Cancellation of one background export task. A handler registered after the
// task was cancelled runs at once, so a cancel can never be missed.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace kestrune {

class CancellationToken {
public:
    // Marks the task cancelled and runs the registered handler (on this thread), once.
    void cancel();
    bool isCancelled() const;

    // Installs the handler; runs it immediately when the task is already cancelled.
    // One handler at a time; clearHandler() removes it and waits for it to return
    // when it is running on another thread.
    void setHandler(std::function<void()> handler);
    void clearHandler();

private:
    mutable std::mutex mutex_;
    bool cancelled_ = false;
    std::function<void()> handler_;
    std::condition_variable handlerDone_;
    std::thread::id runningOn_; // of a handler being run by cancel()
};

} // namespace kestrune
