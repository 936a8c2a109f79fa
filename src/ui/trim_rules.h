// The rules of trimming one clip: how the trim strip maps times to positions,
// where a dragged handle or a typed time puts a trim point, and how the points
// are stored. The kept range is always at least a second long.
#pragma once

#include <optional>

namespace kestrune {

inline constexpr double kMinimumTrimLength = 1.0;

// The strip of a trim view `viewWidth` wide for a clip of `duration` seconds: the
// filmstrip lies between two margins of one handle width each.
struct TrimStrip {
    static constexpr double kHandleWidth = 12;

    double viewWidth = 0;
    double duration = 0;

    double stripWidth() const;
    // x of clip time `seconds`; a clip without length maps every time to the left edge.
    double xForTime(double seconds) const;
    // The share of the clip at x, unclamped; 0 without length or strip.
    double fractionAt(double x) const;
};

// The in point with its handle dragged to x: never before the clip's start,
// never later than a second before `trimOut`.
double draggedTrimIn(const TrimStrip& strip, double x, double trimOut);
// The out point with its handle dragged to x: within the clip and at least a
// second after `trimIn`; past the right end it is the end, or `trimIn` plus a
// second when the in point lies within the clip's last second.
double draggedTrimOut(const TrimStrip& strip, double x, double trimIn);
// The clip time under x for the playhead, within the clip.
double scrubTimeAt(const TrimStrip& strip, double x);

// A typed in point: at most a second before `trimOut`, not negative.
double typedTrimIn(double seconds, double trimOut);
// A typed out point: at most the clip's end, at least a second after `trimIn`.
double typedTrimOut(double seconds, double trimIn, double duration);

// A dragged or typed in point moved onto the nearest start of a frame of a clip
// at `frameRate` frames a second, or onto the one before when the nearest would
// leave less than a second before `trimOut`. Unchanged without a rate.
double frameAlignedTrimIn(double trimIn, double trimOut, double frameRate);
// The same for an out point: the nearest frame start, or the one after when
// the nearest would leave less than a second after `trimIn`; never past the
// clip's end, and an out point at or past the end stays as it is.
double frameAlignedTrimOut(double trimOut, double trimIn, double duration, double frameRate);

// The out point as the project stores it: none when it is at or past the end.
std::optional<double> storedTrimOut(double trimOut, double duration);

} // namespace kestrune
