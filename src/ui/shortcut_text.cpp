#include "shortcut_text.h"

#include <QKeySequence>

namespace kestrune {

QString shortcutText(const QVariant& shortcut) {
    QKeySequence sequence;
    if (shortcut.typeId() == QMetaType::QString) {
        sequence = QKeySequence(shortcut.toString(), QKeySequence::PortableText);
    } else if (shortcut.canConvert<int>()) {
        const auto bindings =
            QKeySequence::keyBindings(static_cast<QKeySequence::StandardKey>(shortcut.toInt()));
        if (!bindings.isEmpty())
            sequence = bindings.front();
    }
    return sequence.toString(QKeySequence::NativeText);
}

} // namespace kestrune
