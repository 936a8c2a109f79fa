#include "media_time.h"

#include <cmath>
#include <numeric>

extern "C" {
#include <libavutil/mathematics.h>
}

namespace kestrune {

namespace {

// The sum or difference on the least common timescale; falls back to the finer
// of the two scales when the common one would not fit 32 bits.
MediaTime combine(const MediaTime& a, const MediaTime& b, int sign) {
    if (a.timescale == b.timescale)
        return {a.value + sign * b.value, a.timescale};
    const std::int64_t common = std::lcm<std::int64_t>(a.timescale, b.timescale);
    if (common <= INT32_MAX) {
        const auto scale = static_cast<std::int32_t>(common);
        return {a.value * (common / a.timescale) + sign * b.value * (common / b.timescale), scale};
    }
    const std::int32_t finer = std::max(a.timescale, b.timescale);
    return {a.convertScale(finer).value + sign * b.convertScale(finer).value, finer};
}

} // namespace

MediaTime MediaTime::fromSeconds(double seconds, std::int32_t timescale) {
    return {static_cast<std::int64_t>(std::llround(seconds * timescale)), timescale};
}

MediaTime MediaTime::fromTimestamp(std::int64_t pts, AVRational timeBase) {
    // A time base of num/den: pts × num / den seconds, exact when num = 1.
    if (timeBase.num == 1 && timeBase.den > 0)
        return {pts, timeBase.den};
    return {av_rescale_q(pts, timeBase, AVRational{1, kOutputTimescale}), kOutputTimescale};
}

MediaTime MediaTime::convertScale(std::int32_t newTimescale) const {
    if (newTimescale == timescale)
        return *this;
    return {av_rescale_rnd(value, newTimescale, timescale,
                           static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX)),
            newTimescale};
}

std::int64_t MediaTime::toTimestamp(AVRational timeBase) const {
    return av_rescale_q_rnd(value, AVRational{1, timescale}, timeBase,
                            static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

MediaTime MediaTime::operator+(const MediaTime& other) const {
    return combine(*this, other, 1);
}

MediaTime MediaTime::operator-(const MediaTime& other) const {
    return combine(*this, other, -1);
}

std::strong_ordering MediaTime::operator<=>(const MediaTime& other) const {
    // FFmpeg compares timestamps of different time bases without rounding.
    const int order =
        av_compare_ts(value, AVRational{1, timescale}, other.value, AVRational{1, other.timescale});
    return order <=> 0;
}

} // namespace kestrune
