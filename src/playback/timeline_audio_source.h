// The sound of a joined timeline as one continuous run of 44.1 kHz float stereo
// samples: each segment's sound from its own start, silence where a segment has
// none (no sound track, sound shorter than the picture, a file that cannot be
// read). A worker thread decodes ahead into a bounded buffer; readers take
// samples without ever waiting for decoding, and a restart (a seek) can come at
// any moment from any thread.
#pragma once

#include "media/media_time.h"
#include "player_item.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kestrune {

class AudioSampleReader;

class TimelineAudioSource {
public:
    static constexpr int kSampleRate = 44100;
    static constexpr int kChannels = 2;
    // About 370 ms: enough to ride over opening the next file, small enough that
    // a restart costs little decoding.
    static constexpr std::size_t kCapacityFrames = 16384;

    TimelineAudioSource();
    ~TimelineAudioSource();
    TimelineAudioSource(const TimelineAudioSource&) = delete;
    TimelineAudioSource& operator=(const TimelineAudioSource&) = delete;

    // Drops what is buffered and produces the samples of `segments` from `at`
    // (timeline time) on. Returns at once; the worker does the decoding.
    void start(std::shared_ptr<const std::vector<PlayerSegment>> segments, MediaTime at);
    // Drops what is buffered and idles.
    void stop();

    // Copies up to `frames` buffered frames (interleaved left, right) to `out`
    // and returns how many it copied; never waits for decoding.
    std::size_t read(float* out, std::size_t frames);
    // Frames ready to read.
    std::size_t available() const;
    // The worker has produced the last sample of the timeline and all of it was read.
    bool finished() const;

    // The timeline sample a time falls in: sample n spans [n, n + 1) / 44,100 s.
    static std::int64_t sampleAt(MediaTime time);

private:
    struct Request {
        std::shared_ptr<const std::vector<PlayerSegment>> segments;
        MediaTime at;
    };

    void run();
    void begin(const Request& request);
    // Produces up to `frames` frames at position_ into `out`; fewer only at the
    // end of the timeline.
    std::size_t produce(float* out, std::size_t frames);
    void enterSegment(std::size_t segment);
    // Copies the current segment's sound for up to `frames` frames from position_;
    // the frames it accounted for (silence where there is no sound).
    std::size_t copySound(float* out, std::size_t frames);
    void push(const float* samples, std::size_t frames);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<float> ring_; // kCapacityFrames frames
    std::size_t head_ = 0;    // frame index of the oldest buffered frame
    std::size_t size_ = 0;    // frames buffered
    std::optional<Request> request_;
    std::uint64_t generation_ = 0; // of the samples the ring accepts
    bool active_ = false;
    bool ended_ = true; // the worker produced the last sample of the current request
    bool quit_ = false;

    // Worker-only state.
    std::shared_ptr<const std::vector<PlayerSegment>> segments_;
    std::vector<std::int64_t>
        boundaries_;            // timeline sample where each segment starts, then the end
    std::int64_t position_ = 0; // timeline sample produced next
    std::size_t segment_ = 0;
    std::unique_ptr<AudioSampleReader> reader_; // none: the segment is silent from here
    std::int64_t sourceOffset_ = 0; // source sample minus timeline sample within the segment
    std::vector<float> chunk_;      // decoded samples not yet used
    std::int64_t chunkStart_ = 0;   // source sample of chunk_'s first frame
    std::int64_t chunkFrames_ = 0;

    std::thread thread_;
};

} // namespace kestrune
