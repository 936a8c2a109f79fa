// Exact media time: a 64-bit value over a timescale, as stream timestamps are.
// Addition, subtraction and comparison are exact (no rounding through doubles),
// so clip offsets and trim points line up frame for frame.
#pragma once

#include <compare>
#include <cstdint>

extern "C" {
#include <libavutil/rational.h>
}

namespace kestrune {

struct MediaTime {
    // Holds every common frame rate and every 1/600 trim point exactly.
    static constexpr std::int32_t kOutputTimescale = 90000;

    std::int64_t value = 0;
    std::int32_t timescale = 1;

    static MediaTime zero() { return {0, 1}; }
    // Rounded to the nearest tick of the timescale.
    static MediaTime fromSeconds(double seconds, std::int32_t timescale);
    // A stream timestamp in its time base.
    static MediaTime fromTimestamp(std::int64_t pts, AVRational timeBase);

    double seconds() const { return static_cast<double>(value) / timescale; }
    // Exact when the target timescale divides evenly, rounded to nearest otherwise.
    MediaTime convertScale(std::int32_t newTimescale) const;
    // The value as a timestamp in a stream time base (rounded to nearest).
    std::int64_t toTimestamp(AVRational timeBase) const;

    MediaTime operator+(const MediaTime& other) const;
    MediaTime operator-(const MediaTime& other) const;
    std::strong_ordering operator<=>(const MediaTime& other) const;
    bool operator==(const MediaTime& other) const { return (*this <=> other) == 0; }
};

} // namespace kestrune
