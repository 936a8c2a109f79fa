// A picture stretched to fill its item exactly, proportions not kept: the
// filmstrip pictures side by side under the trim handles. Takes the QImage of a
// model role as is.
#pragma once

#include <QImage>
#include <QQuickPaintedItem>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

class StretchedImage : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    // A QImage; anything else (undefined, a null image) shows nothing.
    Q_PROPERTY(QVariant image READ image WRITE setImage NOTIFY imageChanged)
public:
    explicit StretchedImage(QQuickItem* parent = nullptr);

    QVariant image() const { return image_; }
    void setImage(const QVariant& image);

    void paint(QPainter* painter) override;

signals:
    void imageChanged();

private:
    QImage image_;
};

} // namespace kestrune
