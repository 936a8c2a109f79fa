// The sections (chapters) of the open project, ascending by start time, as the
// sections list shows them.
#pragma once

#include "model/project.h"
#include "row_list_model.h"

namespace kestrune {

class SectionListModel : public RowListModel {
    Q_OBJECT
public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        TitleRole,
        SubtitleRole,
        StartTimeRole,
    };

    using RowListModel::RowListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    void sync(const std::vector<Section>& sections) { syncRows(rows_, sections); }

private:
    std::vector<Section> rows_;
};

} // namespace kestrune
