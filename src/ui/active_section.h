// The chapter playing at a time, for the preview's sidebar highlight: the last
// section whose start is at or before the time, -1 before the first one or
// when there are none. Follows every change of the time and of the sections.
#pragma once

#include "model/project.h"

#include <vector>

#include <QAbstractItemModel>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

class ActiveSection : public QObject {
    Q_OBJECT
    QML_ELEMENT
    // A list whose rows have a `startTime` role in ascending order, such as the
    // project's SectionListModel.
    Q_PROPERTY(QAbstractItemModel* sections READ sections WRITE setSections NOTIFY sectionsChanged)
    // Seconds on the joined timeline.
    Q_PROPERTY(double time READ time WRITE setTime NOTIFY timeChanged)
    Q_PROPERTY(int index READ index NOTIFY indexChanged)
public:
    using QObject::QObject;

    QAbstractItemModel* sections() const { return sections_; }
    void setSections(QAbstractItemModel* sections);
    double time() const { return time_; }
    void setTime(double time);
    int index() const { return index_; }

signals:
    void sectionsChanged();
    void timeChanged();
    void indexChanged();

private:
    void readStartTimes();
    void update();

    QPointer<QAbstractItemModel> sections_;
    std::vector<QMetaObject::Connection> connections_;
    // Only the start times are read.
    std::vector<Section> sectionStarts_;
    double time_ = 0;
    int index_ = -1;
};

} // namespace kestrune
