// One export job as the dialog describes it, and everything derived from it
// before any media is touched: output geometry, bit rate and encoder settings.
#pragma once

#include "media/encoder_settings.h"
#include "model/project.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrune {

enum class ExportQuality { standard, high, maximum };

// In the order the pickers show them.
inline constexpr std::array kAllExportCodecs{ExportCodec::h264, ExportCodec::hevc,
                                             ExportCodec::prores};
inline constexpr std::array kAllExportQualities{ExportQuality::standard, ExportQuality::high,
                                                ExportQuality::maximum};

// The names the pickers show: "H.264", "HEVC (H.265)", "ProRes 422".
std::string_view displayName(ExportCodec codec);
// "Standard", "High", "Maximum".
std::string_view displayName(ExportQuality quality);
std::optional<ExportCodec> exportCodecFromDisplayName(std::string_view text);
std::optional<ExportQuality> exportQualityFromDisplayName(std::string_view text);

// Bits per second at 1920 × 1080; other sizes scale with their pixel count.
std::int64_t bitRateFactor(ExportQuality quality);

// One clip to export, in timeline order.
struct ClipExportInfo {
    std::string path; // the clip's resolved, readable file
    double duration = 0;
    int width = 0;
    int height = 0;
    double trimIn = 0;
    std::optional<double> trimOut;

    bool operator==(const ClipExportInfo&) const = default;
};

struct ExportConfig {
    std::vector<ClipExportInfo> clips;
    std::vector<Section> sections;
    int outputWidth = 0;
    int outputHeight = 0;
    // Clip pictures are fitted into [0, videoAreaWidth) from the left edge.
    int videoAreaWidth = 0;
    // The sidebar always takes the rightmost sidebarWidth pixels.
    int sidebarWidth = 0;
    ExportCodec codec = ExportCodec::h264;
    ExportQuality quality = ExportQuality::high;
    SidebarTheme theme = SidebarTheme::classic();

    bool operator==(const ExportConfig&) const = default;
};

struct OutputDimensions {
    int outputWidth = 0;
    int outputHeight = 0;
    int videoAreaWidth = 0;
    int sidebarWidth = 0;

    bool operator==(const OutputDimensions&) const = default;
};

// The largest clip width and height (taken independently, rounded up to even) make
// the video area; the sidebar is 22 % of its width, over it or beside it.
OutputDimensions outputDimensions(const std::vector<VideoClip>& clips, bool sidebarOverlay);

// Bits per second for the video encoder, truncated toward zero.
std::int64_t averageBitRate(const ExportConfig& config);

VideoOutputSettings videoOutputSettings(const ExportConfig& config);

AudioOutputSettings audioOutputSettings();

// One-line descriptions for the pipeline's log.
std::string describe(const VideoOutputSettings& settings);
std::string describe(const AudioOutputSettings& settings);

} // namespace kestrune
