// The writer's video input: encodes frames composed in the encoder's own pixel
// format at their own times (no fixed frame rate) and hands the packets to the
// muxer. Private to the writer.
#pragma once

#include "frame_pool.h"
#include "writer_core.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace kestrune::detail {

class VideoInput final : public VideoWriterInput, public EncodedInput {
public:
    VideoInput(WriterCore& core, VideoOutputSettings settings);
    ~VideoInput() override;

    FramePtr makeFrame() override;
    bool append(FramePtr frame, MediaTime time) override;
    void finish() override;
    std::string open() override;

private:
    bool encode(const AVFrame* frame);
    // Muxes the packets whose frame duration is known; with `final`, all of them.
    bool writePending(bool final);

    WriterCore& core_;
    const VideoOutputSettings settings_;
    const AVRational timeBase_; // of the encoder and the frames' times
    // Serialises appends, frame conversion and the flush.
    std::mutex encodeMutex_;
    CodecContextPtr encoder_;
    AVStream* stream_ = nullptr;
    std::unique_ptr<FramePool> pool_; // frames for the caller to compose into
    std::optional<std::int64_t> lastPts_;
    std::int64_t lastInterval_ = 0;
    // Frame durations by presentation time, known once the next frame arrived.
    std::map<std::int64_t, std::int64_t> durations_;
    // Encoded packets, in decoding order, waiting for their frame's duration.
    std::deque<PacketPtr> pending_;
    InputPace pace_;
};

} // namespace kestrune::detail
