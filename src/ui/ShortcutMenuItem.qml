import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kestrune.Views

// A menu entry that shows its action's keyboard shortcut at its right end, as
// desktop menus do.
MenuItem {
    id: item

    readonly property color textColor: !enabled ? palette.disabled.windowText
                                                : highlighted ? palette.highlightedText
                                                              : palette.windowText

    contentItem: RowLayout {
        spacing: 32

        Text {
            Layout.fillWidth: true
            text: item.text
            font: item.font
            color: item.textColor
            elide: Text.ElideRight
        }
        Text {
            objectName: "shortcutText"
            visible: text !== ""
            text: item.action ? ShortcutText.of(item.action.shortcut) : ""
            font: item.font
            color: item.textColor
            opacity: 0.6
        }
    }
}
