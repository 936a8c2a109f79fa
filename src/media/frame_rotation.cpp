#include "frame_rotation.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace kestrune {

void copyRotated(const std::uint8_t* source, int sourceStride, int width, int height,
                 std::uint8_t* destination, int destinationStride, int rotation) {
    if (rotation == 0) {
        for (int y = 0; y < height; ++y)
            std::memcpy(destination + static_cast<std::ptrdiff_t>(y) * destinationStride,
                        source + static_cast<std::ptrdiff_t>(y) * sourceStride,
                        static_cast<std::size_t>(width) * 4);
        return;
    }
    const bool quarterTurn = rotation == 90 || rotation == 270;
    const int outWidth = quarterTurn ? height : width;
    const int outHeight = quarterTurn ? width : height;
    // Tiles keep the strided side of the copy within the cache.
    constexpr int kTile = 64;
    for (int tileY = 0; tileY < outHeight; tileY += kTile) {
        for (int tileX = 0; tileX < outWidth; tileX += kTile) {
            const int endY = std::min(tileY + kTile, outHeight);
            const int endX = std::min(tileX + kTile, outWidth);
            for (int y = tileY; y < endY; ++y) {
                std::uint8_t* row =
                    destination + static_cast<std::ptrdiff_t>(y) * destinationStride;
                for (int x = tileX; x < endX; ++x) {
                    // The source pixel that lands at (x, y).
                    int sourceX = x;
                    int sourceY = y;
                    switch (rotation) {
                    case 90:
                        sourceX = y;
                        sourceY = height - 1 - x;
                        break;
                    case 180:
                        sourceX = width - 1 - x;
                        sourceY = height - 1 - y;
                        break;
                    case 270:
                        sourceX = width - 1 - y;
                        sourceY = x;
                        break;
                    default:
                        break;
                    }
                    std::memcpy(row + static_cast<std::ptrdiff_t>(x) * 4,
                                source + static_cast<std::ptrdiff_t>(sourceY) * sourceStride +
                                    static_cast<std::ptrdiff_t>(sourceX) * 4,
                                4);
                }
            }
        }
    }
}

} // namespace kestrune
