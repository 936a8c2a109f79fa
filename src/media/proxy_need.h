// Whether this machine decodes a clip fast enough to preview it as it is, or the
// preview needs a proxy of it.
#pragma once

#include <optional>
#include <stop_token>
#include <string>

namespace kestrune {

// Pictures a second below which no measuring is needed: 1080p30, which every
// decoder here keeps up with many times over.
inline constexpr double kLightPixelRate = 1920.0 * 1080.0 * 30.0;
// Decoding must run this much faster than the frame rate, as the preview also
// converts and shows every picture and shares the machine with the sound.
inline constexpr double kDecodeHeadroom = 1.25;

// Frames a second that decoding the first second of the file's picture achieves
// (after the first frame, which pays for opening the decoder); nothing when the
// file cannot be decoded or holds too few frames to tell.
std::optional<double> measureDecodeRate(const std::string& path, std::stop_token stop = {});

// True when the file's pixel rate is above kLightPixelRate and it is HDR (HLG or
// PQ), or measuring shows that decoding does not keep up with its frame rate
// with kDecodeHeadroom to spare. A file that cannot be read needs none (the
// preview cannot play it either).
bool needsProxy(const std::string& path, std::stop_token stop = {});

} // namespace kestrune
