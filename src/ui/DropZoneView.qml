import QtQuick
import QtQuick.Controls
import Kestrune.Views

// What the video column shows while the project has no clips: a dashed box
// that takes dropped video files and opens the file panel when clicked.
Item {
    id: root

    // The ProjectViewModel.
    property var projectVM
    // Files are being dragged over the box.
    property bool isDragging: false

    readonly property string importError: projectVM ? projectVM.importError : ""

    Item {
        id: box
        anchors.fill: parent
        anchors.margins: 16

        Rectangle {
            anchors.fill: parent
            radius: 12
            color: root.isDragging ? Qt.rgba(EditorStyle.accent.r, EditorStyle.accent.g,
                                              EditorStyle.accent.b, 0.05) : "transparent"
        }

        DashedFrame {
            objectName: "dropZoneBorder"
            anchors.fill: parent
            radius: 12
            lineWidth: 2
            dashLength: 8
            gapLength: 4
            color: root.isDragging ? EditorStyle.accent : Qt.rgba(1, 1, 1, 0.1)
        }

        Column {
            anchors.centerIn: parent
            width: parent.width - 32
            spacing: 6

            Icon {
                anchors.horizontalCenter: parent.horizontalCenter
                name: "arrow.down.doc"
                size: 48
                font.weight: Font.Light
                color: EditorStyle.secondaryText
            }
            Label {
                objectName: "dropTitle"
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                text: qsTr("Drop a video here")
                font.pixelSize: 20
                font.weight: Font.DemiBold
                color: EditorStyle.primaryText
            }
            Label {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                text: qsTr("or click to browse (MP4, MOV)")
                font.pixelSize: 14
                color: EditorStyle.secondaryText
            }
            Label {
                objectName: "importError"
                width: parent.width
                visible: root.importError !== ""
                topPadding: 8
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                text: root.importError
                font.pixelSize: 13
                color: "#ff453a"
            }
        }

        MouseArea {
            anchors.fill: parent
            cursorShape: Qt.PointingHandCursor
            onClicked: {
                if (root.projectVM)
                    root.projectVM.showFileImporter = true;
            }
        }

        DropArea {
            anchors.fill: parent
            onEntered: drag => {
                root.isDragging = drag.hasUrls;
                drag.accept(Qt.CopyAction);
            }
            onExited: root.isDragging = false
            onDropped: drop => {
                root.isDragging = false;
                drop.accept(Qt.CopyAction);
                if (!root.projectVM)
                    return;
                root.projectVM.importVideoUrls(drop.urls);
            }
        }
    }
}
