import QtQuick
import QtQuick.Controls
import Kestrune.Views

// A text field with rounded corners on the dark panels; the accent rings it
// while it has the focus.
TextField {
    id: field

    leftPadding: 8
    rightPadding: 8
    topPadding: 5
    bottomPadding: 5
    color: EditorStyle.primaryText
    placeholderTextColor: EditorStyle.tertiaryText
    selectionColor: EditorStyle.accent
    selectedTextColor: "white"

    background: Rectangle {
        implicitWidth: 120
        radius: 6
        color: Qt.rgba(0, 0, 0, 0.25)
        border.width: field.activeFocus ? 1.5 : 0.5
        border.color: field.activeFocus ? EditorStyle.accent : Qt.rgba(1, 1, 1, 0.18)
    }
}
