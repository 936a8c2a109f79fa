import QtQuick
import QtQuick.Controls
import Kestrune.Views

// A small push button with a light border on the dark panels: a text, and a
// symbol before it when `iconName` is set.
AbstractButton {
    id: control

    property string iconName
    property real fontSize: 12

    hoverEnabled: true
    leftPadding: 8
    rightPadding: 8
    topPadding: 3
    bottomPadding: 3
    spacing: 4
    opacity: enabled ? 1 : 0.4
    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: Math.max(22, implicitContentHeight + topPadding + bottomPadding)

    contentItem: Row {
        spacing: control.spacing

        Icon {
            visible: control.iconName !== ""
            anchors.verticalCenter: parent.verticalCenter
            name: control.iconName
            size: control.fontSize + 1
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: control.text
            font.pixelSize: control.fontSize
            color: EditorStyle.primaryText
        }
    }
    background: Rectangle {
        radius: 5
        color: Qt.rgba(1, 1, 1, control.pressed ? 0.2 : control.hovered ? 0.14 : 0.1)
        // Reached with Tab, it shows the accent ring as the text fields do.
        border.width: control.visualFocus ? 1.5 : 0.5
        border.color: control.visualFocus ? EditorStyle.accent : Qt.rgba(1, 1, 1, 0.18)
    }
}
