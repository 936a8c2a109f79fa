import QtQuick
import QtQuick.Controls
import Kestrune.Views

// The one prominent action of an area, filled with the accent colour, with an
// optional symbol before its text.
Button {
    id: control

    property string iconName

    focusPolicy: Qt.NoFocus
    topPadding: 7
    bottomPadding: 7
    leftPadding: 14
    rightPadding: 14
    hoverEnabled: true

    contentItem: Row {
        spacing: 6

        Icon {
            anchors.verticalCenter: parent.verticalCenter
            visible: control.iconName !== ""
            name: control.iconName
            size: 16
            color: "white"
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: control.text
            font: control.font
            color: "white"
        }
    }

    background: Rectangle {
        implicitHeight: 30
        radius: 6
        color: control.pressed ? Qt.darker(EditorStyle.accent, 1.25)
                               : control.hovered ? Qt.lighter(EditorStyle.accent, 1.1)
                                                 : EditorStyle.accent
    }
}
