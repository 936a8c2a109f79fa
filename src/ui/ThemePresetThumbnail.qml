import QtQuick
import QtQuick.Controls
import Kestrune.Views

// One preset as a clickable miniature of the sidebar drawn in its colours,
// with its name below.
AbstractButton {
    id: control

    property string name
    // Field name → colour, as ThemeEditorModel.presets gives them.
    property var colors: ({})
    property bool isSelected

    readonly property real rowHeight: 20
    readonly property real rowsTop: 4

    padding: 0
    spacing: 4
    implicitWidth: Math.max(miniature.width, nameText.implicitWidth)
    implicitHeight: miniature.height + spacing + nameText.implicitHeight

    contentItem: Item {
        Rectangle {
            id: miniature
            objectName: "miniature"
            anchors.horizontalCenter: parent.horizontalCenter
            width: 52
            height: 68
            radius: 4
            color: control.colors.sidebarBackground ?? "black"
            clip: true

            Repeater {
                model: 3
                delegate: Item {
                    id: sampleRow

                    required property int index
                    readonly property bool active: index === 0

                    y: control.rowsTop + index * control.rowHeight
                    width: miniature.width
                    height: control.rowHeight

                    Rectangle {
                        visible: sampleRow.active
                        x: 3
                        y: 1
                        width: parent.width - 6
                        height: parent.height - 2
                        radius: 3
                        color: control.colors.highlightBackground ?? "white"
                    }
                    Rectangle {
                        x: 8
                        y: 6
                        width: 28
                        height: 3
                        radius: 1
                        color: (sampleRow.active ? control.colors.activeTitleColor
                                                 : control.colors.inactiveTitleColor) ?? "gray"
                    }
                    Rectangle {
                        x: 8
                        y: 12
                        width: 18
                        height: 2
                        radius: 1
                        color: (sampleRow.active ? control.colors.activeSubtitleColor
                                                 : control.colors.inactiveSubtitleColor) ?? "gray"
                    }
                    // The line above every row but the first.
                    Rectangle {
                        visible: sampleRow.index > 0
                        x: 4
                        y: 0
                        width: parent.width - 8
                        height: 0.5
                        color: control.colors.separatorColor ?? "gray"
                    }
                }
            }
        }

        Rectangle {
            objectName: "selectionBorder"
            anchors.fill: miniature
            radius: miniature.radius
            color: "transparent"
            border.width: control.isSelected ? 2 : 0.5
            border.color: control.isSelected ? EditorStyle.accent : Qt.rgba(1, 1, 1, 0.15)
        }

        Text {
            id: nameText
            objectName: "presetName"
            anchors.top: miniature.bottom
            anchors.topMargin: control.spacing
            anchors.horizontalCenter: parent.horizontalCenter
            text: control.name
            font.pixelSize: 10
            color: control.isSelected ? EditorStyle.primaryText : EditorStyle.secondaryText
        }
    }
    background: null
}
