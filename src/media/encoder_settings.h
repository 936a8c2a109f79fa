// What the writer needs to open its encoders and the container, as the export
// settings derive it from an export job.
#pragma once

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kestrune {

enum class ExportCodec { h264, hevc, prores };

// Rate control of the delivery codecs; ProRes has none.
struct CompressionProperties {
    std::int64_t averageBitRate = 0;
    // "high" for H.264 (its level chosen by the encoder); none for HEVC.
    std::optional<std::string> profileLevel;
    int maxKeyFrameInterval = 60;

    bool operator==(const CompressionProperties&) const = default;
};

// Everything the writer needs to open the video encoder and the container.
struct VideoOutputSettings {
    int width = 0;
    int height = 0;
    ExportCodec codec = ExportCodec::h264;
    std::string encoderName;                        // FFmpeg encoder
    AVPixelFormat pixelFormat = AV_PIX_FMT_YUV420P; // what the encoder takes
    std::optional<CompressionProperties> compressionProperties;
    std::vector<std::pair<std::string, std::string>> encoderOptions; // private options
    std::string codecTag;        // sample entry, when not the default
    std::string containerFormat; // FFmpeg muxer name
    // Frames are converted with the BT.709 matrix and the stream says so, so that
    // players show the theme's colours as chosen.
    AVColorPrimaries colorPrimaries = AVCOL_PRI_BT709;
    AVColorTransferCharacteristic colorTransfer = AVCOL_TRC_BT709;
    AVColorSpace colorSpace = AVCOL_SPC_BT709;
    AVColorRange colorRange = AVCOL_RANGE_MPEG;
    // Ticks per second of the stream's timestamps. A copy that must keep its
    // source's frame times exactly writes them at the source's own timescale.
    int timescale = 90000;

    bool operator==(const VideoOutputSettings&) const = default;
};

struct AudioOutputSettings {
    std::string encoderName = "aac";
    int sampleRate = 44100;
    int channels = 2;
    std::int64_t bitRate = 128000;

    bool operator==(const AudioOutputSettings&) const = default;
};

} // namespace kestrune
