#include "frame_rotation.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace kestrune {

namespace {

template <int kBytes>
void copyTurned(const std::uint8_t* source, int sourceStride, int width, int height,
                std::uint8_t* destination, int destinationStride, int rotation) {
    const bool quarterTurn = rotation == 90 || rotation == 270;
    const int outWidth = quarterTurn ? height : width;
    const int outHeight = quarterTurn ? width : height;
    const std::ptrdiff_t stride = sourceStride;
    const std::ptrdiff_t lastRow = (height - 1) * stride;
    const std::ptrdiff_t lastColumn = static_cast<std::ptrdiff_t>(width - 1) * kBytes;
    // The source sample that lands at the top left, and the steps through the
    // source that one sample right and one row down in the destination take.
    std::ptrdiff_t origin = 0, stepX = kBytes, stepY = stride;
    switch (rotation) {
    case 90: // the bottom row, read upwards, becomes the left column
        origin = lastRow;
        stepX = -stride;
        stepY = kBytes;
        break;
    case 180:
        origin = lastRow + lastColumn;
        stepX = -kBytes;
        stepY = -stride;
        break;
    case 270: // the last column, read downwards, becomes the top row
        origin = lastColumn;
        stepX = stride;
        stepY = -kBytes;
        break;
    default:
        break;
    }
    // Tiles keep the strided side of the copy within the cache.
    constexpr int kTile = 64;
    for (int tileY = 0; tileY < outHeight; tileY += kTile) {
        for (int tileX = 0; tileX < outWidth; tileX += kTile) {
            const int endY = std::min(tileY + kTile, outHeight);
            const int count = std::min(tileX + kTile, outWidth) - tileX;
            for (int y = tileY; y < endY; ++y) {
                std::uint8_t* out = destination +
                                    static_cast<std::ptrdiff_t>(y) * destinationStride +
                                    static_cast<std::ptrdiff_t>(tileX) * kBytes;
                const std::uint8_t* in = source + origin + y * stepY + tileX * stepX;
                for (int x = 0; x < count; ++x, out += kBytes, in += stepX)
                    std::memcpy(out, in, kBytes);
            }
        }
    }
}

} // namespace

void copyRotated(const std::uint8_t* source, int sourceStride, int width, int height,
                 std::uint8_t* destination, int destinationStride, int rotation,
                 int bytesPerSample) {
    if (width <= 0 || height <= 0)
        return;
    if (rotation == 0) {
        for (int y = 0; y < height; ++y)
            std::memcpy(destination + static_cast<std::ptrdiff_t>(y) * destinationStride,
                        source + static_cast<std::ptrdiff_t>(y) * sourceStride,
                        static_cast<std::size_t>(width) * bytesPerSample);
        return;
    }
    switch (bytesPerSample) {
    case 1:
        copyTurned<1>(source, sourceStride, width, height, destination, destinationStride,
                      rotation);
        break;
    case 2:
        copyTurned<2>(source, sourceStride, width, height, destination, destinationStride,
                      rotation);
        break;
    case 4:
        copyTurned<4>(source, sourceStride, width, height, destination, destinationStride,
                      rotation);
        break;
    default:
        break;
    }
}

} // namespace kestrune
