// Points in time as the project document stores them: seconds (with fraction)
// since 2001-01-01T00:00:00Z.
#pragma once

#include <compare>

namespace kestrune {

struct Date {
    // Unix time of the reference date 2001-01-01T00:00:00Z.
    static constexpr double kUnixOffset = 978307200.0;

    double secondsSinceReference = 0;

    static Date now();
    static Date fromUnixSeconds(double unixSeconds) { return {unixSeconds - kUnixOffset}; }
    double toUnixSeconds() const { return secondsSinceReference + kUnixOffset; }

    auto operator<=>(const Date&) const = default;
};

} // namespace kestrune
