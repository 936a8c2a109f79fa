// A picture that fills its item, cropped to keep its proportions and clipped to
// rounded corners: the clip thumbnails. Takes the QImage of a model role as is.
#pragma once

#include <QImage>
#include <QQuickPaintedItem>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

class RoundedImage : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    // A QImage; anything else (undefined, a null image) shows nothing.
    Q_PROPERTY(QVariant image READ image WRITE setImage NOTIFY imageChanged)
    Q_PROPERTY(bool hasImage READ hasImage NOTIFY imageChanged)
    Q_PROPERTY(double radius READ radius WRITE setRadius NOTIFY radiusChanged)
public:
    explicit RoundedImage(QQuickItem* parent = nullptr);

    QVariant image() const { return image_; }
    void setImage(const QVariant& image);
    bool hasImage() const { return !image_.isNull(); }
    double radius() const { return radius_; }
    void setRadius(double radius);

    void paint(QPainter* painter) override;

signals:
    void imageChanged();
    void radiusChanged();

private:
    QImage image_;
    double radius_ = 0;
};

} // namespace kestrune
