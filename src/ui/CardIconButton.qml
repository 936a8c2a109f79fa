import QtQuick
import QtQuick.Controls
import Kestrune.Views

// A small white symbol on a dark disc, laid over a clip thumbnail.
AbstractButton {
    id: control

    property string iconName

    padding: 4
    implicitWidth: Math.max(implicitContentWidth, implicitContentHeight) + leftPadding + rightPadding
    implicitHeight: implicitWidth
    hoverEnabled: true

    contentItem: Icon {
        name: control.iconName
        size: 10
        color: "white"
    }
    background: Rectangle {
        radius: width / 2
        color: Qt.rgba(0, 0, 0, control.pressed ? 0.85 : 0.7)
    }
}
