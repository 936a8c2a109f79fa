// What each of the two export streams keeps between writer callbacks: whether
// it has ended, and how regularly it is called. A callback holds the lock for its
// whole run, so the pipeline can end a stream from outside without racing it.
#pragma once

#include "media/media_writer.h"

#include <functional>
#include <mutex>

namespace kestrune {

class StreamLifecycle {
public:
    // `name` ("Video", "Audio") and `itemName` ("frame", "sample") word the log lines.
    StreamLifecycle(WriterInput& input, std::function<void()> onEnded, const char* name,
                    const char* itemName);

    std::mutex& mutex() { return mutex_; }
    bool isDone() const { return done_; }

    // Starts a callback (under mutex()): false when the stream has ended. Logs a
    // gap of more than five seconds since the previous callback.
    bool begin(long itemCounter);
    // True, with the log line, when the writer is no longer writing and the
    // stream must end.
    bool writerStopped(const MediaWriter& writer, long itemCounter) const;
    // Marks the input finished and tells the pipeline, once (under mutex()).
    void end();

private:
    WriterInput& input_;
    std::function<void()> onEnded_;
    const char* name_;
    const char* itemName_;
    std::mutex mutex_;
    bool done_ = false;
    long callbackCount_ = 0;
    double lastCallbackTime_;
};

} // namespace kestrune
