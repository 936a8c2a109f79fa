// Copies a picture turned by a quarter or half turn, as players turn recordings
// that carry a display rotation: BGRA pixels, or the samples of one plane of a
// planar YUV picture.
#pragma once

#include <cstdint>

namespace kestrune {

// Copies the width×height picture at `source`, of samples `bytesPerSample` bytes
// wide (1 or 2 for the planes of 8-bit and deeper YUV, 4 for BGRA), to
// `destination` turned clockwise by `rotation` (0, 90, 180 or 270 degrees). The
// destination holds height×width samples for quarter turns, width×height otherwise.
void copyRotated(const std::uint8_t* source, int sourceStride, int width, int height,
                 std::uint8_t* destination, int destinationStride, int rotation,
                 int bytesPerSample);

} // namespace kestrune
