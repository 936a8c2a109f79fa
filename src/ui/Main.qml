import QtQuick
import QtQuick.Controls

// The editor window. Its panels arrive with the editing and playback views.
ApplicationWindow {
    id: window
    property QtObject app
    title: "Kestrune"
    width: 1280
    height: 800
    minimumWidth: 1024
    minimumHeight: 640
    visible: true
    palette.window: "#1e1e1e"
    palette.windowText: "#f0f0f0"
    color: "#1e1e1e"
}
