// What the two streams of one export share: the writer, the clips laid end to
// end, where to report, and the slot for the first failure. Read-only once the
// streams start, except the error slot, which is guarded by its lock.
#pragma once

#include "export_pipeline.h"
#include "log/log.h"
#include "media/media_file.h"
#include "media/media_time.h"
#include "media/media_writer.h"

#include <chrono>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kestrune {

using SteadyTime = std::chrono::steady_clock::time_point;

inline double secondsSince(SteadyTime start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct PreloadedClip {
    std::string path;
    std::string fileName;
    std::unique_ptr<MediaFile> file;
    MediaTime start; // used range within the source
    MediaTime end;
    MediaTime duration; // end − start
    bool hasAudio = false;
};

struct StreamContext {
    StreamContext(MediaWriter& writer, const std::vector<PreloadedClip>& clips,
                  const std::vector<MediaTime>& offsets, ExportObserver& observer)
        : writer(writer)
        , clips(clips)
        , offsets(offsets)
        , observer(observer) {}

    MediaWriter& writer;
    const std::vector<PreloadedClip>& clips;
    // offsets[i]: where clip i starts on the output timeline.
    const std::vector<MediaTime>& offsets;
    ExportObserver& observer;
    const SteadyTime started = std::chrono::steady_clock::now();

    // Keeps the first failure of either stream and stops the writer, so that the
    // other stream ends too; later failures are dropped.
    void fail(std::exception_ptr error) {
        {
            std::lock_guard lock(errorMutex_);
            if (!firstError_)
                firstError_ = std::move(error);
        }
        writer.cancel();
    }
    // True, with the log line, when the writer no longer writes and the stream
    // (`name`: "Video", "Audio") must end: after a cancel that is expected, after a
    // failure it is an error.
    bool writerStopped(const char* name, const char* item, long itemCounter) const {
        const MediaWriter::Status status = writer.status();
        if (status == MediaWriter::Status::writing)
            return false;
        log::write(status == MediaWriter::Status::cancelled ? log::Level::Info : log::Level::Error,
                   log::Category::Export,
                   "%s: writer no longer writing (status=%ld), ending the stream at %s %ld", name,
                   static_cast<long>(status), item, itemCounter);
        return true;
    }
    // Calls writeClip(i) for each clip in turn until one returns false (the writer
    // stopped). A failure is logged for the stream `name` and stored. True when
    // every clip was written.
    template <typename WriteClip>
    bool writeEachClip(const char* name, WriteClip writeClip) {
        std::size_t index = 0;
        try {
            while (index < clips.size() && writeClip(index))
                ++index;
        } catch (const std::exception& error) {
            log::error(log::Category::Export, "%s: failed to read clip %ld: %s", name,
                       static_cast<long>(index + 1), error.what());
            fail(std::current_exception());
        }
        return index == clips.size();
    }
    std::exception_ptr firstError() const {
        std::lock_guard lock(errorMutex_);
        return firstError_;
    }

private:
    mutable std::mutex errorMutex_;
    std::exception_ptr firstError_;
};

// Logs when a stream waited more than five seconds for its next frame or block of
// sound: a stalled decoder or a sleeping disk. Waiting for the writer's turn is
// expected (a slow picture holds the sound back) and is not counted.
class StallWatch {
public:
    // `stream` ("Video", "Audio") and `item` ("frame", "buffer") word the log line.
    StallWatch(const char* stream, const char* item)
        : stream_(stream)
        , item_(item) {}
    void check(long itemCounter) {
        const auto now = std::chrono::steady_clock::now();
        const double gap = std::chrono::duration<double>(now - last_).count();
        if (gap > kStallSeconds)
            log::error(log::Category::Export, "%s: stalled for %.1fs before %s %ld", stream_, gap,
                       item_, itemCounter);
        last_ = now;
    }
    // The writer took an item: the wait for the next one starts now.
    void handedOver() { last_ = std::chrono::steady_clock::now(); }

private:
    static constexpr double kStallSeconds = 5.0;
    const char* stream_;
    const char* item_;
    SteadyTime last_ = std::chrono::steady_clock::now();
};

} // namespace kestrune
