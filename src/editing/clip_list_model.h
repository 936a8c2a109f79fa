// The clips of the open project as the clip strip shows them, with whether each
// clip's file was found and its thumbnail.
#pragma once

#include "model/project.h"
#include "row_list_model.h"

#include <QImage>

namespace kestrune {

struct ClipRow {
    Uuid id;
    VideoClip clip;
    // Empty while the clip's file is not located.
    QString filePath;
    // Where the file was when its reference was made; empty without a reference.
    QString lastKnownPath;
    QImage thumbnail;
    // The share of the clip's preview proxy made so far while one is being made
    // (0 while it waits for its turn), −1 otherwise; and whether the preview
    // plays the proxy.
    double proxyProgress = -1;
    bool usesProxy = false;

    bool operator==(const ClipRow& other) const {
        return clip == other.clip && filePath == other.filePath &&
               lastKnownPath == other.lastKnownPath &&
               thumbnail.cacheKey() == other.thumbnail.cacheKey() &&
               proxyProgress == other.proxyProgress && usesProxy == other.usesProxy;
    }
};

class ClipListModel : public RowListModel {
    Q_OBJECT
public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        FileNameRole,
        FileSizeRole,
        DurationRole,
        EffectiveDurationRole,
        WidthRole,
        HeightRole,
        OrderRole,
        TrimInRole,
        TrimOutRole, // undefined when the clip runs to its end
        LocatedRole,
        FilePathRole,
        LastKnownPathRole,
        ThumbnailRole,     // QImage, null when there is none
        IsTrimmedRole,     // the clip plays less than its whole length
        ProxyProgressRole, // 0 … 1 while a preview proxy is being made or waits, −1 otherwise
        UsesProxyRole,     // the preview plays the clip's proxy
    };

    using RowListModel::RowListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    void sync(const std::vector<ClipRow>& rows) { syncRows(rows_, rows); }

private:
    std::vector<ClipRow> rows_;
};

} // namespace kestrune
