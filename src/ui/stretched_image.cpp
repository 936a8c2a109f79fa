#include "stretched_image.h"

#include <QPainter>

namespace kestrune {

StretchedImage::StretchedImage(QQuickItem* parent)
    : QQuickPaintedItem(parent) {}

void StretchedImage::setImage(const QVariant& image) {
    QImage next = image.canConvert<QImage>() ? image.value<QImage>() : QImage();
    if (next.cacheKey() == image_.cacheKey())
        return;
    image_ = std::move(next);
    emit imageChanged();
    update();
}

void StretchedImage::paint(QPainter* painter) {
    if (image_.isNull())
        return;
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(QRectF(0, 0, width(), height()), image_);
}

} // namespace kestrune
