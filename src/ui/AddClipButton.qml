import QtQuick
import QtQuick.Controls
import QtQuick.Shapes
import Kestrune.Views

// The dashed "plus" box at the end of the clip strip.
AbstractButton {
    id: control

    implicitWidth: 80
    implicitHeight: 56
    padding: 0
    hoverEnabled: true

    ToolTip.visible: hovered
    ToolTip.delay: 600
    ToolTip.text: qsTr("Add clip")

    contentItem: Item {
        // Pressed, the whole label dims and shrinks a little about its centre.
        opacity: control.pressed ? 0.5 : 1
        scale: control.pressed ? 0.95 : 1

        Behavior on opacity {
            NumberAnimation {
                duration: 150
                easing.type: Easing.InOutQuad
            }
        }
        Behavior on scale {
            NumberAnimation {
                duration: 150
                easing.type: Easing.InOutQuad
            }
        }

        Shape {
            id: frame

            // The stroke stays inside the box.
            readonly property real inset: 0.75
            readonly property real radius: 8
            readonly property real x0: inset
            readonly property real y0: inset
            readonly property real x1: width - inset
            readonly property real y1: height - inset

            anchors.fill: parent
            antialiasing: true

            ShapePath {
                strokeColor: EditorStyle.hairline
                strokeWidth: 1.5
                strokeStyle: ShapePath.DashLine
                // Dash lengths count in stroke widths: 6 on, 3 off.
                dashPattern: [4, 2]
                fillColor: "transparent"
                capStyle: ShapePath.FlatCap
                startX: frame.x0 + frame.radius
                startY: frame.y0

                PathLine {
                    x: frame.x1 - frame.radius
                    y: frame.y0
                }
                PathArc {
                    x: frame.x1
                    y: frame.y0 + frame.radius
                    radiusX: frame.radius
                    radiusY: frame.radius
                }
                PathLine {
                    x: frame.x1
                    y: frame.y1 - frame.radius
                }
                PathArc {
                    x: frame.x1 - frame.radius
                    y: frame.y1
                    radiusX: frame.radius
                    radiusY: frame.radius
                }
                PathLine {
                    x: frame.x0 + frame.radius
                    y: frame.y1
                }
                PathArc {
                    x: frame.x0
                    y: frame.y1 - frame.radius
                    radiusX: frame.radius
                    radiusY: frame.radius
                }
                PathLine {
                    x: frame.x0
                    y: frame.y0 + frame.radius
                }
                PathArc {
                    x: frame.x0 + frame.radius
                    y: frame.y0
                    radiusX: frame.radius
                    radiusY: frame.radius
                }
            }
        }

        Icon {
            anchors.centerIn: parent
            name: "plus"
            size: 20
            color: EditorStyle.secondaryText
        }
    }
    background: null
}
