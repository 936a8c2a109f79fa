#include "timeline_decoder.h"

#include "log/log.h"
#include "media/media_error.h"

#include <algorithm>
#include <cmath>

namespace kestrune {

namespace {

// How far behind playback a decoded picture may lie before the decoder leaves
// out the frames nothing else is decoded from, and before it jumps ahead to the
// last key frame before the playhead. Below the first, a picture or two late is
// jitter (a busy main thread, the opening of a file); past the second, the
// decoder cannot catch up frame by frame any more.
const MediaTime kBehind{40, 1000};
const MediaTime kFarBehind{250, 1000};

bool isPositive(MediaTime time) {
    return MediaTime::zero() < time;
}

MediaTime lengthOf(const PlayerSegment& segment) {
    return segment.start < segment.end ? segment.end - segment.start : MediaTime::zero();
}

std::shared_ptr<const AVFrame> share(FramePtr frame) {
    return std::shared_ptr<const AVFrame>(frame.release(), [](const AVFrame* f) {
        AVFrame* owned = const_cast<AVFrame*>(f);
        av_frame_free(&owned);
    });
}

} // namespace

std::vector<MediaTime> segmentOffsets(const std::vector<PlayerSegment>& segments) {
    std::vector<MediaTime> offsets{MediaTime::zero()};
    for (const PlayerSegment& segment : segments)
        offsets.push_back(offsets.back() + lengthOf(segment));
    return offsets;
}

TimelineDecoder::TimelineDecoder(std::function<void()> frameQueued)
    : frameQueued_(std::move(frameQueued))
    , thread_([this] { run(); }) {}

TimelineDecoder::~TimelineDecoder() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void TimelineDecoder::start(std::shared_ptr<const std::vector<PlayerSegment>> segments,
                            MediaTime at, std::uint64_t generation) {
    {
        std::lock_guard lock(mutex_);
        queue_.clear();
        request_ = Request{std::move(segments), at, generation};
        generation_ = generation;
        active_ = true;
        playhead_ = kNoPlayhead;
    }
    wake_.notify_all();
}

void TimelineDecoder::stop() {
    std::lock_guard lock(mutex_);
    queue_.clear();
    request_.reset();
    active_ = false;
    ++generation_;
    playhead_ = kNoPlayhead;
}

void TimelineDecoder::setPlayhead(std::optional<MediaTime> time) {
    playhead_ = time ? time->convertScale(1'000'000).value : kNoPlayhead;
}

std::optional<QueuedFrame> TimelineDecoder::take() {
    std::optional<QueuedFrame> frame;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty())
            return std::nullopt;
        frame = std::move(queue_.front());
        queue_.pop_front();
    }
    wake_.notify_all();
    return frame;
}

std::optional<MediaTime> TimelineDecoder::peekTime() const {
    std::lock_guard lock(mutex_);
    if (queue_.empty())
        return std::nullopt;
    return queue_.front().frame.time;
}

void TimelineDecoder::run() {
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] {
                const bool current = active_ && (!done_ || !endSent_) && working_ == generation_;
                const bool holding = reader_ || next_.reader || pending_;
                return quit_ || request_ || (current && queue_.size() < kQueueCapacity) ||
                       (current && nextWanted_) || (!active_ && holding);
            });
            if (quit_)
                return;
            if (!request_ && !active_) {
                // Stopped: the open files and decoders are not needed any more.
                lock.unlock();
                release();
                continue;
            }
            if (request_) {
                const Request request = std::move(*request_);
                request_.reset();
                lock.unlock();
                begin(request);
                continue;
            }
            // Opening the next segment's file and decoding up to its first picture
            // can take longer than a frame: done while the queue is full, the switch
            // to the next clip costs nothing and the current clip does not stall.
            if (nextWanted_ && queue_.size() >= kQueueCapacity) {
                lock.unlock();
                prepareNext();
                continue;
            }
        }
        std::optional<QueuedFrame> frame = step();
        if (!frame)
            continue;
        frame->generation = working_;
        bool queued = false;
        {
            std::lock_guard lock(mutex_);
            // A newer request may have come while decoding: this frame is stale then.
            if (!request_ && active_ && working_ == generation_) {
                queue_.push_back(std::move(*frame));
                queued = true;
            }
        }
        if (queued && frameQueued_)
            frameQueued_();
    }
}

