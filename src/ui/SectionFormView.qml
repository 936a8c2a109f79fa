import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kestrune.Views

// The modal sheet that adds a section or edits one: title, optional subtitle
// and a start time typed as mm:ss or seconds, checked as it is typed.
Popup {
    id: sheet

    // The ProjectViewModel that receives the section.
    property var projectVM
    // The PlaybackManager, for "Use Current".
    property var playback

    readonly property SectionFormModel form: formModel

    // Opens the sheet with empty fields to add a section.
    function openToAdd() {
        formModel.beginAdd();
        open();
    }
    // Opens the sheet on the section `sectionId`; nothing when it is gone.
    function openToEdit(sectionId) {
        if (formModel.beginEdit(sectionId))
            open();
    }
    function trySave() {
        if (formModel.save())
            close();
    }

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: 400
    height: 380
    padding: 24
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape

    onOpened: titleField.forceActiveFocus()

    SectionFormModel {
        id: formModel
        projectVM: sheet.projectVM
    }

    background: Rectangle {
        radius: 10
        color: "#2b2b2b"
        border.width: 0.5
        border.color: Qt.rgba(1, 1, 1, 0.15)
    }

    Overlay.modal: Rectangle {
        color: Qt.rgba(0, 0, 0, 0.45)
    }

    contentItem: ColumnLayout {
        spacing: 20

        // The text fields pass Return on after their own handling, so this is the
        // one place it saves.
        Keys.onReturnPressed: sheet.trySave()
        Keys.onEnterPressed: sheet.trySave()

        Text {
            objectName: "formHeading"
            text: formModel.heading
            font.pixelSize: 18
            font.weight: Font.DemiBold
            color: EditorStyle.primaryText
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 6

            Text {
                text: qsTr("Title")
                font.pixelSize: 13
                font.weight: Font.Medium
                color: EditorStyle.primaryText
            }
            RoundedTextField {
                id: titleField
                objectName: "titleField"
                Layout.fillWidth: true
                placeholderText: qsTr("e.g. Introduction")
                // Tab follows the fields, then the buttons.
                KeyNavigation.tab: subtitleField
                text: formModel.title
                onTextEdited: formModel.title = text
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 6

            Text {
                text: qsTr("Subtitle (optional)")
                font.pixelSize: 13
                font.weight: Font.Medium
                color: EditorStyle.primaryText
            }
            RoundedTextField {
                id: subtitleField
                objectName: "subtitleField"
                KeyNavigation.tab: timeField
                Layout.fillWidth: true
                placeholderText: qsTr("e.g. Opening thoughts")
                text: formModel.subtitle
                onTextEdited: formModel.subtitle = text
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 6

            RowLayout {
                Layout.fillWidth: true

                Text {
                    Layout.fillWidth: true
                    text: qsTr("Start Time")
                    font.pixelSize: 13
                    font.weight: Font.Medium
                    color: EditorStyle.primaryText
                }
                SmallBorderedButton {
                    id: useCurrentButton
                    objectName: "useCurrentButton"
                    KeyNavigation.tab: cancelButton
                    text: qsTr("Use Current")
                    onClicked: formModel.useTime(sheet.playback ? sheet.playback.currentTime : 0)
                }
            }
            RoundedTextField {
                id: timeField
                objectName: "timeField"
                KeyNavigation.tab: useCurrentButton
                Layout.fillWidth: true
                placeholderText: qsTr("mm:ss or seconds")
                text: formModel.timeInput
                onTextEdited: formModel.timeInput = text
            }
            Text {
                objectName: "timeFeedback"
                Layout.fillWidth: true
                // Keeps its line while empty, so the buttons do not jump.
                Layout.minimumHeight: 16
                text: formModel.feedbackText
                font.pixelSize: 12
                color: formModel.feedbackIsError ? "#ff453a" : formModel.feedbackIsWarning ? "#ff9f0a" : EditorStyle.secondaryText
            }
        }

        Item {
            Layout.fillHeight: true
        }

        RowLayout {
            Layout.fillWidth: true

            Button {
                id: cancelButton
                objectName: "cancelButton"
                KeyNavigation.tab: saveButton
                text: qsTr("Cancel")
                onClicked: sheet.close()
            }
            Item {
                Layout.fillWidth: true
            }
            Button {
                id: saveButton
                objectName: "saveButton"
                KeyNavigation.tab: titleField
                text: formModel.saveButtonText
                highlighted: true
                enabled: formModel.canSave
                onClicked: sheet.trySave()
            }
        }
    }
}
