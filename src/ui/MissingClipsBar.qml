import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kestrune.Views

// The bar above the clip strip while clips' files cannot be found: how many,
// and "Locate…", which asks for the first one's file and relinks what it finds.
// It also says how the last relink went, until dismissed.
Rectangle {
    id: bar

    // The ProjectViewModel of the open project.
    property var projectVM
    readonly property LocateClipsModel locator: locateModel
    readonly property int missingCount: projectVM ? projectVM.missingClipCount : 0

    visible: missingCount > 0 || locateModel.message !== ""
    implicitHeight: visible ? 36 : 0
    color: Qt.rgba(0.85, 0.3, 0.2, 0.18)

    LocateClipsModel {
        id: locateModel
        projectVM: bar.projectVM
    }

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 16
        anchors.rightMargin: 16
        spacing: 10

        Icon {
            name: "exclamationmark.triangle.fill"
            size: 14
            color: "#ff9f0a"
        }
        Text {
            objectName: "missingClipsText"
            visible: bar.missingCount > 0
            text: bar.projectVM ? bar.projectVM.missingClipsText : ""
            font.pixelSize: 13
            color: EditorStyle.primaryText
        }
        Text {
            objectName: "relinkMessage"
            Layout.fillWidth: true
            text: locateModel.message
            elide: Text.ElideRight
            font.pixelSize: 12
            color: EditorStyle.secondaryText
        }
        Text {
            visible: (bar.projectVM && bar.projectVM.searchingForClips) || locateModel.busy
            text: qsTr("Looking for moved files…")
            font.pixelSize: 12
            color: EditorStyle.secondaryText
        }
        SmallBorderedButton {
            objectName: "locateButton"
            visible: bar.missingCount > 0
            enabled: !locateModel.busy
            text: qsTr("Locate…")
            onClicked: {
                if (locateModel.begin())
                    locatePanel.open();
            }
        }
        SmallBorderedButton {
            objectName: "dismissRelinkMessage"
            visible: bar.missingCount === 0
            text: qsTr("OK")
            onClicked: locateModel.message = ""
        }
    }

    FilePanel {
        id: locatePanel
        objectName: "locatePanel"
        mode: FilePanel.OpenFiles
        title: locateModel.panelTitle
        proposedFile: locateModel.startFolder
        nameFilters: [qsTr("Movies (*.mp4 *.mov *.m4v)"), qsTr("All files (*)")]
        parentWindow: bar.Window.window
        onAccepted: files => locateModel.choose(files[0])
    }

    Connections {
        target: locateModel
        function onStateChanged() {
            if (locateModel.question !== "" && !question.opened)
                question.open();
        }
    }

    Dialog {
        id: question
        objectName: "relinkQuestion"
        anchors.centerIn: Overlay.overlay
        modal: true
        title: qsTr("Use This File?")
        width: 400
        padding: 20
        topPadding: 8
        palette.window: "#2a2a2c"

        Overlay.modal: Rectangle {
            color: Qt.rgba(0, 0, 0, 0.3)
        }
        background: Rectangle {
            radius: 10
            color: "#2a2a2c"
            border.width: 1
            border.color: Qt.rgba(1, 1, 1, 0.12)
        }
        header: Label {
            text: question.title
            padding: 20
            bottomPadding: 0
            font.pixelSize: 15
            font.weight: Font.DemiBold
            color: EditorStyle.primaryText
        }
        footer: DialogButtonBox {
            padding: 20
            topPadding: 0
            background: Item {}

            Button {
                objectName: "keepMissingButton"
                text: qsTr("Cancel")
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            }
            Button {
                objectName: "useFileButton"
                text: qsTr("Use It")
                highlighted: true
                DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
            }
        }
        onAccepted: locateModel.answer(true)
        onRejected: locateModel.answer(false)

        Label {
            width: parent.width
            text: locateModel.question
            wrapMode: Text.WordWrap
            font.pixelSize: 13
            color: EditorStyle.secondaryText
        }
    }
}
