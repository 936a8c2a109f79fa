import QtQuick
import QtQuick.Controls
import Kestrune.Views

// A file that could not be added while the project has clips: a message over
// the clip strip naming the file and the reason, gone on a click or after a
// few seconds. (Without clips the drop zone shows the same message.)
Rectangle {
    id: root

    // The ProjectViewModel.
    property var projectVM

    readonly property string message: projectVM ? projectVM.importError : ""
    readonly property string fileName: projectVM ? projectVM.importErrorFile : ""

    function dismiss() {
        if (projectVM)
            projectVM.importError = "";
    }

    visible: message !== ""
    implicitWidth: Math.min(560, icon.width + row.spacing + 24
                                 + Math.max(fileText.implicitWidth, reasonText.implicitWidth))
    implicitHeight: row.implicitHeight + 16
    radius: 8
    color: "#3b2020"
    border.width: 0.5
    border.color: Qt.rgba(1, 0.27, 0.23, 0.6)

    // Each new failure gets its full time on screen.
    Timer {
        id: dismissTimer
        interval: 6000
        running: root.visible
        onTriggered: root.dismiss()
    }
    Connections {
        target: root.projectVM
        function onImportErrorChanged() {
            dismissTimer.restart();
        }
    }

    Row {
        id: row
        anchors.centerIn: parent
        width: root.width - 24
        spacing: 8

        Icon {
            id: icon
            anchors.verticalCenter: parent.verticalCenter
            name: "exclamationmark.triangle.fill"
            size: 16
            color: "#ff453a"
        }
        Column {
            anchors.verticalCenter: parent.verticalCenter
            width: row.width - icon.width - row.spacing
            spacing: 2

            Text {
                id: fileText
                objectName: "importErrorFile"
                width: parent.width
                visible: text !== ""
                text: root.fileName
                elide: Text.ElideMiddle
                font.pixelSize: 13
                font.weight: Font.DemiBold
                color: EditorStyle.primaryText
            }
            Text {
                id: reasonText
                objectName: "importErrorReason"
                width: parent.width
                text: root.message
                wrapMode: Text.Wrap
                font.pixelSize: 12
                color: EditorStyle.secondaryText
            }
        }
    }

    TapHandler {
        onTapped: root.dismiss()
    }
}
