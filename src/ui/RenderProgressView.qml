import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kestrune.Views

// How far the running export has got: a bar, the phase with its percentage and,
// once the coordinator can estimate it, the time left.
ColumnLayout {
    id: root

    // The ExportCoordinator.
    property var coordinator: null

    spacing: 8

    ProgressBar {
        objectName: "exportProgressBar"
        Layout.fillWidth: true
        from: 0
        to: 1
        value: root.coordinator ? root.coordinator.progress : 0
    }

    RowLayout {
        Layout.fillWidth: true
        spacing: 8

        Text {
            objectName: "exportProgressText"
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignVCenter
            text: root.coordinator
                  ? ExportProgressText.progress(root.coordinator.phase, root.coordinator.progress)
                  : ""
            elide: Text.ElideRight
            font.pixelSize: 13
            color: EditorStyle.secondaryText
        }
        Text {
            objectName: "exportRemainingText"
            Layout.alignment: Qt.AlignVCenter
            visible: text !== ""
            text: root.coordinator ? ExportProgressText.remaining(root.coordinator.estimatedRemaining)
                                   : ""
            font.pixelSize: 13
            color: EditorStyle.primaryText
        }
    }
}
