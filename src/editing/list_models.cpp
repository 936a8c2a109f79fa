#include "clip_list_model.h"
#include "section_list_model.h"

namespace kestrune {

namespace {
QString text(const std::string& s) {
    return QString::fromStdString(s);
}
} // namespace

int ClipListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant ClipListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return {};
    const ClipRow& row = rows_[index.row()];
    const VideoClip& clip = row.clip;
    switch (role) {
    case IdRole:
        return text(clip.id.toString());
    case Qt::DisplayRole:
    case FileNameRole:
        return text(clip.fileName);
    case FileSizeRole:
        return qint64(clip.fileSize);
    case DurationRole:
        return clip.duration;
    case EffectiveDurationRole:
        return clip.effectiveDuration();
    case WidthRole:
        return clip.width;
    case HeightRole:
        return clip.height;
    case OrderRole:
        return clip.order;
    case TrimInRole:
        return clip.trimIn;
    case TrimOutRole:
        return clip.trimOut ? QVariant(*clip.trimOut) : QVariant();
    case LocatedRole:
        return !row.filePath.isEmpty();
    case FilePathRole:
        return row.filePath;
    case LastKnownPathRole:
        return row.lastKnownPath;
    case ThumbnailRole:
        return row.thumbnail;
    case IsTrimmedRole:
        return clip.trimIn > 0 || (clip.trimOut && *clip.trimOut < clip.duration);
    case ProxyProgressRole:
        return row.proxyProgress;
    case UsesProxyRole:
        return row.usesProxy;
    default:
        return {};
    }
}

QHash<int, QByteArray> ClipListModel::roleNames() const {
    return {{IdRole, "clipId"},
            {FileNameRole, "fileName"},
            {FileSizeRole, "fileSize"},
            {DurationRole, "duration"},
            {EffectiveDurationRole, "effectiveDuration"},
            {WidthRole, "width"},
            {HeightRole, "height"},
            {OrderRole, "order"},
            {TrimInRole, "trimIn"},
            {TrimOutRole, "trimOut"},
            {LocatedRole, "located"},
            {FilePathRole, "filePath"},
            {LastKnownPathRole, "lastKnownPath"},
            {ThumbnailRole, "thumbnail"},
            {IsTrimmedRole, "isTrimmed"},
            {ProxyProgressRole, "proxyProgress"},
            {UsesProxyRole, "usesProxy"}};
}

int SectionListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant SectionListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return {};
    const Section& section = rows_[index.row()];
    switch (role) {
    case IdRole:
        return text(section.id.toString());
    case Qt::DisplayRole:
    case TitleRole:
        return text(section.title);
    case SubtitleRole:
        return text(section.subtitle);
    case StartTimeRole:
        return section.startTime;
    default:
        return {};
    }
}

QHash<int, QByteArray> SectionListModel::roleNames() const {
    return {{IdRole, "sectionId"},
            {TitleRole, "title"},
            {SubtitleRole, "subtitle"},
            {StartTimeRole, "startTime"}};
}

} // namespace kestrune
