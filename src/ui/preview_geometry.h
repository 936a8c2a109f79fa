// Where the preview puts its parts, as the export places them in each frame:
// the chapter sidebar at the trailing 22 %, the video area over or beside it,
// and the player inset in the video area by 1.5 % of the height.
#pragma once

#include <QObject>
#include <QRectF>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

struct PreviewGeometry {
    QRectF sidebar;
    QRectF videoArea;
    // The player's picture is fitted into this rectangle; with the sidebar
    // beside the video it is also the rectangle outlined by the solid border.
    QRectF player;

    bool operator==(const PreviewGeometry&) const = default;
};

inline constexpr double kPreviewSidebarShare = 0.22;
inline constexpr double kPreviewPlayerInsetShare = 0.015;

// For a preview `width` × `height`; the sidebar lies over the video area when
// `sidebarOverlay`, else beside it. Sizes below zero count as zero.
PreviewGeometry previewGeometry(double width, double height, bool sidebarOverlay);

// previewGeometry for QML: set the inputs, read the rectangles.
class PreviewLayout : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(double width READ width WRITE setWidth NOTIFY inputsChanged)
    Q_PROPERTY(double height READ height WRITE setHeight NOTIFY inputsChanged)
    Q_PROPERTY(bool sidebarOverlay READ sidebarOverlay WRITE setSidebarOverlay NOTIFY inputsChanged)
    Q_PROPERTY(QRectF sidebarRect READ sidebarRect NOTIFY geometryChanged)
    Q_PROPERTY(QRectF videoAreaRect READ videoAreaRect NOTIFY geometryChanged)
    Q_PROPERTY(QRectF playerRect READ playerRect NOTIFY geometryChanged)
public:
    using QObject::QObject;

    double width() const { return width_; }
    void setWidth(double width);
    double height() const { return height_; }
    void setHeight(double height);
    bool sidebarOverlay() const { return sidebarOverlay_; }
    void setSidebarOverlay(bool overlay);

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
    bool sidebarOverlay_ = true;
    PreviewGeometry geometry_ = previewGeometry(0, 0, true);
};

} // namespace kestrune
