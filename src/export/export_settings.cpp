#include "export_settings.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/cpu.h>
#include <libavutil/pixdesc.h>
}

namespace kestrune {

namespace {

constexpr double kReferencePixels = 1920.0 * 1080.0;
constexpr double kSidebarShare = 0.22;

int roundUpToEven(int value) {
    return value % 2 == 0 ? value : value + 1;
}

template <typename Enum, std::size_t N>
std::optional<Enum> fromDisplayName(const std::array<Enum, N>& all, std::string_view text) {
    for (Enum value : all)
        if (displayName(value) == text)
            return value;
    return std::nullopt;
}

} // namespace

std::string_view displayName(ExportCodec codec) {
    switch (codec) {
    case ExportCodec::h264:
        return "H.264";
    case ExportCodec::hevc:
        return "HEVC (H.265)";
    case ExportCodec::prores:
        return "ProRes 422";
    }
    return "H.264";
}

std::string_view displayName(ExportQuality quality) {
    switch (quality) {
    case ExportQuality::standard:
        return "Standard";
    case ExportQuality::high:
        return "High";
    case ExportQuality::maximum:
        return "Maximum";
    }
    return "High";
}

std::optional<ExportCodec> exportCodecFromDisplayName(std::string_view text) {
    return fromDisplayName(kAllExportCodecs, text);
}

std::optional<ExportQuality> exportQualityFromDisplayName(std::string_view text) {
    return fromDisplayName(kAllExportQualities, text);
}

std::int64_t bitRateFactor(ExportQuality quality) {
    switch (quality) {
    case ExportQuality::standard:
        return 4'000'000;
    case ExportQuality::high:
        return 8'000'000;
    case ExportQuality::maximum:
        return 20'000'000;
    }
    return 8'000'000;
}

OutputDimensions outputDimensions(const std::vector<VideoClip>& clips, bool sidebarOverlay) {
    int maxWidth = 0;
    int maxHeight = 0;
    for (const auto& clip : clips) {
        maxWidth = std::max(maxWidth, clip.width);
        maxHeight = std::max(maxHeight, clip.height);
    }
    const int w = roundUpToEven(maxWidth);
    const int h = roundUpToEven(maxHeight);
    const int candidate = static_cast<int>(std::round(w * kSidebarShare));
    if (sidebarOverlay)
        return {w, h, w, candidate};
    const int outputWidth = roundUpToEven(w + candidate);
    return {outputWidth, h, w, outputWidth - w};
}

std::int64_t averageBitRate(const ExportConfig& config) {
    const double pixels = static_cast<double>(config.outputWidth) * config.outputHeight;
    return static_cast<std::int64_t>(static_cast<double>(bitRateFactor(config.quality)) * pixels /
                                     kReferencePixels);
}

// The one place where the export's codec choices become FFmpeg encoders and options.
VideoOutputSettings videoOutputSettings(const ExportConfig& config) {
    VideoOutputSettings settings;
    settings.width = config.outputWidth;
    settings.height = config.outputHeight;
    settings.codec = config.codec;
    switch (config.codec) {
    case ExportCodec::h264:
        settings.encoderName = "libx264";
        settings.pixelFormat = AV_PIX_FMT_YUV420P;
        settings.compressionProperties = CompressionProperties{averageBitRate(config), "high", 60};
        // x264 keeps frames in hand for its lookahead thread; left to choose, it
        // keeps enough that a 4K export holds 50 MB more than an ffmpeg filter
        // graph, for no speed. One a core keeps every core fed, and the encoded
        // stream is the same.
        settings.encoderOptions = {
            {"preset", "veryfast"},
            {"profile", "high"},
            {"x264-params", "sync-lookahead=" + std::to_string(std::max(2, av_cpu_count()))}};
        settings.containerFormat = "mp4";
        break;
    case ExportCodec::hevc:
        settings.encoderName = "libx265";
        settings.pixelFormat = AV_PIX_FMT_YUV420P;
        settings.compressionProperties =
            CompressionProperties{averageBitRate(config), std::nullopt, 60};
        settings.encoderOptions = {{"preset", "veryfast"}, {"x265-params", "log-level=error"}};
        // Players on every platform expect this sample entry for HEVC in MPEG-4.
        settings.codecTag = "hvc1";
        settings.containerFormat = "mp4";
        break;
    case ExportCodec::prores:
        settings.encoderName = "prores_ks";
        settings.pixelFormat = AV_PIX_FMT_YUV422P10LE;
        settings.encoderOptions = {{"profile", "standard"}};
        // FFmpeg's MPEG-4 muxer has no tag for ProRes; QuickTime carries it.
        settings.containerFormat = "mov";
        break;
    }
    return settings;
}

AudioOutputSettings audioOutputSettings() {
    return {};
}

std::string describe(const VideoOutputSettings& s) {
    std::string text = "codec=" + std::string(displayName(s.codec)) + " encoder=" + s.encoderName +
                       " size=" + std::to_string(s.width) + "x" + std::to_string(s.height) +
                       " pixelFormat=" + av_get_pix_fmt_name(s.pixelFormat);
    if (s.compressionProperties) {
        text += " averageBitRate=" + std::to_string(s.compressionProperties->averageBitRate);
        if (s.compressionProperties->profileLevel)
            text += " profile=" + *s.compressionProperties->profileLevel;
        text +=
            " maxKeyFrameInterval=" + std::to_string(s.compressionProperties->maxKeyFrameInterval);
    }
    for (const auto& [key, value] : s.encoderOptions)
        text += " " + key + "=" + value;
    if (!s.codecTag.empty())
        text += " tag=" + s.codecTag;
    text += " container=" + s.containerFormat + " color=bt709/limited";
    return text;
}

std::string describe(const AudioOutputSettings& s) {
    return "encoder=" + s.encoderName + " sampleRate=" + std::to_string(s.sampleRate) +
           " channels=" + std::to_string(s.channels) + " bitRate=" + std::to_string(s.bitRate);
}

} // namespace kestrune
