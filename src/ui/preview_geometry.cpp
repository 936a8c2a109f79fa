#include "preview_geometry.h"

#include "editing/project_view_model.h"
#include "export/frame_layout.h"

#include <algorithm>
#include <cmath>

namespace kestrune {

namespace {

double size(double value) {
    return std::isfinite(value) ? std::max(value, 0.0) : 0.0;
}

} // namespace

PreviewGeometry previewGeometry(double width, double height, const OutputDimensions& output) {
    const FrameLayout layout = frameLayout(output);
    if (layout.frame.isEmpty())
        return {};
    const double w = size(width);
    const double h = size(height);
    const double scale = std::min(w / layout.frame.width(), h / layout.frame.height());
    const QPointF origin((w - layout.frame.width() * scale) / 2,
                         (h - layout.frame.height() * scale) / 2);
    auto place = [&](const QRectF& r) {
        return QRectF(origin + r.topLeft() * scale, r.size() * scale);
    };
    return {place(layout.frame), place(layout.sidebar), place(layout.videoArea),
            place(layout.pictureArea)};
}

QObject* PreviewLayout::projectVM() const {
    return projectVM_.data();
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

void PreviewLayout::setProjectVM(QObject* projectVM) {
    auto* model = qobject_cast<ProjectViewModel*>(projectVM);
    if (model == projectVM_)
        return;
    disconnect(projectConnection_);
    disconnect(overlayConnection_);
    projectVM_ = model;
    if (model) {
        projectConnection_ =
            connect(model, &ProjectViewModel::projectChanged, this, &PreviewLayout::update);
        overlayConnection_ =
            connect(model, &ProjectViewModel::sidebarOverlayChanged, this, &PreviewLayout::update);
    }
    emit inputsChanged();
    update();
}

void PreviewLayout::update() {
    OutputDimensions output;
    if (projectVM_)
        output =
            outputDimensions(projectVM_->project().clips, projectVM_->project().sidebarOverlay);
    const PreviewGeometry next = previewGeometry(width_, height_, output);
    if (next == geometry_)
        return;
    geometry_ = next;
    emit geometryChanged();
}

} // namespace kestrune
