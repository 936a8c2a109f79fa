// The on-screen sidebar's metrics for the size it is given: the export's own
// layout rules, with the view's width as the sidebar width and its height as the
// frame height.
#pragma once

#include "sidebar/sidebar_layout.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

class SidebarMetrics : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(double width READ width WRITE setWidth NOTIFY inputsChanged)
    Q_PROPERTY(double height READ height WRITE setHeight NOTIFY inputsChanged)
    Q_PROPERTY(int sectionCount READ sectionCount WRITE setSectionCount NOTIFY inputsChanged)
    Q_PROPERTY(double paddingY READ paddingY NOTIFY metricsChanged)
    Q_PROPERTY(double itemHeight READ itemHeight NOTIFY metricsChanged)
    Q_PROPERTY(double titleSize READ titleSize NOTIFY metricsChanged)
    Q_PROPERTY(double subtitleSize READ subtitleSize NOTIFY metricsChanged)
public:
    explicit SidebarMetrics(QObject* parent = nullptr);

    double width() const { return width_; }
    void setWidth(double width);
    double height() const { return height_; }
    void setHeight(double height);
    int sectionCount() const { return sectionCount_; }
    void setSectionCount(int count);

    double paddingY() const { return layout_.paddingY; }
    double itemHeight() const { return layout_.itemHeight; }
    double titleSize() const { return layout_.titleFontSize; }
    double subtitleSize() const { return layout_.subtitleFontSize; }

signals:
    void inputsChanged();
    void metricsChanged();

private:
    void update();

    double width_ = 0;
    double height_ = 0;
    int sectionCount_ = 0;
    SidebarLayout layout_;
};

} // namespace kestrune
