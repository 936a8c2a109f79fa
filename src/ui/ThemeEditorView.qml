import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import Kestrune.Views

// The sidebar's look: the four presets as miniatures, and under "Customize"
// every colour of the theme by its text or a colour picker.
ColumnLayout {
    id: root

    // The ProjectViewModel of the open project.
    property var projectVM
    property bool isCustomizeExpanded: false

    readonly property ThemeEditorModel editor: editorModel

    spacing: 10

    ThemeEditorModel {
        id: editorModel
        projectVM: root.projectVM
    }

    Text {
        text: qsTr("STYLE")
        font.pixelSize: 12
        font.weight: Font.DemiBold
        font.letterSpacing: 1.2
        color: EditorStyle.secondaryText
    }

    Row {
        spacing: 8

        Repeater {
            model: editorModel.presets
            delegate: ThemePresetThumbnail {
                required property var modelData
                required property int index
                objectName: "presetThumbnail"
                name: modelData.name
                colors: modelData.colors
                isSelected: editorModel.selectedPresetIndex === index
                onClicked: editorModel.applyPreset(index)
            }
        }
    }

    AbstractButton {
        id: disclosure
        objectName: "customizeDisclosure"
        padding: 0
        spacing: 4
        onClicked: root.isCustomizeExpanded = !root.isCustomizeExpanded

        contentItem: Row {
            spacing: disclosure.spacing

            Icon {
                anchors.verticalCenter: parent.verticalCenter
                name: "chevron.right"
                size: 14
                color: EditorStyle.secondaryText
                rotation: root.isCustomizeExpanded ? 90 : 0

                Behavior on rotation {
                    NumberAnimation {
                        duration: 150
                        easing.type: Easing.InOutQuad
                    }
                }
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: qsTr("Customize")
                font.pixelSize: 12
                font.weight: Font.Medium
                color: EditorStyle.secondaryText
            }
        }
        background: null
    }

    ColumnLayout {
        objectName: "customizeContent"
        visible: root.isCustomizeExpanded
        Layout.fillWidth: true
        Layout.topMargin: 4 - root.spacing
        spacing: 10

        Repeater {
            model: editorModel.colorGroups
            delegate: ColumnLayout {
                id: group

                required property var modelData

                Layout.fillWidth: true
                spacing: 6

                Text {
                    text: group.modelData.heading
                    font.pixelSize: 11
                    font.weight: Font.DemiBold
                    color: EditorStyle.tertiaryText
                }

                Repeater {
                    model: group.modelData.rows
                    delegate: ThemeColorRow {
                        required property var modelData
                        objectName: "colorRow"
                        Layout.fillWidth: true
                        label: modelData.label
                        field: modelData.field
                        hexText: editorModel.hexTexts[modelData.field] ?? ""
                        color: editorModel.colors[modelData.field] ?? "transparent"
                        onHexEdited: text => editorModel.setColorHex(field, text)
                        onHexEditFinished: editorModel.finishColorEdit()
                        onPickRequested: {
                            colorPicker.field = field;
                            colorPicker.selectedColor = color;
                            colorPicker.open();
                        }
                    }
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 1
            color: EditorStyle.hairline
        }

        SmallBorderedButton {
            objectName: "resetToClassicButton"
            text: qsTr("Reset to Classic")
            onClicked: editorModel.resetToClassic()
        }
    }

    ColorDialog {
        id: colorPicker
        objectName: "colorPicker"

        // The theme field the picker was opened for.
        property string field

        // The view may be made before it is put in a window.
        parentWindow: root.Window.window
        options: ColorDialog.ShowAlphaChannel
        onAccepted: editorModel.setColor(field, selectedColor)
    }
}
