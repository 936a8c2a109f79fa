import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kestrune.Views

// The row over the work area: the library button and the project's name, or
// while a clip is trimmed that clip's file; the export button at the end.
Item {
    id: root

    // The application shell (for the library) and the ProjectViewModel.
    property var app
    property var projectVM
    // The file of the clip being trimmed; empty outside trim mode.
    property string trimmingFileName

    readonly property bool trimming: trimmingFileName !== ""

    implicitHeight: row.implicitHeight + 24

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 16
        anchors.rightMargin: 16
        anchors.topMargin: 12
        anchors.bottomMargin: 12
        spacing: 8

        ToolButton {
            objectName: "libraryButton"
            visible: !root.trimming
            focusPolicy: Qt.NoFocus
            contentItem: Icon {
                name: "square.grid.2x2"
                size: 18
            }
            ToolTip.visible: hovered
            ToolTip.delay: 600
            ToolTip.text: qsTr("Show Project Library")
            onClicked: root.app.openLibraryFromHeader()
        }

        TextField {
            id: nameField
            objectName: "projectNameField"

            // A name too long for the row: while it is not edited it shows
            // elided in the middle, rather than cut mid-word at its end.
            readonly property bool overflows: contentWidth > width - leftPadding - rightPadding

            visible: !root.trimming
            Layout.fillWidth: true
            placeholderText: qsTr("Project Name")
            text: root.projectVM ? root.projectVM.name : ""
            color: overflows && !activeFocus ? "transparent" : palette.text
            font.pixelSize: 18
            font.weight: Font.DemiBold
            leftPadding: 4
            // Plain: the name reads as a title until it is edited.
            background: Rectangle {
                radius: 4
                color: parent.activeFocus ? Qt.rgba(1, 1, 1, 0.06) : "transparent"
                border.width: parent.activeFocus ? 1 : 0
                border.color: EditorStyle.accent
            }
            onTextEdited: {
                if (root.projectVM)
                    root.projectVM.name = text;
            }
            // One editing of the name is one undo step.
            onEditingFinished: {
                if (root.projectVM)
                    root.projectVM.commitName();
            }
            onAccepted: focus = false

            Label {
                objectName: "elidedProjectName"
                anchors.fill: parent
                leftPadding: nameField.leftPadding
                rightPadding: nameField.rightPadding
                verticalAlignment: Text.AlignVCenter
                visible: nameField.overflows && !nameField.activeFocus
                text: nameField.text
                font: nameField.font
                elide: Text.ElideMiddle
                color: nameField.palette.text
            }
        }

        Icon {
            visible: root.trimming
            name: "scissors"
            size: 18
        }
        Label {
            visible: root.trimming
            text: qsTr("Trimming:")
            font.pixelSize: 16
            font.weight: Font.Medium
        }
        Label {
            objectName: "trimmingFileName"
            visible: root.trimming
            Layout.fillWidth: true
            text: root.trimmingFileName
            elide: Text.ElideMiddle
            font.pixelSize: 16
            color: EditorStyle.secondaryText
        }

        AccentButton {
            objectName: "exportButton"
            text: qsTr("Export Video")
            iconName: "film"
            onClicked: {
                if (root.projectVM)
                    root.projectVM.showExportDialog = true;
            }
        }
    }
}
