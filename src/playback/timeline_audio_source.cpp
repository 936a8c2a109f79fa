#include "timeline_audio_source.h"

#include "media/audio_sample_reader.h"
#include "timeline_decoder.h"

#include <algorithm>
#include <exception>

namespace kestrune {

namespace {

// The most the worker produces before it looks at the ring and its requests again.
constexpr std::size_t kBlockFrames = 4096;

void fillSilence(float* out, std::size_t frames) {
    std::fill_n(out, frames * TimelineAudioSource::kChannels, 0.0f);
}

} // namespace

TimelineAudioSource::TimelineAudioSource()
    : ring_(kCapacityFrames * kChannels) {
    thread_ = std::thread([this] { run(); });
}

TimelineAudioSource::~TimelineAudioSource() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

std::int64_t TimelineAudioSource::sampleAt(MediaTime time) {
    return time.convertScale(kSampleRate).value;
}

void TimelineAudioSource::start(std::shared_ptr<const std::vector<PlayerSegment>> segments,
                                MediaTime at) {
    {
        std::lock_guard lock(mutex_);
        ++generation_;
        request_ = Request{std::move(segments), at};
        head_ = 0;
        size_ = 0;
        active_ = false;
        ended_ = false;
    }
    wake_.notify_all();
}

void TimelineAudioSource::stop() {
    std::lock_guard lock(mutex_);
    ++generation_;
    request_.reset();
    head_ = 0;
    size_ = 0;
    active_ = false;
    ended_ = true;
}

std::size_t TimelineAudioSource::read(float* out, std::size_t frames) {
    std::size_t count = 0;
    {
        std::lock_guard lock(mutex_);
        count = std::min(frames, size_);
        const std::size_t first = std::min(count, kCapacityFrames - head_);
        std::copy_n(ring_.data() + head_ * kChannels, first * kChannels, out);
        std::copy_n(ring_.data(), (count - first) * kChannels, out + first * kChannels);
        head_ = (head_ + count) % kCapacityFrames;
        size_ -= count;
    }
    if (count > 0)
        wake_.notify_all();
    return count;
}

std::size_t TimelineAudioSource::available() const {
    std::lock_guard lock(mutex_);
    return size_;
}

bool TimelineAudioSource::finished() const {
    std::lock_guard lock(mutex_);
    return ended_ && size_ == 0;
}

void TimelineAudioSource::push(const float* samples, std::size_t frames) {
    // Called under the lock, with room for `frames`.
    const std::size_t tail = (head_ + size_) % kCapacityFrames;
    const std::size_t first = std::min(frames, kCapacityFrames - tail);
    std::copy_n(samples, first * kChannels, ring_.data() + tail * kChannels);
    std::copy_n(samples + first * kChannels, (frames - first) * kChannels, ring_.data());
    size_ += frames;
}

void TimelineAudioSource::run() {
    std::vector<float> block(kBlockFrames * kChannels);
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] {
            return quit_ || request_ || (active_ && !ended_ && size_ < kCapacityFrames);
        });
        if (quit_)
            return;
        const std::uint64_t generation = generation_;
        if (request_) {
            const Request request = std::move(*request_);
            request_.reset();
            lock.unlock();
            begin(request); // opens a file and seeks: not under the lock
            lock.lock();
            if (generation == generation_)
                active_ = true;
            continue;
        }
        const std::size_t room = std::min(kCapacityFrames - size_, kBlockFrames);
        lock.unlock();
        const std::size_t produced = produce(block.data(), room);
        lock.lock();
        // A restart while this block was made: it belongs to the old request.
        if (generation != generation_)
            continue;
        push(block.data(), produced);
        if (produced < room)
            ended_ = true;
    }
}

void TimelineAudioSource::begin(const Request& request) {
    segments_ =
        request.segments ? request.segments : std::make_shared<const std::vector<PlayerSegment>>();
    boundaries_.clear();
    for (const MediaTime& offset : segmentOffsets(*segments_))
        boundaries_.push_back(sampleAt(offset));
    position_ = std::clamp(sampleAt(request.at), std::int64_t{0}, boundaries_.back());
    reader_.reset();
    segment_ = 0;
    while (segment_ + 1 < boundaries_.size() && !(position_ < boundaries_[segment_ + 1]))
        ++segment_;
    if (segment_ < segments_->size())
        enterSegment(segment_);
}

void TimelineAudioSource::enterSegment(std::size_t segment) {
    segment_ = segment;
    reader_.reset();
    chunk_.clear();
    chunkStart_ = 0;
    chunkFrames_ = 0;
    const std::int64_t first = boundaries_[segment];
    const std::int64_t end = boundaries_[segment + 1];
    if (!(position_ < end))
        return;
    const PlayerSegment& piece = (*segments_)[segment];
    sourceOffset_ = sampleAt(piece.start) - first;
    // The reader's range is the segment's stretch of the timeline, so its sound
    // never runs into the next segment's even where rounding to samples differs.
    try {
        reader_ = std::make_unique<AudioSampleReader>(
            piece.path, MediaTime{position_ + sourceOffset_, kSampleRate},
            MediaTime{end + sourceOffset_, kSampleRate}, DamagedMedia::tolerate);
    } catch (const std::exception&) {
        // No sound track, or a file that cannot be read: the segment is silent.
        reader_.reset();
    }
}

std::size_t TimelineAudioSource::produce(float* out, std::size_t frames) {
    std::size_t written = 0;
    while (written < frames && position_ < boundaries_.back()) {
        if (!(position_ < boundaries_[segment_ + 1])) {
            std::size_t next = segment_ + 1;
            while (!(position_ < boundaries_[next + 1]))
                ++next;
            enterSegment(next);
        }
        const auto left = static_cast<std::size_t>(boundaries_[segment_ + 1] - position_);
        const std::size_t copied =
            copySound(out + written * kChannels, std::min(frames - written, left));
        written += copied;
        position_ += static_cast<std::int64_t>(copied);
    }
    if (!(position_ < boundaries_.back()))
        reader_.reset();
    return written;
}

std::size_t TimelineAudioSource::copySound(float* out, std::size_t frames) {
    if (!reader_) {
        fillSilence(out, frames);
        return frames;
    }
    const std::int64_t source = position_ + sourceOffset_;
    while (!(source < chunkStart_ + chunkFrames_)) {
        std::optional<AudioChunk> chunk;
        try {
            chunk = reader_->next();
        } catch (const std::exception&) {
            chunk.reset();
        }
        if (!chunk) {
            // The sound ends before the segment does.
            reader_.reset();
            chunk_.clear();
            chunkFrames_ = 0;
            fillSilence(out, frames);
            return frames;
        }
        chunk_ = std::move(chunk->samples);
        chunkStart_ = chunk->time.value;
        chunkFrames_ = chunk->frames;
    }
    if (source < chunkStart_) {
        // A gap in the source's sound.
        const auto gap = std::min(frames, static_cast<std::size_t>(chunkStart_ - source));
        fillSilence(out, gap);
        return gap;
    }
    const auto offset = static_cast<std::size_t>(source - chunkStart_);
    const std::size_t count = std::min(frames, static_cast<std::size_t>(chunkFrames_) - offset);
    std::copy_n(chunk_.data() + offset * kChannels, count * kChannels, out);
    return count;
}

} // namespace kestrune
