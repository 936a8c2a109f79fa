import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kestrune.Views

// The panel beside the clip being trimmed: what the clip is, its kept length,
// the in and out points as typed times, and the buttons that reset and finish.
Item {
    id: root

    // The TrimSession of the clip.
    property TrimSession session

    // Back to the whole clip; trimming is done.
    signal reset
    signal done

    implicitWidth: 280

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        ScrollView {
            id: scroller
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: availableWidth
            clip: true

            Column {
                width: scroller.availableWidth
                padding: 16
                spacing: 8

                SectionHeading {
                    text: qsTr("CLIP INFO")
                }
                InfoRow {
                    label: qsTr("File")
                    value: root.session ? root.session.fileName : ""
                }
                InfoRow {
                    label: qsTr("Resolution")
                    value: root.session ? root.session.resolutionText : ""
                }
                InfoRow {
                    label: qsTr("Original")
                    value: root.session ? root.session.originalText : ""
                }
                Rectangle {
                    width: parent.width - parent.leftPadding - parent.rightPadding
                    height: 1
                    color: EditorStyle.hairline
                    opacity: 0.3
                }
                InfoRow {
                    objectName: "trimmedRow"
                    label: qsTr("Trimmed")
                    value: root.session ? root.session.trimmedText : ""
                    emphasized: root.session ? root.session.isTrimmed : false
                }

                Item {
                    width: 1
                    height: 8
                }
                SectionHeading {
                    text: qsTr("TRIM POINTS")
                }
                PointField {
                    objectName: "inPointField"
                    label: qsTr("In Point")
                    text: root.session ? root.session.trimInText : ""
                    onSubmitted: text => root.session.submitTrimIn(text)
                }
                PointField {
                    objectName: "outPointField"
                    label: qsTr("Out Point")
                    text: root.session ? root.session.trimOutText : ""
                    onSubmitted: text => root.session.submitTrimOut(text)
                }

                Item {
                    width: 1
                    height: 4
                }
                AbstractButton {
                    id: resetButton
                    objectName: "resetButton"
                    focusPolicy: Qt.NoFocus
                    hoverEnabled: true
                    padding: 6
                    leftPadding: 10
                    rightPadding: 10
                    contentItem: Row {
                        spacing: 6
                        Icon {
                            anchors.verticalCenter: parent.verticalCenter
                            name: "arrow.counterclockwise"
                            size: 14
                        }
                        Text {
                            anchors.verticalCenter: parent.verticalCenter
                            text: qsTr("Reset Trim")
                            font.pixelSize: 12
                            color: EditorStyle.primaryText
                        }
                    }
                    background: Rectangle {
                        radius: 5
                        color: resetButton.pressed ? Qt.rgba(1, 1, 1, 0.14)
                                                   : resetButton.hovered ? Qt.rgba(1, 1, 1, 0.1)
                                                                         : Qt.rgba(1, 1, 1, 0.06)
                        border.width: 1
                        border.color: EditorStyle.hairline
                    }
                    onClicked: root.reset()
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: EditorStyle.hairline
            opacity: 0.3
        }

        Item {
            Layout.fillWidth: true
            Layout.preferredHeight: doneButton.height + 32

            AbstractButton {
                id: doneButton
                objectName: "doneButton"
                anchors.centerIn: parent
                width: Math.min(200, parent.width - 32)
                height: 36
                focusPolicy: Qt.NoFocus
                contentItem: Text {
                    text: qsTr("Done")
                    font.pixelSize: 14
                    font.weight: Font.DemiBold
                    color: "white"
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                }
                background: Rectangle {
                    radius: 8
                    color: doneButton.pressed ? Qt.darker(EditorStyle.accent, 1.2) : EditorStyle.accent
                }
                onClicked: root.done()
            }
        }
    }

    component SectionHeading: Text {
        font.pixelSize: 11
        font.weight: Font.DemiBold
        font.letterSpacing: 0.5
        color: EditorStyle.secondaryText
    }

    component InfoRow: Row {
        id: infoRow

        property string label
        property string value
        // Semibold in the primary colour, else regular in the secondary one.
        property bool emphasized: false

        width: parent.width - parent.leftPadding - parent.rightPadding

        Text {
            width: 70
            text: infoRow.label
            font.pixelSize: 12
            color: EditorStyle.secondaryText
        }
        Text {
            objectName: "value"
            width: infoRow.width - 70
            text: infoRow.value
            elide: Text.ElideMiddle
            maximumLineCount: 1
            font.family: "DejaVu Sans Mono"
            font.pixelSize: 12
            font.weight: infoRow.emphasized ? Font.DemiBold : Font.Normal
            color: infoRow.emphasized ? EditorStyle.primaryText : EditorStyle.secondaryText
        }
    }

    // A label above a time field. Typing changes nothing until Return submits
    // the text; the field then shows the point as it is.
    component PointField: Column {
        id: pointField

        property string label
        property alias text: field.text

        signal submitted(string text)

        width: parent.width - parent.leftPadding - parent.rightPadding
        spacing: 4

        Text {
            text: pointField.label
            font.pixelSize: 11
            color: EditorStyle.tertiaryText
        }
        TextField {
            id: field
            objectName: "field"
            width: parent.width
            placeholderText: "00:00"
            placeholderTextColor: EditorStyle.tertiaryText
            color: EditorStyle.primaryText
            selectionColor: EditorStyle.accent
            selectedTextColor: "white"
            font.family: "DejaVu Sans Mono"
            font.pixelSize: 12
            background: Rectangle {
                radius: 5
                color: Qt.rgba(1, 1, 1, 0.05)
                border.width: 1
                border.color: field.activeFocus ? EditorStyle.accent : Qt.rgba(1, 1, 1, 0.15)
            }
            onAccepted: pointField.submitted(text)
        }
    }
}
