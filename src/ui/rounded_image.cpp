#include "rounded_image.h"

#include <algorithm>

#include <QPainter>
#include <QPainterPath>

namespace kestrune {

RoundedImage::RoundedImage(QQuickItem* parent)
    : QQuickPaintedItem(parent) {
    setAntialiasing(true);
}

void RoundedImage::setImage(const QVariant& image) {
    QImage next = image.canConvert<QImage>() ? image.value<QImage>() : QImage();
    if (next.cacheKey() == image_.cacheKey())
        return;
    image_ = std::move(next);
    emit imageChanged();
    update();
}

void RoundedImage::setRadius(double radius) {
    if (radius == radius_)
        return;
    radius_ = radius;
    emit radiusChanged();
    update();
}

void RoundedImage::paint(QPainter* painter) {
    const QRectF bounds(0, 0, width(), height());
    if (image_.isNull() || bounds.isEmpty())
        return;
    // Scale until the picture covers the item, then cut the overhang evenly.
    const QSizeF picture = image_.size();
    const double scale =
        std::max(bounds.width() / picture.width(), bounds.height() / picture.height());
    const QSizeF shown = bounds.size() / scale;
    const QRectF source(
        QPointF((picture.width() - shown.width()) / 2, (picture.height() - shown.height()) / 2),
        shown);
    QPainterPath clip;
    clip.addRoundedRect(bounds, radius_, radius_);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setClipPath(clip);
    painter->drawImage(bounds, image_, source);
}

} // namespace kestrune
