// Copies a BGRA picture turned by a quarter or half turn, as players turn
// recordings that carry a display rotation.
#pragma once

#include <cstdint>

namespace kestrune {

// Copies the width×height BGRA picture at `source` to `destination` turned
// clockwise by `rotation` (0, 90, 180 or 270 degrees). The destination holds
// height×width pixels for quarter turns, width×height otherwise.
void copyRotated(const std::uint8_t* source, int sourceStride, int width, int height,
                 std::uint8_t* destination, int destinationStride, int rotation);

} // namespace kestrune