void TimelineDecoder::release() {
    reader_.reset();
    next_ = {};
    nextWanted_ = false;
    pending_.reset();
    firstOfSegment_.reset();
    done_ = true;
}

void TimelineDecoder::begin(const Request& request) {
    segments_ = request.segments;
    working_ = request.generation;
    pending_.reset();
    firstOfSegment_.reset();
    reader_.reset();
    nextWanted_ = false;
    produced_ = false;
    endSent_ = false;
    done_ = true;
    const std::vector<MediaTime> offsets = segmentOffsets(*segments_);
    const int count = static_cast<int>(segments_->size());
    // The segment under `at`; past the end, the last picture of the last segment.
    int segment = -1;
    for (int i = 0; i < count; ++i) {
        if (offsets[i] < offsets[i + 1] && request.at < offsets[i + 1]) {
            segment = i;
            break;
        }
    }
    MediaTime at = request.at;
    if (segment < 0) {
        for (int i = count - 1; i >= 0 && segment < 0; --i) {
            if (offsets[i] < offsets[i + 1])
                segment = i;
        }
        if (segment < 0) {
            done_ = false; // to report that there is nothing to show
            segment_ = count;
            return;
        }
        // The last tick of the timeline still shows its last picture.
        at = offsets[segment + 1] - MediaTime{1, MediaTime::kOutputTimescale};
    }
    if (at < offsets[segment])
        at = offsets[segment];
    const PlayerSegment& piece = (*segments_)[segment];
    segment_ = segment;
    offset_ = offsets[segment];
    done_ = false;
    if (!isPrepared(segment) || at != offset_) {
        next_ = {};
        use(open(segment, piece.start + (at - offset_)));
    } else {
        use(std::move(next_.reader));
        firstOfSegment_ = std::move(next_.first);
        next_ = {};
    }
    nextWanted_ = true;
}

std::unique_ptr<VideoFrameReader> TimelineDecoder::open(int segment, MediaTime sourceStart) {
    const PlayerSegment& piece = (*segments_)[segment];
    try {
        // A damaged clip plays up to where it can be read.
        return std::make_unique<VideoFrameReader>(piece.path, sourceStart, piece.end,
                                                  DamagedMedia::tolerate);
    } catch (const MediaError& error) {
        // The segment's time passes with the last picture still on screen.
        log::error(log::Category::Playback, "Cannot play '%s': %s", piece.path.c_str(),
                   error.what());
        return nullptr;
    }
}

void TimelineDecoder::use(std::unique_ptr<VideoFrameReader> reader) {
    reader_ = std::move(reader);
    frameDuration_ = MediaTime::zero();
    if (reader_) {
        if (const double rate = reader_->file().averageFrameRate(); rate > 0)
            frameDuration_ = MediaTime::fromSeconds(1.0 / rate, 90000);
    }
}

void TimelineDecoder::keepUp(MediaTime time) {
    if (!reader_)
        return;
    const std::int64_t playhead = playhead_;
    if (playhead == kNoPlayhead) {
        reader_->setSkipping(FrameSkipping::none);
        return;
    }
    const MediaTime now{playhead, 1'000'000};
    if (kFarBehind < now - time) {
        reader_->setSkipping(FrameSkipping::nonReference);
        const PlayerSegment& piece = (*segments_)[segment_];
        reader_->skipToKeyFrameBefore(piece.start + (now - offset_));
    } else if (kBehind < now - time) {
        reader_->setSkipping(FrameSkipping::nonReference);
    } else if (!(time < now)) {
        // Ahead again: every picture from here on.
        reader_->setSkipping(FrameSkipping::none);
    }
}

