// Where the preview puts its parts: the output frame as the export will draw it
// (the export's own FrameLayout for the project's output size), scaled to fit
// the view and centred in it, the view's background showing around it.
#pragma once

#include "export/export_settings.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

class ProjectViewModel;

struct PreviewGeometry {
    QRectF frame; // the whole output frame
    QRectF sidebar;
    QRectF videoArea;
    // The area each clip's picture is fitted into, keeping its proportions and
    // centred; with the sidebar beside the video it is also the rectangle
    // outlined by the solid border.
    QRectF player;

    bool operator==(const PreviewGeometry&) const = default;
};

// For a preview `width` × `height` showing frames of `output`'s size. Sizes
// below zero count as zero; without an output size every rectangle is empty.
PreviewGeometry previewGeometry(double width, double height, const OutputDimensions& output);

// previewGeometry for QML over a project's output size: set the inputs, read the
// rectangles.
class PreviewLayout : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(double width READ width WRITE setWidth NOTIFY inputsChanged)
    Q_PROPERTY(double height READ height WRITE setHeight NOTIFY inputsChanged)
    // The ProjectViewModel whose clips and sidebar choice make the output size.
    Q_PROPERTY(QObject* projectVM READ projectVM WRITE setProjectVM NOTIFY inputsChanged)
    Q_PROPERTY(QRectF frameRect READ frameRect NOTIFY geometryChanged)
    Q_PROPERTY(QRectF sidebarRect READ sidebarRect NOTIFY geometryChanged)
    Q_PROPERTY(QRectF videoAreaRect READ videoAreaRect NOTIFY geometryChanged)
    Q_PROPERTY(QRectF playerRect READ playerRect NOTIFY geometryChanged)
public:
    using QObject::QObject;

    double width() const { return width_; }
    void setWidth(double width);
    double height() const { return height_; }
    void setHeight(double height);
    QObject* projectVM() const;
    void setProjectVM(QObject* projectVM);

    QRectF frameRect() const { return geometry_.frame; }
    QRectF sidebarRect() const { return geometry_.sidebar; }
    QRectF videoAreaRect() const { return geometry_.videoArea; }
    QRectF playerRect() const { return geometry_.player; }

signals:
    void inputsChanged();
    void geometryChanged();

private:
    void update();

    double width_ = 0;
    double height_ = 0;
    QPointer<ProjectViewModel> projectVM_;
    QMetaObject::Connection projectConnection_;
    QMetaObject::Connection overlayConnection_;
    PreviewGeometry geometry_;
};

} // namespace kestrune
