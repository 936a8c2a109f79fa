import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kestrune.Views

// The column beside the preview: the project's sections with the one playing
// marked, the sidebar's placement and its theme, and the sheet that adds or
// edits a section. Everything scrolls together when the column is too short.
Item {
    id: panel

    // The ProjectViewModel of the open project.
    property var projectVM
    // The PlaybackManager of the joined timeline.
    property var playback

    readonly property int sectionCount: sectionRows.count
    readonly property alias sectionForm: form

    ActiveSection {
        id: activeSection
        sections: panel.projectVM ? panel.projectVM.sections : null
        time: panel.playback ? panel.playback.currentTime : 0
    }

    Flickable {
        id: scroller
        anchors.fill: parent
        contentWidth: width
        contentHeight: column.implicitHeight
        boundsBehavior: Flickable.StopAtBounds
        clip: true

        ScrollBar.vertical: ScrollBar {}

        ColumnLayout {
            id: column
            width: scroller.width
            spacing: 0

            RowLayout {
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                Layout.topMargin: 12
                Layout.bottomMargin: 12

                Text {
                    Layout.fillWidth: true
                    text: qsTr("SECTIONS")
                    font.pixelSize: 12
                    font.weight: Font.DemiBold
                    font.letterSpacing: 1.2
                    color: EditorStyle.secondaryText
                }
                SmallBorderedButton {
                    objectName: "addSectionButton"
                    text: qsTr("Add")
                    iconName: "plus"
                    enabled: panel.projectVM ? panel.projectVM.clipCount > 0 : false
                    onClicked: form.openToAdd()
                }
            }

            RowLayout {
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                Layout.bottomMargin: 8
                spacing: 8

                SmallBorderedButton {
                    objectName: "fromClipsButton"
                    text: qsTr("From Clips")
                    enabled: panel.projectVM ? panel.projectVM.clipCount > 0 : false
                    onClicked: {
                        if (sectionRows.count > 0)
                            fromClipsChoice.open();
                        else
                            panel.projectVM.addSectionsFromClips(false);
                    }
                }
                SmallBorderedButton {
                    id: importButton
                    objectName: "importChaptersButton"
                    text: qsTr("Import…")
                    enabled: panel.projectVM ? panel.projectVM.clipCount > 0 : false
                    onClicked: importMenu.popup(importButton, 0, importButton.height)
                }
            }

            RowLayout {
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                Layout.bottomMargin: 8
                spacing: 8

                Text {
                    Layout.fillWidth: true
                    text: qsTr("Keep with clips")
                    font.pixelSize: 13
                    color: EditorStyle.primaryText
                }
                // Sections move with the clip they start in when clips are moved,
                // trimmed or removed.
                Switch {
                    objectName: "keepWithClipsSwitch"
                    padding: 0
                    checked: panel.projectVM ? panel.projectVM.keepSectionsWithClips : true
                    onToggled: panel.projectVM.keepSectionsWithClips = checked
                }
            }

            RowLayout {
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                Layout.bottomMargin: 8
                spacing: 8

                Text {
                    text: qsTr("Sidebar")
                    font.pixelSize: 13
                    color: EditorStyle.primaryText
                }
                // Two segments: the sidebar over the video, or beside it.
                Rectangle {
                    Layout.fillWidth: true
                    implicitHeight: 24
                    radius: 6
                    color: Qt.rgba(1, 1, 1, 0.08)

                    Row {
                        anchors.fill: parent
                        anchors.margins: 2

                        Repeater {
                            model: [{
                                    "label": qsTr("Overlay"),
                                    "overlay": true
                                }, {
                                    "label": qsTr("Side-by-side"),
                                    "overlay": false
                                }]
                            delegate: AbstractButton {
                                id: segment

                                required property var modelData

                                objectName: "placementSegment"
                                width: parent.width / 2
                                height: parent.height
                                checked: !!panel.projectVM
                                         && panel.projectVM.sidebarOverlay === modelData.overlay
                                onClicked: {
                                    if (panel.projectVM)
                                        panel.projectVM.sidebarOverlay = modelData.overlay;
                                }
                                contentItem: Text {
                                    text: segment.modelData.label
                                    font.pixelSize: 12
                                    color: segment.checked ? EditorStyle.primaryText
                                                           : EditorStyle.secondaryText
                                    horizontalAlignment: Text.AlignHCenter
                                    verticalAlignment: Text.AlignVCenter
                                }
                                background: Rectangle {
                                    radius: 4
                                    color: segment.checked ? Qt.rgba(1, 1, 1, 0.2) : "transparent"
                                }
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

            ThemeEditorView {
                id: themeEditor
                objectName: "themeEditor"
                Layout.fillWidth: true
                Layout.leftMargin: 16
                Layout.rightMargin: 16
                Layout.topMargin: 12
                Layout.bottomMargin: 12
                projectVM: panel.projectVM
            }

            Rectangle {
                Layout.fillWidth: true
                implicitHeight: 1
                color: EditorStyle.hairline
            }

            Text {
                objectName: "emptyText"
                visible: sectionRows.count === 0
                Layout.fillWidth: true
                Layout.topMargin: 40
                Layout.bottomMargin: 40
                text: qsTr("No sections yet.\nAdd your first section to get started.")
                font.pixelSize: 14
                color: EditorStyle.secondaryText
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
            }

            ColumnLayout {
                Layout.fillWidth: true
                Layout.topMargin: 4
                spacing: 0

                Repeater {
                    id: sectionRows
                    model: panel.projectVM ? panel.projectVM.sections : null
                    delegate: SectionItemView {
                        required property int index

                        objectName: "sectionRow"
                        Layout.fillWidth: true
                        Layout.leftMargin: 4
                        Layout.rightMargin: 4
                        projectVM: panel.projectVM
                        playback: panel.playback
                        isActive: activeSection.index === index
                        onEditRequested: form.openToEdit(sectionId)
                    }
                }
            }
        }
    }

    Menu {
        id: importMenu
        objectName: "importChaptersMenu"

        MenuItem {
            objectName: "importFromFileItem"
            text: qsTr("From File…")
            onTriggered: chapterFilePanel.open()
        }
        MenuItem {
            objectName: "importFromClipboardItem"
            text: qsTr("From Clipboard")
            onTriggered: importSheet.showClipboard()
        }
    }

    FilePanel {
        id: chapterFilePanel
        objectName: "chapterFilePanel"
        mode: FilePanel.OpenFiles
        title: qsTr("Import Chapters")
        nameFilters: [qsTr("Chapter lists and videos (*.txt *.vtt *.mp4 *.mov *.m4v *.mkv)"), qsTr("All files (*)")]
        parentWindow: panel.Window.window
        onAccepted: files => importSheet.showFile(files[0])
    }

    ChapterImportSheet {
        id: importSheet
        objectName: "chapterImportSheet"
        projectVM: panel.projectVM
    }

    ReplaceOrAddDialog {
        id: fromClipsChoice
        objectName: "fromClipsChoice"
        title: qsTr("Sections from Clips")
        message: qsTr("The project already has sections. Replace them with one section per clip, "
                      + "or add one section per clip to them?")
        onChosen: replace => panel.projectVM.addSectionsFromClips(replace)
    }

    SectionFormView {
        id: form
        objectName: "sectionForm"
        projectVM: panel.projectVM
        playback: panel.playback
    }
}
