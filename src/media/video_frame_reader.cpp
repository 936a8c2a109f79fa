#include "video_frame_reader.h"

#include "color_space.h"
#include "decoder_feed.h"
#include "media_error.h"

extern "C" {
#include <libavutil/cpu.h>
}

#include <algorithm>
#include <iterator>

namespace kestrune {

namespace {

std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

} // namespace

VideoFrameReader::VideoFrameReader(const std::string& path, MediaTime start, MediaTime end,
                                   DamagedMedia onDamage)
    : file_(path)
    , stream_(file_.videoStream())
    , start_(start)
    , end_(end)
    , onDamage_(onDamage) {
    if (!stream_)
        throw MediaError(quoted(path) + " has no video track");
    const AVCodecID codecId = stream_->codecpar->codec_id;
    const AVCodec* codec = avcodec_find_decoder(codecId);
    if (!codec)
        throw MediaError(std::string("No decoder for ") + avcodec_get_name(codecId) + " video in " +
                         quoted(path));
    decoder_.reset(avcodec_alloc_context3(codec));
    packet_ = makePacket();
    if (!decoder_ || !packet_)
        throwIfFailed(AVERROR(ENOMEM), "Cannot decode " + quoted(path));
    throwIfFailed(avcodec_parameters_to_context(decoder_.get(), stream_->codecpar),
                  "Cannot set up the decoder for " + quoted(path));
    decoder_->pkt_timebase = stream_->time_base;
    // One thread a core; frame threads where the codec has them (H.264, HEVC).
    // (FFmpeg's own choice is a thread more, which at 4K holds another 25 MB
    // picture for no speed while the encoder keeps every core busy.)
    decoder_->thread_count = std::max(1, av_cpu_count());
    decoder_->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    throwIfFailed(avcodec_open2(decoder_.get(), codec, nullptr),
                  std::string("Cannot open the ") + avcodec_get_name(codecId) + " decoder for " +
                      quoted(path));
    // The demuxer skips the other streams' packets instead of handing them to us.
    AVFormatContext* context = file_.context();
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        if (static_cast<int>(i) != stream_->index)
            context->streams[i]->discard = AVDISCARD_ALL;
    }
    if (!(start_ < end_))
        finish();
}

AVColorSpace VideoFrameReader::colorSpace() const {
    const AVCodecParameters& parameters = *stream_->codecpar;
    return sourceColorSpace(parameters.color_space, parameters.width, parameters.height);
}

std::optional<DecodedFrame> VideoFrameReader::next() {
    if (finished_)
        return std::nullopt;
    if (!positioned_)
        positionAtStart();
    while (!finished_) {
        std::optional<DecodedFrame> frame;
        if (held_) {
            frame = std::move(held_);
            held_ = std::move(lookahead_);
            lookahead_.reset();
        } else {
            frame = decode();
        }
        if (!frame)
            checkReachedEnd();
        if (!frame || frame->time >= end_)
            break;
        // A frame that does not move time forward (a broken file's duplicate
        // timestamp) would stop a writer; it is left out.
        if (lastTime_ && frame->time <= *lastTime_)
            continue;
        // Frames left out on purpose are no sign of damage.
        if (!frame->afterSkipped)
            checkGap(lastTime_.value_or(start_), frame->time);
        lastTime_ = frame->time;
        return frame;
    }
    finish();
    return std::nullopt;
}

void VideoFrameReader::setSkipping(FrameSkipping skipping) {
    if (!decoder_)
        return;
    // Frame threads pick the setting up with each packet they are handed, and a
    // non-reference frame is never needed later: switching is safe either way.
    decoder_->skip_frame =
        skipping == FrameSkipping::nonReference ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
}

void VideoFrameReader::skipToKeyFrameBefore(MediaTime time) {
    if (finished_)
        return;
    const int found = av_index_search_timestamp(stream_, time.toTimestamp(stream_->time_base),
                                                AVSEEK_FLAG_BACKWARD);
    const AVIndexEntry* entry = found >= 0 ? avformat_index_get_entry(stream_, found) : nullptr;
    if (entry && entry->timestamp > lastFed_)
        keyTarget_ = entry->timestamp;
}

bool VideoFrameReader::takes(const AVPacket& packet) {
    if (decoder_->skip_frame != AVDISCARD_DEFAULT)
        skipped_ = true;
    const std::int64_t time = packet.dts != AV_NOPTS_VALUE ? packet.dts : packet.pts;
    if (keyTarget_) {
        // Nothing from the key frame on is decoded from a picture before it.
        if (time == AV_NOPTS_VALUE || time < *keyTarget_ || !(packet.flags & AV_PKT_FLAG_KEY)) {
            skipped_ = true;
            return false;
        }
        keyTarget_.reset();
    }
    if (time != AV_NOPTS_VALUE)
        lastFed_ = time;
    return true;
}

