import QtQuick
import QtQuick.Controls
import Kestrune.Views

// A menu of the menu bar: its entries show their shortcuts, and it is as wide
// as its widest entry (a Menu keeps a fixed width of its own otherwise).
Menu {
    id: menu

    property real widestEntry: 0

    delegate: ShortcutMenuItem {}
    width: Math.max(implicitWidth, widestEntry + leftPadding + rightPadding)

    // Measured as it opens: an entry's text (Undo's) changes while it is closed.
    onAboutToShow: {
        let widest = 0;
        for (let i = 0; i < count; ++i) {
            const entry = itemAt(i);
            if (entry)
                widest = Math.max(widest, entry.implicitWidth);
        }
        widestEntry = widest;
    }
}
