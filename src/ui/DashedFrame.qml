import QtQuick
import QtQuick.Shapes

// The outline of the item's rectangle in dashes, optionally with rounded
// corners; the line lies inside the item.
Shape {
    id: frame

    property color color: "white"
    property real lineWidth: 1
    // Lengths in pixels, whatever the line width.
    property real dashLength: 4
    property real gapLength: 4
    property real radius: 0

    readonly property real inset: lineWidth / 2
    readonly property real x0: inset
    readonly property real y0: inset
    readonly property real x1: width - inset
    readonly property real y1: height - inset
    readonly property real r: Math.max(0, Math.min(radius, (width - lineWidth) / 2,
                                                    (height - lineWidth) / 2))

    ShapePath {
        strokeColor: frame.color
        strokeWidth: frame.lineWidth
        strokeStyle: ShapePath.DashLine
        // Shapes count dashes in line widths.
        dashPattern: [frame.dashLength / frame.lineWidth, frame.gapLength / frame.lineWidth]
        fillColor: "transparent"
        capStyle: ShapePath.FlatCap
        joinStyle: ShapePath.MiterJoin
        startX: frame.x0 + frame.r
        startY: frame.y0

        PathLine {
            x: frame.x1 - frame.r
            y: frame.y0
        }
        PathArc {
            x: frame.x1
            y: frame.y0 + frame.r
            radiusX: frame.r
            radiusY: frame.r
        }
        PathLine {
            x: frame.x1
            y: frame.y1 - frame.r
        }
        PathArc {
            x: frame.x1 - frame.r
            y: frame.y1
            radiusX: frame.r
            radiusY: frame.r
        }
        PathLine {
            x: frame.x0 + frame.r
            y: frame.y1
        }
        PathArc {
            x: frame.x0
            y: frame.y1 - frame.r
            radiusX: frame.r
            radiusY: frame.r
        }
        PathLine {
            x: frame.x0
            y: frame.y0 + frame.r
        }
        PathArc {
            x: frame.x0 + frame.r
            y: frame.y0
            radiusX: frame.r
            radiusY: frame.r
        }
    }
}
