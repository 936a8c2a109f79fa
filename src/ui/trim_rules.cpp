#include "trim_rules.h"

#include <algorithm>
#include <cmath>

namespace kestrune {

double TrimStrip::stripWidth() const {
    return viewWidth - 2 * kHandleWidth;
}

double TrimStrip::xForTime(double seconds) const {
    const double fraction = duration > 0 ? seconds / duration : 0;
    return kHandleWidth + fraction * stripWidth();
}

double TrimStrip::fractionAt(double x) const {
    const double width = stripWidth();
    if (!(duration > 0) || !(width > 0))
        return 0;
    return (x - kHandleWidth) / width;
}

double draggedTrimIn(const TrimStrip& strip, double x, double trimOut) {
    if (!(strip.duration > 0))
        return 0;
    const double latest = (trimOut - kMinimumTrimLength) / strip.duration;
    return std::max(std::min(strip.fractionAt(x), latest), 0.0) * strip.duration;
}

double draggedTrimOut(const TrimStrip& strip, double x, double trimIn) {
    if (!(strip.duration > 0))
        return 0;
    const double fraction = strip.fractionAt(x);
    const double earliest = (trimIn + kMinimumTrimLength) / strip.duration;
    return (fraction <= 1 ? std::max(fraction, earliest) : std::max(1.0, earliest)) *
           strip.duration;
}

double scrubTimeAt(const TrimStrip& strip, double x) {
    if (!(strip.duration > 0))
        return 0;
    return std::clamp(strip.fractionAt(x) * strip.duration, 0.0, strip.duration);
}

double typedTrimIn(double seconds, double trimOut) {
    return std::max(std::min(seconds, trimOut - kMinimumTrimLength), 0.0);
}

double typedTrimOut(double seconds, double trimIn, double duration) {
    const double candidate = std::min(duration, seconds);
    return trimIn + kMinimumTrimLength <= candidate ? candidate : trimIn + kMinimumTrimLength;
}

namespace {

// Products of a frame start and its rate come out a hair off the whole number.
constexpr double kFrameSlack = 1e-6;

bool hasRate(double frameRate) {
    return frameRate > 0 && frameRate <= 1000;
}

} // namespace

double frameAlignedTrimIn(double trimIn, double trimOut, double frameRate) {
    if (!hasRate(frameRate))
        return trimIn;
    double frames = std::round(trimIn * frameRate);
    const double latest = std::floor((trimOut - kMinimumTrimLength) * frameRate + kFrameSlack);
    frames = std::min(frames, latest);
    return std::max(frames, 0.0) / frameRate;
}

double frameAlignedTrimOut(double trimOut, double trimIn, double duration, double frameRate) {
    if (!hasRate(frameRate) || duration <= trimOut)
        return trimOut;
    double frames = std::round(trimOut * frameRate);
    const double earliest = std::ceil((trimIn + kMinimumTrimLength) * frameRate - kFrameSlack);
    frames = std::max(frames, earliest);
    return std::min(frames / frameRate, duration);
}

std::optional<double> storedTrimOut(double trimOut, double duration) {
    if (duration <= trimOut)
        return std::nullopt;
    return trimOut;
}

} // namespace kestrune
