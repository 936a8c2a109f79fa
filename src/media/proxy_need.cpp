#include "proxy_need.h"

#include "hdr_tone_map.h"
#include "video_frame_reader.h"

#include <chrono>
#include <exception>

namespace kestrune {

namespace {

const MediaTime kMeasuredSpan{1, 1};
constexpr int kFewestMeasuredFrames = 5;

} // namespace

std::optional<double> measureDecodeRate(const std::string& path, std::stop_token stop) {
    using Clock = std::chrono::steady_clock;
    try {
        VideoFrameReader reader(path, MediaTime::zero(), kMeasuredSpan, DamagedMedia::tolerate);
        if (!reader.next())
            return std::nullopt;
        const Clock::time_point started = Clock::now();
        int frames = 0;
        while (!stop.stop_requested() && reader.next())
            ++frames;
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        if (frames < kFewestMeasuredFrames || !(seconds > 0))
            return std::nullopt;
        return frames / seconds;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool needsProxy(const std::string& path, std::stop_token stop) {
    double frameRate = 0;
    try {
        const MediaFile file(path);
        if (!file.hasVideo())
            return false;
        frameRate = file.averageFrameRate();
        const double pixelRate =
            static_cast<double>(file.codedWidth()) * file.codedHeight() * frameRate;
        if (!(frameRate > 0) || pixelRate <= kLightPixelRate)
            return false;
        // HDR pictures are tone mapped as they are shown, which at these sizes
        // takes longer than the preview has for a frame whatever the decoder's
        // speed; the proxy is tone mapped once, when it is made.
        if (hdrTransfer(file.videoStream()->codecpar->color_trc))
            return true;
    } catch (const std::exception&) {
        return false;
    }
    const std::optional<double> decodeRate = measureDecodeRate(path, stop);
    return decodeRate && *decodeRate < frameRate * kDecodeHeadroom;
}

} // namespace kestrune
