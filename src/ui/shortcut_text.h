// The text a menu shows for an action's keyboard shortcut, as
// `ShortcutText.of(action.shortcut)` in the views.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

// `shortcut` as an Action holds it: a key sequence text ("Ctrl+Shift+L") or a
// standard key (StandardKey.Quit). The desktop's own spelling of its first key
// sequence; empty when there is none.
QString shortcutText(const QVariant& shortcut);

class ShortcutText : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    using QObject::QObject;

    Q_INVOKABLE QString of(const QVariant& shortcut) const { return shortcutText(shortcut); }
};

} // namespace kestrune
