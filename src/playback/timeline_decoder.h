// Decodes the pictures of a joined timeline on a worker thread, a few frames
// ahead of the player, into a small bounded queue. Each request carries a
// generation; frames of an older request never reach the queue, so a seek can
// restart decoding at any moment without the player seeing stale pictures.
#pragma once

#include "media/media_time.h"
#include "media/video_frame_reader.h"
#include "player_item.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kestrune {

struct QueuedFrame {
    // Without a picture when nothing can be shown from the requested time on,
    // and at the end of the timeline, after the last picture.
    PlayerFrame frame;
    std::uint64_t generation = 0;
    // Pictures between this one and the next may have been left out to keep up
    // with playback: its end is then not where the next picture of the file starts.
    bool gapAfter = false;
    // How many were left out there, as far as the file's frame rate tells.
    int leftOut = 0;
};

class TimelineDecoder {
public:
    // A frame ahead of the one shown is enough to play smoothly; a few absorb a
    // slow key frame or the opening of the next file.
    static constexpr std::size_t kQueueCapacity = 4;

    // `frameQueued` is called on the worker thread after each frame queued.
    explicit TimelineDecoder(std::function<void()> frameQueued);
    ~TimelineDecoder();
    TimelineDecoder(const TimelineDecoder&) = delete;
    TimelineDecoder& operator=(const TimelineDecoder&) = delete;

    // Drops what is queued and decodes `segments` from the picture on screen at
    // `at` (timeline time) onwards, tagging the frames with `generation`.
    void start(std::shared_ptr<const std::vector<PlayerSegment>> segments, MediaTime at,
               std::uint64_t generation);
    // Drops what is queued and idles.
    void stop();

    // Where playback stands while it plays, so that a decoder falling behind
    // leaves out pictures to catch up; nothing while paused or seeking, when
    // every picture counts. A new request forgets it.
    void setPlayhead(std::optional<MediaTime> time);

    // The oldest queued frame, taken out of the queue.
    std::optional<QueuedFrame> take();
    // The timeline time of the oldest queued frame.
    std::optional<MediaTime> peekTime() const;

private:
    struct Request {
        std::shared_ptr<const std::vector<PlayerSegment>> segments;
        MediaTime at;
        std::uint64_t generation = 0;
    };
    // A reader opened ahead of time for the next segment, with its first picture.
    struct Prepared {
        int segment = -1;
        PlayerSegment piece; // a new item may hold another file at the same index
        std::unique_ptr<VideoFrameReader> reader;
        std::optional<DecodedFrame> first;
    };

    void run();
    void begin(const Request& request);
    void release();
    // Decodes until one frame can be queued or the timeline ends; the frame to
    // queue, if any.
    std::optional<QueuedFrame> step();
    std::unique_ptr<VideoFrameReader> open(int segment, MediaTime sourceStart);
    // Makes `reader` the current segment's reader.
    void use(std::unique_ptr<VideoFrameReader> reader);
    void prepareNext();
    // Whether next_ holds `segment` of the current item, read from its start.
    bool isPrepared(int segment) const;
    void enterSegment(int segment);
    // Chooses what the reader may leave out, from how far the picture just decoded
    // (at `time` on the timeline) lies behind playback.
    void keepUp(MediaTime time);

    std::function<void()> frameQueued_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<QueuedFrame> queue_;
    std::optional<Request> request_; // newest request not yet taken by the worker
    std::uint64_t generation_ = 0;   // of the frames the queue accepts
    bool active_ = false;
    bool quit_ = false;
    // Microseconds on the timeline, or kNoPlayhead.
    static constexpr std::int64_t kNoPlayhead = INT64_MIN;
    std::atomic<std::int64_t> playhead_ = kNoPlayhead;

    // Worker-only state.
    std::shared_ptr<const std::vector<PlayerSegment>> segments_;
    std::uint64_t working_ = 0;
    int segment_ = 0;
    MediaTime offset_; // timeline time where segment_ starts
    std::unique_ptr<VideoFrameReader> reader_;
    std::optional<DecodedFrame> firstOfSegment_;
    std::optional<PlayerFrame> pending_; // decoded, waiting for its end time
    MediaTime frameDuration_;            // of the current segment's file, zero when unknown
    Prepared next_;
    bool nextWanted_ = false; // next_ is to be prepared when the queue is full
    bool done_ = true;
    bool produced_ = false; // a frame of the current request was handed out
    bool endSent_ = false;  // the frame that marks the end was handed out

    std::thread thread_;
};

// The timeline time where each segment starts, followed by the timeline's length.
std::vector<MediaTime> segmentOffsets(const std::vector<PlayerSegment>& segments);

} // namespace kestrune
