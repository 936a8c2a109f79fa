import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kestrune.Views

// The modal sheet between reading a chapter list and importing it: what will be
// imported (time, title), what will not and why, and the lines that could not be
// read; then "Replace" / "Add" / "Cancel" (just "Import" while the project has
// no sections).
Popup {
    id: sheet

    // The ProjectViewModel that receives the sections.
    property var projectVM
    readonly property ChapterImportModel reading: importModel
    // Taken when the sheet opens: the sheet is modal, so it stays true.
    property bool hasSections: false

    function showClipboard() {
        importModel.readClipboard();
        openSheet();
    }
    function showFile(file) {
        importModel.readFile(file);
        openSheet();
    }
    function openSheet() {
        hasSections = !!projectVM && projectVM.sections.rowCount() > 0;
        open();
    }
    function finish(replace) {
        importModel.importChapters(replace);
        close();
    }

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: 460
    height: Math.min(520, parent ? parent.height - 40 : 520)
    padding: 24
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape

    ChapterImportModel {
        id: importModel
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

    component ListHeading: Text {
        Layout.topMargin: 8
        font.pixelSize: 12
        font.weight: Font.DemiBold
        font.letterSpacing: 1.2
        color: EditorStyle.secondaryText
    }

    contentItem: ColumnLayout {
        spacing: 12

        Text {
            text: qsTr("Import Chapters")
            font.pixelSize: 18
            font.weight: Font.DemiBold
            color: EditorStyle.primaryText
        }
        Text {
            objectName: "importSource"
            Layout.fillWidth: true
            text: importModel.sourceText
            elide: Text.ElideMiddle
            font.pixelSize: 13
            color: EditorStyle.secondaryText
        }
        Text {
            objectName: "importError"
            Layout.fillWidth: true
            visible: text !== ""
            text: importModel.errorText
            wrapMode: Text.WordWrap
            font.pixelSize: 13
            color: "#ff453a"
        }

        Flickable {
            id: lists
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: width
            contentHeight: listColumn.implicitHeight
            boundsBehavior: Flickable.StopAtBounds
            clip: true

            ScrollBar.vertical: ScrollBar {}

            ColumnLayout {
                id: listColumn
                width: lists.width
                spacing: 4

                Repeater {
                    model: importModel.chapters
                    delegate: RowLayout {
                        required property var modelData

                        objectName: "importRow"
                        Layout.fillWidth: true
                        spacing: 12

                        Text {
                            text: modelData.time
                            font.pixelSize: 13
                            font.family: "monospace"
                            color: EditorStyle.secondaryText
                        }
                        Text {
                            Layout.fillWidth: true
                            text: modelData.title
                            elide: Text.ElideRight
                            font.pixelSize: 13
                            color: EditorStyle.primaryText
                        }
                    }
                }

                ListHeading {
                    visible: importModel.rejected.length > 0
                    text: qsTr("NOT IMPORTED")
                }
                Repeater {
                    model: importModel.rejected
                    delegate: Text {
                        required property var modelData

                        objectName: "rejectedRow"
                        Layout.fillWidth: true
                        text: modelData.time + "  " + modelData.title + " — " + modelData.reason
                        wrapMode: Text.WordWrap
                        font.pixelSize: 12
                        color: EditorStyle.secondaryText
                    }
                }

                ListHeading {
                    visible: importModel.notUnderstood.length > 0
                    text: qsTr("NOT UNDERSTOOD")
                }
                Repeater {
                    model: importModel.notUnderstood
                    delegate: Text {
                        required property string modelData

                        objectName: "notUnderstoodLine"
                        Layout.fillWidth: true
                        text: modelData
                        elide: Text.ElideRight
                        font.pixelSize: 12
                        font.family: "monospace"
                        color: EditorStyle.secondaryText
                    }
                }
            }
        }

        RowLayout {
            Layout.fillWidth: true

            Button {
                objectName: "cancelImportButton"
                text: qsTr("Cancel")
                onClicked: sheet.close()
            }
            Item {
                Layout.fillWidth: true
            }
            Button {
                objectName: "addImportButton"
                visible: sheet.hasSections
                enabled: importModel.chapters.length > 0
                text: qsTr("Add")
                onClicked: sheet.finish(false)
            }
            Button {
                objectName: "replaceImportButton"
                text: sheet.hasSections ? qsTr("Replace") : qsTr("Import")
                highlighted: true
                enabled: importModel.chapters.length > 0
                onClicked: sheet.finish(sheet.hasSections)
            }
        }
    }
}
