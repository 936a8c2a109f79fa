import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kestrune.Views

// One colour of the theme: its label, its hexadecimal text, and a swatch that
// opens the colour picker.
RowLayout {
    id: row

    property string label
    // The theme field's name ("sidebarBackground").
    property string field
    // The colour's text as the theme has it now.
    property string hexText
    property color color

    // Each edit of the text, to be applied at once when it is a colour.
    signal hexEdited(string text)
    // The text field lost the keyboard: the edits made in it are done.
    signal hexEditFinished
    signal pickRequested

    spacing: 6

    Text {
        Layout.fillWidth: true
        text: row.label
        font.pixelSize: 13
        color: EditorStyle.primaryText
        elide: Text.ElideRight
    }

    RoundedTextField {
        id: hexField
        objectName: "hexField"
        Layout.preferredWidth: 72
        font.family: "monospace"
        font.pixelSize: 11
        leftPadding: 5
        rightPadding: 5
        topPadding: 3
        bottomPadding: 3
        // Not bound: while the user types, a text that is no colour yet stays as
        // typed; the theme's own text comes back when the field loses focus.
        Component.onCompleted: text = row.hexText
        onTextEdited: row.hexEdited(text)
        onActiveFocusChanged: {
            if (activeFocus)
                return;
            text = row.hexText;
            row.hexEditFinished();
        }
        Connections {
            target: row
            function onHexTextChanged() {
                if (!hexField.activeFocus)
                    hexField.text = row.hexText;
            }
        }
    }

    AbstractButton {
        objectName: "swatch"
        Layout.preferredWidth: 28
        Layout.preferredHeight: 18
        padding: 0
        onClicked: row.pickRequested()

        // Translucent colours show over both a light and a dark half.
        contentItem: Item {
            Rectangle {
                x: 1
                y: 1
                width: (parent.width - 2) / 2
                height: parent.height - 2
                color: "white"
            }
            Rectangle {
                x: parent.width / 2
                y: 1
                width: (parent.width - 2) / 2
                height: parent.height - 2
                color: "black"
            }
            Rectangle {
                anchors.fill: parent
                anchors.margins: 1
                color: row.color
            }
        }
        background: Rectangle {
            radius: 3
            color: "transparent"
            border.width: 1
            border.color: Qt.rgba(1, 1, 1, 0.25)
        }
    }
}
