#include "clip_strip_rules.h"

#include "editing/project_view_model.h"

namespace kestrune {

std::optional<ClipMove> clipMoveOnEnter(const QStringList& displayOrder, const QString& draggingId,
                                        const QString& enteredId) {
    if (draggingId.isEmpty() || draggingId == enteredId)
        return std::nullopt;
    const auto from = displayOrder.indexOf(draggingId);
    const auto to = displayOrder.indexOf(enteredId);
    if (from < 0 || to < 0)
        return std::nullopt;
    return ClipMove{static_cast<int>(from), static_cast<int>(to)};
}

bool ClipStripRules::moveOnDragEnter(QObject* projectVM, const QString& draggingId,
                                     const QString& enteredId) const {
    auto* model = qobject_cast<ProjectViewModel*>(projectVM);
    if (!model)
        return false;
    // The strip shows the clip list's rows, whose indices are the project's.
    const ClipListModel& clips = *model->clips();
    QStringList displayOrder;
    for (int row = 0; row < clips.rowCount(); ++row)
        displayOrder << clips.data(clips.index(row), ClipListModel::IdRole).toString();
    const auto move = clipMoveOnEnter(displayOrder, draggingId, enteredId);
    if (!move)
        return false;
    model->moveClip(move->from, move->to);
    return true;
}

} // namespace kestrune