void VideoFrameReader::positionAtStart() {
    positioned_ = true;
    const AVRational timeBase = stream_->time_base;
    const std::int64_t first = stream_->start_time != AV_NOPTS_VALUE ? stream_->start_time : 0;
    const MediaTime origin = MediaTime::fromTimestamp(first, timeBase);
    // Past the last picture nothing is on screen any more.
    if (const std::optional<MediaTime> end = streamEnd(*stream_); end && start_ >= *end) {
        finish();
        return;
    }

    // A freshly opened file reads from its first frame, so there is nothing to
    // seek for a range that starts there.
    bool fromBeginning = start_ <= origin;
    const std::int64_t target = start_.toTimestamp(timeBase);
    // Some containers index key frames by decode time, and some (MPEG-TS) have no
    // index and land near, not on, a key frame: the first picture after the seek
    // can then be shown after `start`, or none can be decoded. Each retry seeks
    // further back, the last one to the first frame.
    static constexpr std::int64_t kBackoffSeconds[] = {0, 1, 10};
    for (std::size_t attempt = 0;; ++attempt) {
        if (!fromBeginning) {
            if (attempt < std::size(kBackoffSeconds)) {
                const std::int64_t back =
                    av_rescale_q(kBackoffSeconds[attempt], AVRational{1, 1}, timeBase);
                // A file that cannot seek is read from where it stands.
                fromBeginning = !seekBefore(target - back) && attempt == 0;
            } else {
                seekBefore(first);
                fromBeginning = true;
            }
        }
        std::optional<DecodedFrame> current = decode();
        // Nothing decodable after the seek point (it missed a key frame) is
        // another reason to look further back.
        if (!fromBeginning && (!current || current->time > start_))
            continue;
        if (!current) {
            checkReachedEnd();
            finish();
            return;
        }
        // Decode up to the frame on screen at `start`; the one after it, already
        // decoded to know that, is kept for the next call.
        for (;;) {
            std::optional<DecodedFrame> following = decode();
            if (!following || following->time > start_) {
                held_ = std::move(current);
                lookahead_ = std::move(following);
                return;
            }
            current = std::move(following);
        }
    }
}

bool VideoFrameReader::seekBefore(std::int64_t timestamp) {
    const int result =
        av_seek_frame(file_.context(), stream_->index, timestamp, AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(decoder_.get());
    draining_ = false;
    lastFed_ = INT64_MIN;
    return result >= 0;
}

std::optional<DecodedFrame> VideoFrameReader::decode() {
    FramePtr frame = makeFrame();
    if (!frame)
        return std::nullopt;
    for (;;) {
        const int received = avcodec_receive_frame(decoder_.get(), frame.get());
        if (received == 0) {
            const std::int64_t pts =
                frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->best_effort_timestamp;
            if (pts == AV_NOPTS_VALUE) {
                // A picture that cannot be placed in time cannot be shown either.
                av_frame_unref(frame.get());
                continue;
            }
            const MediaTime time = MediaTime::fromTimestamp(pts, stream_->time_base);
            if (!reach_ || *reach_ < time)
                reach_ = time;
            const bool afterSkipped = skipped_;
            skipped_ = keyTarget_.has_value() || decoder_->skip_frame != AVDISCARD_DEFAULT;
            return DecodedFrame{std::move(frame), time, afterSkipped};
        }
        // The end of the stream, or a decoding error, which ends it early.
        if (received != AVERROR(EAGAIN) || draining_)
            return std::nullopt;

        // At the end of the file the frames the decoder still holds come out
        // before the range ends.
        const bool fed = feedDecoder(file_.context(), stream_->index, decoder_.get(), packet_.get(),
                                     [this](const AVPacket& packet) { return takes(packet); });
        if (!fed)
            draining_ = true;
    }
}

void VideoFrameReader::checkReachedEnd() const {
    if (onDamage_ == DamagedMedia::tolerate)
        return;
    // The index says where the last picture of the range starts. Without one, the
    // stream's stated end stands in for it (its last frame starts a little before).
    const std::optional<MediaTime> length = streamEnd(*stream_);
    std::optional<MediaTime> expected = lastIndexedBefore(*stream_, end_);
    if (!expected && length)
        expected = std::min(*length, end_);
    if (!expected)
        return;
    const MediaTime tolerance = MediaTime::fromSeconds(kDamageToleranceSeconds, 1000);
    if (reach_ && *expected <= *reach_ + tolerance)
        return;
    const std::string total = secondsText(length.value_or(*expected));
    if (!reach_)
        throw damagedMediaError(file_.path(),
                                "none of its pictures up to " + total + " can be read");
    throw damagedMediaError(file_.path(),
                            "its picture ends at " + secondsText(*reach_) + " of " + total);
}

void VideoFrameReader::checkGap(MediaTime before, MediaTime after) const {
    if (onDamage_ == DamagedMedia::tolerate ||
        !(MediaTime::fromSeconds(kDamageHoleSeconds, 1000) < after - before))
        return;
    // A screen recording may hold one picture for seconds; that is a gap the index
    // shows too. Frames the index holds inside the gap were there and did not
    // decode. The margins keep the neighbours' decode times (which run ahead of
    // their presentation times) out of it.
    const MediaTime margin = MediaTime::fromSeconds(kDamageToleranceSeconds, 1000);
    if (indexedBetween(*stream_, before + margin, after - margin))
        throw damagedMediaError(file_.path(), "no picture can be read from " + secondsText(before) +
                                                  " to " + secondsText(after));
}

void VideoFrameReader::finish() {
    finished_ = true;
    held_.reset();
    lookahead_.reset();
    // The decoder's threads and reference frames are not needed any more.
    decoder_.reset();
    packet_.reset();
}

} // namespace kestrune
