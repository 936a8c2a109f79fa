#include "sidebar_metrics.h"

#include <algorithm>
#include <cmath>

namespace kestrune {

namespace {

// The export lays out whole pixels; a view may be given fractional points.
int wholePoints(double size) {
    return std::isfinite(size) ? static_cast<int>(std::lround(std::clamp(size, 0.0, 1e6))) : 0;
}

} // namespace

SidebarMetrics::SidebarMetrics(QObject* parent)
    : QObject(parent) {
    update();
}

void SidebarMetrics::setWidth(double width) {
    if (width == width_)
        return;
    width_ = width;
    emit inputsChanged();
    update();
}

void SidebarMetrics::setHeight(double height) {
    if (height == height_)
        return;
    height_ = height;
    emit inputsChanged();
    update();
}

void SidebarMetrics::setSectionCount(int count) {
    if (count == sectionCount_)
        return;
    sectionCount_ = count;
    emit inputsChanged();
    update();
}

void SidebarMetrics::update() {
    const int w = wholePoints(width_);
    // The sidebar fills the view, so the frame is exactly as wide as the sidebar.
    const SidebarLayout next =
        SidebarLayout::make(std::max(sectionCount_, 0), w, wholePoints(height_), w);
    if (next == layout_)
        return;
    layout_ = next;
    emit metricsChanged();
}

} // namespace kestrune
