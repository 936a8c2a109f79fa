#include "active_section.h"

namespace kestrune {

void ActiveSection::setSections(QAbstractItemModel* sections) {
    if (sections == sections_)
        return;
    for (const auto& connection : connections_)
        disconnect(connection);
    connections_.clear();
    sections_ = sections;
    if (sections_) {
        // Any change of rows may move a start time; the list is short.
        connections_.push_back(connect(sections_, &QAbstractItemModel::rowsInserted, this,
                                       &ActiveSection::readStartTimes));
        connections_.push_back(connect(sections_, &QAbstractItemModel::rowsRemoved, this,
                                       &ActiveSection::readStartTimes));
        connections_.push_back(connect(sections_, &QAbstractItemModel::rowsMoved, this,
                                       &ActiveSection::readStartTimes));
        connections_.push_back(connect(sections_, &QAbstractItemModel::dataChanged, this,
                                       &ActiveSection::readStartTimes));
        connections_.push_back(connect(sections_, &QAbstractItemModel::modelReset, this,
                                       &ActiveSection::readStartTimes));
        connections_.push_back(connect(sections_, &QObject::destroyed, this,
                                       &ActiveSection::readStartTimes, Qt::QueuedConnection));
    }
    emit sectionsChanged();
    readStartTimes();
}

void ActiveSection::setTime(double time) {
    if (time == time_)
        return;
    time_ = time;
    emit timeChanged();
    update();
}

void ActiveSection::readStartTimes() {
    sectionStarts_.clear();
    if (sections_) {
        const int role = sections_->roleNames().key("startTime", -1);
        for (int row = 0; role >= 0 && row < sections_->rowCount(); ++row) {
            Section section;
            section.startTime = sections_->index(row, 0).data(role).toDouble();
            sectionStarts_.push_back(std::move(section));
        }
    }
    update();
}

void ActiveSection::update() {
    // The same rule as the export's sidebar, so the preview highlights the
    // chapter the exported video will.
    const int next = activeSectionIndex(sectionStarts_, time_);
    if (next == index_)
        return;
    index_ = next;
    emit indexChanged();
}

} // namespace kestrune
