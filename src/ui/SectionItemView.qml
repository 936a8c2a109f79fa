import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kestrune.Views

// One section of the list: its title, subtitle and start time. A click moves
// the playhead to its start; while the pointer is over it, it offers editing
// and deleting.
Item {
    id: row

    // The ProjectViewModel of the open project, for deleting.
    property var projectVM
    // The PlaybackManager, for seeking.
    property var playback
    required property string sectionId
    required property string title
    required property string subtitle
    required property real startTime
    // Whether this is the section playing at the playhead.
    property bool isActive
    readonly property bool isHovering: hover.hovered

    signal editRequested

    implicitHeight: content.implicitHeight + 16

    HoverHandler {
        id: hover
    }

    Rectangle {
        objectName: "activeBackground"
        anchors.fill: parent
        radius: 6
        color: row.isActive ? Qt.rgba(1, 1, 1, 0.05) : "transparent"
    }

    MouseArea {
        objectName: "seekArea"
        anchors.fill: parent
        onClicked: {
            if (row.playback)
                row.playback.seek(row.startTime);
        }
    }

    RowLayout {
        id: content
        anchors.fill: parent
        anchors.leftMargin: 12
        anchors.rightMargin: 12
        anchors.topMargin: 8
        anchors.bottomMargin: 8
        spacing: 8

        Icon {
            name: "line.3.horizontal"
            size: 12
            color: EditorStyle.tertiaryText
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2

            Text {
                objectName: "sectionTitle"
                Layout.fillWidth: true
                text: row.title
                font.pixelSize: 14
                font.weight: Font.Medium
                color: EditorStyle.primaryText
                elide: Text.ElideRight
            }
            Text {
                objectName: "sectionSubtitle"
                Layout.fillWidth: true
                visible: row.subtitle !== ""
                text: row.subtitle
                font.pixelSize: 12
                color: EditorStyle.secondaryText
                elide: Text.ElideRight
            }
        }

        Text {
            objectName: "sectionStartTime"
            // The interface font's digits are all one width, so times line up.
            text: TimeText.formatTime(row.startTime)
            font.pixelSize: 12
            color: EditorStyle.secondaryText
        }

        Row {
            objectName: "rowActions"
            spacing: 4
            // Keeps its place while hidden, so the times stay put as the pointer moves.
            opacity: row.isHovering ? 1 : 0
            enabled: row.isHovering

            Behavior on opacity {
                NumberAnimation {
                    duration: EditorStyle.hoverFadeMs
                    easing.type: Easing.InOutQuad
                }
            }

            AbstractButton {
                objectName: "editButton"
                padding: 2
                onClicked: row.editRequested()
                contentItem: Icon {
                    name: "pencil"
                    size: 12
                    color: EditorStyle.secondaryText
                }
                background: null
            }
            AbstractButton {
                objectName: "deleteButton"
                padding: 2
                onClicked: {
                    if (row.projectVM)
                        row.projectVM.deleteSection(row.sectionId);
                }
                contentItem: Icon {
                    name: "trash"
                    size: 12
                    color: Qt.rgba(1, 0.27, 0.23, 0.8)
                }
                background: null
            }
        }
    }
}
