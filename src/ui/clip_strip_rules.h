// How the clip strip reorders while a card is dragged: a clip moves as soon as
// the dragged card enters another card, decided from the strip's own record of
// the dragged clip and never from what the drag carries.
#pragma once

#include <optional>

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

struct ClipMove {
    int from = 0;
    int to = 0;

    bool operator==(const ClipMove&) const = default;
};

// The move for `draggingId` entering the card of `enteredId`, with the clip ids
// in display order; none when no strip drag is under way, when the card is the
// dragged one's own, or when either clip is not in the strip.
std::optional<ClipMove> clipMoveOnEnter(const QStringList& displayOrder, const QString& draggingId,
                                        const QString& enteredId);

class ClipStripRules : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    using QObject::QObject;

    // Applies clipMoveOnEnter to the clips of `projectVM` (a ProjectViewModel) as
    // its clip list shows them; returns whether a clip moved.
    Q_INVOKABLE bool moveOnDragEnter(QObject* projectVM, const QString& draggingId,
                                     const QString& enteredId) const;
};

} // namespace kestrune
