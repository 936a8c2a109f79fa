// Makes the light copy of a heavy clip that the preview plays in its place: a
// smaller H.264 picture with frequent key frames, every frame at the time it has
// in the original, upright, with the clip's sound.
#pragma once

#include <functional>
#include <stop_token>
#include <string>

namespace kestrune {

// The proxy picture is at most this many pixels on its longer side.
inline constexpr int kProxyLongestSide = 1280;

struct ProxySize {
    int width = 0;
    int height = 0;

    bool operator==(const ProxySize&) const = default;
};

// The size of the proxy of a picture shown at `width` × `height`: fitted within
// kProxyLongestSide with its proportions kept, never enlarged, each side even (the
// encoder's chroma needs it) and at least 2.
ProxySize proxySize(int width, int height);

struct ProxyOutcome {
    enum class Status { completed, cancelled, failed };
    Status status = Status::failed;
    std::string error; // why it failed, for the log
};

// Writes the proxy of the file at `source` to `target` (an MPEG-4 file). Blocks
// while it works; `progress` is called on the calling thread with the share done
// (0 … 1). A stop requested on `stop` ends it soon, from any thread. Unless it
// completes, `target` is removed, so nothing half written is left behind.
ProxyOutcome makeProxy(const std::string& source, const std::string& target, std::stop_token stop,
                       const std::function<void(double)>& progress = {});

} // namespace kestrune