void TimelineDecoder::prepareNext() {
    nextWanted_ = false;
    next_ = {};
    const int count = static_cast<int>(segments_->size());
    for (int i = segment_ + 1; i < count; ++i) {
        const PlayerSegment& piece = (*segments_)[i];
        if (!(piece.start < piece.end))
            continue;
        next_.segment = i;
        next_.piece = piece;
        next_.reader = open(i, piece.start);
        if (next_.reader)
            next_.first = next_.reader->next();
        return;
    }
}

bool TimelineDecoder::isPrepared(int segment) const {
    return next_.segment == segment && next_.piece == (*segments_)[segment];
}

void TimelineDecoder::enterSegment(int segment) {
    const std::vector<MediaTime> offsets = segmentOffsets(*segments_);
    segment_ = segment;
    offset_ = offsets[segment];
    if (isPrepared(segment)) {
        use(std::move(next_.reader));
        firstOfSegment_ = std::move(next_.first);
        next_ = {};
    } else {
        use(open(segment, (*segments_)[segment].start));
    }
    nextWanted_ = true;
}

std::optional<QueuedFrame> TimelineDecoder::step() {
    const int count = static_cast<int>(segments_->size());
    if (segment_ >= count)
        done_ = true;
    while (!done_) {
        const PlayerSegment& piece = (*segments_)[segment_];
        std::optional<DecodedFrame> decoded;
        if (firstOfSegment_) {
            decoded = std::move(firstOfSegment_);
            firstOfSegment_.reset();
        } else if (reader_) {
            decoded = reader_->next();
        }
        if (decoded) {
            // The picture on screen at the segment's start may begin before it.
            const MediaTime into =
                decoded->time > piece.start ? decoded->time - piece.start : MediaTime::zero();
            PlayerFrame frame{share(std::move(decoded->frame)),
                              offset_ + into,
                              offset_ + into,
                              decoded->time,
                              segment_,
                              reader_ ? reader_->file().rotation() : 0};
            keepUp(frame.time);
            std::optional<PlayerFrame> ready = std::move(pending_);
            pending_ = std::move(frame);
            if (ready) {
                ready->end = pending_->time;
                produced_ = true;
                QueuedFrame queued{std::move(*ready)};
                queued.gapAfter = decoded->afterSkipped;
                if (queued.gapAfter && isPositive(frameDuration_)) {
                    const double span = (queued.frame.end - queued.frame.time).seconds();
                    queued.leftOut = std::max(
                        0, static_cast<int>(std::lround(span / frameDuration_.seconds())) - 1);
                }
                return queued;
            }
            continue;
        }
        // The segment is over: its last picture stays until the segment's end.
        const MediaTime segmentEnd = offset_ + lengthOf(piece);
        std::optional<PlayerFrame> ready = std::move(pending_);
        pending_.reset();
        reader_.reset();
        int following = segment_ + 1;
        while (following < count && !((*segments_)[following].start < (*segments_)[following].end))
            ++following;
        if (following < count)
            enterSegment(following);
        else
            done_ = true;
        if (ready) {
            ready->end = segmentEnd;
            produced_ = true;
            return QueuedFrame{std::move(*ready)};
        }
        if (!produced_) {
            // The requested time lies in a segment that showed nothing (its file
            // cannot be read): no picture there, rather than the next one early.
            produced_ = true;
            return QueuedFrame{};
        }
    }
    if (!produced_) {
        // Nothing from the requested time on can be shown (files that cannot be
        // read): a frame without a picture says so, so that a seek still lands.
        produced_ = true;
        return QueuedFrame{};
    }
    if (!endSent_) {
        // Tells the player that no more pictures come, so that it does not wait
        // for them.
        endSent_ = true;
        PlayerFrame end;
        end.time = end.end = segmentOffsets(*segments_).back();
        return QueuedFrame{std::move(end)};
    }
    return std::nullopt;
}

} // namespace kestrune
