import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kestrune.Views

// The modal sheet that exports the project: codec and quality, the output size,
// the progress of a running export, and its outcome. What it shows follows the
// export coordinator; it asks for the file to write in its save panel.
Popup {
    id: dialog

    // The ProjectViewModel and the ExportCoordinator.
    property var projectVM: null
    property var exportCoordinator: null

    readonly property ExportDialogModel model: dialogModel

    // The sheet wants to go: whoever shows it stops doing so.
    signal dismissRequested

    // Set by the actions that close the sheet themselves, so that the close does
    // not also count as the close button.
    property bool actionClosing: false

    function dismissAfter(action) {
        actionClosing = true;
        action();
        close();
        dismissRequested();
    }

    objectName: "exportDialog"
    parent: Overlay.overlay
    anchors.centerIn: parent
    width: 420
    padding: 24
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape

    onAboutToShow: {
        actionClosing = false;
        dialogModel.resetChoices();
    }
    // Escape closes the sheet like the close button does.
    onClosed: {
        if (!actionClosing)
            dialogModel.close();
        actionClosing = false;
        dismissRequested();
    }

    ExportDialogModel {
        id: dialogModel
        projectVM: dialog.projectVM
        exportCoordinator: dialog.exportCoordinator
        onSaveLocationRequested: {
            savePanel.nameFilters = saveNameFilters;
            savePanel.defaultSuffix = defaultSuffix;
            savePanel.proposedFile = proposedSaveFile;
            savePanel.open();
        }
    }

    FilePanel {
        id: savePanel
        objectName: "exportSavePanel"
        mode: FilePanel.SaveFile
        title: qsTr("Export Video")
        parentWindow: dialog.parent ? dialog.parent.Window.window : null
        onAccepted: files => dialogModel.saveLocationChosen(files[0])
        onRejected: dialogModel.saveLocationCancelled()
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

        RowLayout {
            Layout.fillWidth: true

            Text {
                Layout.fillWidth: true
                text: qsTr("Export Video")
                font.pixelSize: 18
                font.weight: Font.DemiBold
                color: EditorStyle.primaryText
            }
            ToolButton {
                objectName: "closeExportDialogButton"
                focusPolicy: Qt.NoFocus
                flat: true
                contentItem: Icon {
                    name: "xmark.circle.fill"
                    size: 20
                    color: EditorStyle.secondaryText
                }
                background: Item {}
                onClicked: dialog.dismissAfter(() => dialogModel.close())
            }
        }

        Text {
            objectName: "exportOutputSize"
            text: dialogModel.outputSizeText
            font.pixelSize: 13
            color: EditorStyle.secondaryText
        }

        // Settings.
        ColumnLayout {
            Layout.fillWidth: true
            visible: dialogModel.content === ExportDialogModel.Settings
            spacing: 12

            RowLayout {
                spacing: 12

                Text {
                    Layout.preferredWidth: 60
                    text: qsTr("Codec")
                    font.pixelSize: 13
                    font.weight: Font.Medium
                    color: EditorStyle.primaryText
                }
                ChoicePicker {
                    objectName: "exportCodecPicker"
                    Layout.preferredWidth: 160
                    model: dialogModel.codecNames
                    currentIndex: dialogModel.codecNames.indexOf(dialogModel.codec)
                    onActivated: index => dialogModel.codec = dialogModel.codecNames[index]
                }
            }
            RowLayout {
                spacing: 12

                Text {
                    Layout.preferredWidth: 60
                    text: qsTr("Quality")
                    font.pixelSize: 13
                    font.weight: Font.Medium
                    color: EditorStyle.primaryText
                }
                ChoicePicker {
                    objectName: "exportQualityPicker"
                    Layout.preferredWidth: 160
                    model: dialogModel.qualityNames
                    currentIndex: dialogModel.qualityNames.indexOf(dialogModel.quality)
                    onActivated: index => dialogModel.quality = dialogModel.qualityNames[index]
                }
            }
            AccentButton {
                objectName: "startExportButton"
                Layout.topMargin: 4
                text: qsTr("Start Export")
                font.pixelSize: 14
                topPadding: 9
                bottomPadding: 9
                leftPadding: 18
                rightPadding: 18
                enabled: !dialogModel.isValidating && !dialogModel.isChoosingSaveLocation
                opacity: enabled ? 1 : 0.5
                onClicked: dialogModel.startExport()
            }
        }

        // Running.
        ColumnLayout {
            Layout.fillWidth: true
            visible: dialogModel.content === ExportDialogModel.Progress
            spacing: 16

            RenderProgressView {
                objectName: "renderProgress"
                Layout.fillWidth: true
                coordinator: dialog.exportCoordinator
            }
            Button {
                id: cancelButton
                objectName: "cancelExportButton"
                Layout.fillWidth: true
                text: qsTr("Cancel")
                hoverEnabled: true
                focusPolicy: Qt.NoFocus
                contentItem: Text {
                    text: cancelButton.text
                    font.pixelSize: 13
                    color: "#ff453a"
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                }
                background: Rectangle {
                    implicitHeight: 28
                    radius: 6
                    color: Qt.rgba(1, 0.27, 0.23, cancelButton.pressed ? 0.25
                                                  : cancelButton.hovered ? 0.15 : 0.08)
                    border.width: 1
                    border.color: Qt.rgba(1, 0.27, 0.23, 0.6)
                }
                onClicked: dialog.dismissAfter(() => dialogModel.cancelExport())
            }
        }

        // Completion.
        ColumnLayout {
            Layout.fillWidth: true
            visible: dialogModel.content === ExportDialogModel.Completion
            spacing: 12

            Icon {
                Layout.alignment: Qt.AlignHCenter
                name: "checkmark.circle.fill"
                size: 40
                color: "#30d158"
            }
            Text {
                objectName: "exportCompleteText"
                Layout.alignment: Qt.AlignHCenter
                text: qsTr("Export complete!")
                font.pixelSize: 15
                font.weight: Font.Medium
                color: EditorStyle.primaryText
            }
            RowLayout {
                Layout.alignment: Qt.AlignHCenter
                spacing: 8

                SmallBorderedButton {
                    objectName: "showInFolderButton"
                    text: qsTr("Show in Folder")
                    iconName: "folder"
                    fontSize: 13
                    onClicked: dialogModel.showInFolder()
                }
                SmallBorderedButton {
                    objectName: "copyChaptersButton"
                    text: dialogModel.chaptersCopied ? qsTr("Copied") : qsTr("Copy Chapters")
                    iconName: "doc.on.doc"
                    fontSize: 13
                    enabled: dialogModel.hasChapters
                    onClicked: dialogModel.copyChapters()
                }
            }
            Text {
                objectName: "showInFolderError"
                Layout.fillWidth: true
                visible: text !== ""
                text: dialogModel.showInFolderError
                wrapMode: Text.Wrap
                horizontalAlignment: Text.AlignHCenter
                font.pixelSize: 12
                color: "#ff453a"
            }
            Text {
                objectName: "chaptersNote"
                Layout.fillWidth: true
                visible: text !== ""
                text: dialogModel.chaptersNote
                wrapMode: Text.Wrap
                horizontalAlignment: Text.AlignHCenter
                font.pixelSize: 12
                color: EditorStyle.secondaryText
            }
            AccentButton {
                objectName: "exportDoneButton"
                Layout.alignment: Qt.AlignHCenter
                text: qsTr("Done")
                onClicked: dialog.dismissAfter(() => dialogModel.reset())
            }
        }

        // Error.
        ColumnLayout {
            Layout.fillWidth: true
            visible: dialogModel.content === ExportDialogModel.Error
            spacing: 12

            RowLayout {
                Layout.fillWidth: true
                spacing: 8

                Icon {
                    Layout.alignment: Qt.AlignTop
                    name: "exclamationmark.triangle"
                    size: 18
                    color: "#ff453a"
                }
                Text {
                    objectName: "exportErrorText"
                    Layout.fillWidth: true
                    text: dialog.exportCoordinator ? dialog.exportCoordinator.error : ""
                    wrapMode: Text.Wrap
                    font.pixelSize: 13
                    color: "#ff453a"
                }
            }
            AccentButton {
                objectName: "tryAgainButton"
                Layout.alignment: Qt.AlignHCenter
                text: qsTr("Try Again")
                onClicked: dialogModel.reset()
            }
        }
    }
}
