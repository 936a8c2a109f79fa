import QtQuick
import QtQuick.Controls
import Kestrune.Views

// Asks what to do with the project's sections when new ones come in: put the
// new ones in their place, add them, or leave everything as it is.
Dialog {
    id: dialog

    property string message

    signal chosen(bool replace)

    anchors.centerIn: Overlay.overlay
    modal: true
    width: 400
    padding: 20
    topPadding: 8

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
        text: dialog.title
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
            objectName: "cancelChoiceButton"
            text: qsTr("Cancel")
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
        }
        Button {
            objectName: "addChoiceButton"
            text: qsTr("Add")
            DialogButtonBox.buttonRole: DialogButtonBox.ActionRole
            onClicked: {
                dialog.close();
                dialog.chosen(false);
            }
        }
        Button {
            objectName: "replaceChoiceButton"
            text: qsTr("Replace")
            highlighted: true
            DialogButtonBox.buttonRole: DialogButtonBox.ActionRole
            onClicked: {
                dialog.close();
                dialog.chosen(true);
            }
        }
    }

    Label {
        width: parent.width
        text: dialog.message
        wrapMode: Text.WordWrap
        font.pixelSize: 13
        color: EditorStyle.secondaryText
    }
}
