#include "preview_geometry.h"

#include <algorithm>
#include <cmath>

namespace kestrune {

namespace {

double size(double value) {
    return std::isfinite(value) ? std::max(value, 0.0) : 0.0;
}

} // namespace

PreviewGeometry previewGeometry(double width, double height, bool sidebarOverlay) {
    const double w = size(width);
    const double h = size(height);
    const double sidebarWidth = w * kPreviewSidebarShare;

    PreviewGeometry geometry;
    geometry.sidebar = QRectF(w - sidebarWidth, 0, sidebarWidth, h);
    geometry.videoArea = QRectF(0, 0, sidebarOverlay ? w : w - sidebarWidth, h);
    const double inset = h * kPreviewPlayerInsetShare;
    geometry.player = QRectF(inset, inset, std::max(geometry.videoArea.width() - 2 * inset, 0.0),
                             std::max(h - 2 * inset, 0.0));
    return geometry;
}

void PreviewLayout::setWidth(double width) {
    if (width == width_)
        return;
    width_ = width;
    emit inputsChanged();
    update();
}

void PreviewLayout::setHeight(double height) {
    if (height == height_)
        return;
    height_ = height;
    emit inputsChanged();
    update();
}

void PreviewLayout::setSidebarOverlay(bool overlay) {
    if (overlay == sidebarOverlay_)
        return;
    sidebarOverlay_ = overlay;
    emit inputsChanged();
    update();
}

void PreviewLayout::update() {
    const PreviewGeometry next = previewGeometry(width_, height_, sidebarOverlay_);
    if (next == geometry_)
        return;
    geometry_ = next;
    emit geometryChanged();
}

} // namespace kestrune
