// A list model whose rows are records with an `id`, brought up to date with a new
// list by row-wise inserts, removals, moves and data changes rather than a reset,
// so that views animate each change.
#pragma once

#include <algorithm>
#include <set>
#include <vector>

#include <QAbstractListModel>

namespace kestrune {

class RowListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

protected:
    // Makes `rows` equal to `next`, telling the views each step. Lists with a
    // repeated id (only a damaged document has them) cannot be matched row for row;
    // they are replaced whole.
    template <class Row>
    void syncRows(std::vector<Row>& rows, const std::vector<Row>& next) {
        if (!hasUniqueIds(rows) || !hasUniqueIds(next)) {
            beginResetModel();
            rows = next;
            endResetModel();
            return;
        }
        std::set<decltype(next.front().id)> wanted;
        for (const auto& row : next)
            wanted.insert(row.id);
        for (int i = static_cast<int>(rows.size()) - 1; i >= 0; --i) {
            if (wanted.count(rows[i].id))
                continue;
            beginRemoveRows({}, i, i);
            rows.erase(rows.begin() + i);
            endRemoveRows();
        }
        for (int t = 0; t < static_cast<int>(next.size()); ++t) {
            if (t < static_cast<int>(rows.size()) && rows[t].id == next[t].id) {
                if (!(rows[t] == next[t])) {
                    rows[t] = next[t];
                    emit dataChanged(index(t), index(t));
                }
                continue;
            }
            auto found = std::find_if(rows.begin() + std::min<std::size_t>(t, rows.size()),
                                      rows.end(), [&](const Row& r) { return r.id == next[t].id; });
            if (found == rows.end()) {
                beginInsertRows({}, t, t);
                rows.insert(rows.begin() + t, next[t]);
                endInsertRows();
                continue;
            }
            // Rows before t already match, so the row only ever moves up.
            const int from = static_cast<int>(found - rows.begin());
            beginMoveRows({}, from, from, {}, t);
            Row moved = std::move(*found);
            rows.erase(found);
            rows.insert(rows.begin() + t, std::move(moved));
            endMoveRows();
            if (!(rows[t] == next[t])) {
                rows[t] = next[t];
                emit dataChanged(index(t), index(t));
            }
        }
    }

private:
    template <class Row>
    static bool hasUniqueIds(const std::vector<Row>& rows) {
        std::set<decltype(rows.front().id)> ids;
        for (const auto& row : rows)
            if (!ids.insert(row.id).second)
                return false;
        return true;
    }
};

} // namespace kestrune
