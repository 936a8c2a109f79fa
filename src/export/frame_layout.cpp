#include "frame_layout.h"

#include <algorithm>

namespace kestrune {

namespace {

constexpr double kPictureInsetShare = 0.015;

} // namespace

QRectF FrameLayout::fitPicture(double width, double height) const {
    if (!(width > 0 && height > 0) || pictureArea.isEmpty())
        return {};
    const double aspect = width / height;
    if (pictureArea.width() / pictureArea.height() >= aspect) {
        const double fittedWidth = pictureArea.height() * aspect;
        return {pictureArea.x() + (pictureArea.width() - fittedWidth) * 0.5, pictureArea.y(),
                fittedWidth, pictureArea.height()};
    }
    const double fittedHeight = pictureArea.width() / aspect;
    return {pictureArea.x(), pictureArea.y() + (pictureArea.height() - fittedHeight) * 0.5,
            pictureArea.width(), fittedHeight};
}

FrameLayout frameLayout(const OutputDimensions& dimensions) {
    const double width = std::max(dimensions.outputWidth, 0);
    const double height = std::max(dimensions.outputHeight, 0);
    const double videoAreaWidth = std::clamp<double>(dimensions.videoAreaWidth, 0, width);
    const double sidebarWidth = std::clamp<double>(dimensions.sidebarWidth, 0, width);
    const double pad = height * kPictureInsetShare;

    FrameLayout layout;
    layout.frame = QRectF(0, 0, width, height);
    layout.videoArea = QRectF(0, 0, videoAreaWidth, height);
    // The sidebar always touches the trailing edge of the frame.
    layout.sidebar = QRectF(width - sidebarWidth, 0, sidebarWidth, height);
    layout.pictureArea =
        QRectF(pad, pad, std::max(videoAreaWidth - 2 * pad, 0.0), std::max(height - 2 * pad, 0.0));
    return layout;
}

} // namespace kestrune
