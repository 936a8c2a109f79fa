import QtQuick

// The one-pixel line between the window's areas; the layout stretches it.
Rectangle {
    implicitWidth: 1
    implicitHeight: 1
    color: "#0b0b0c"
}
