import QtQuick
import QtQuick.Shapes
import Kestrune.Views

// The chapter sidebar as the export will draw it, laid out on the size this view
// is given, beside or over the preview video.
Item {
    id: root

    // The chapters in ascending start order: the SectionListModel, or any model
    // with `title` and `subtitle` roles.
    property var sections
    // The chapter playing now; any value outside 0 … count − 1 shows no highlight.
    property int activeIndex: -1
    // Colour name → colour, as ProjectViewModel.themeColors gives them.
    property var theme: ({})

    readonly property int count: rows.count

    clip: true

    SidebarMetrics {
        id: metrics
        width: root.width
        height: root.height
        sectionCount: root.count
    }

    Rectangle {
        objectName: "background"
        anchors.fill: parent
        color: root.theme.sidebarBackground ?? "black"
    }

    Repeater {
        model: Math.max(root.count - 1, 0)
        delegate: Shape {
            required property int index
            objectName: "separator"
            y: metrics.paddingY + metrics.itemHeight * (index + 1)
            width: root.width
            height: 1
            ShapePath {
                strokeColor: root.theme.separatorColor ?? "gray"
                strokeWidth: 1
                strokeStyle: ShapePath.DashLine
                dashPattern: [4, 4]
                dashOffset: 0
                capStyle: ShapePath.FlatCap
                joinStyle: ShapePath.MiterJoin
                miterLimit: 10
                fillColor: "transparent"
                startX: 12
                startY: 0
                PathLine {
                    x: root.width - 12
                    y: 0
                }
            }
        }
    }

    Rectangle {
        id: highlight
        objectName: "highlight"

        readonly property bool shown: root.activeIndex >= 0 && root.activeIndex < root.count

        x: 4
        width: root.width - 8
        height: metrics.itemHeight
        radius: 8
        color: root.theme.highlightBackground ?? "white"
        // The row the box is on, animated itself so that only a change of chapter
        // slides the box: a resize moves it at once. Out of range it keeps to the
        // nearest row while it fades.
        property real slideIndex: Math.max(0, Math.min(root.activeIndex, root.count - 1))

        y: metrics.paddingY + metrics.itemHeight * slideIndex
        opacity: shown ? 1 : 0
        visible: opacity > 0

        Behavior on opacity {
            NumberAnimation {
                duration: 150
            }
        }
        // Only a box already on screen slides; one that appears starts in place.
        Behavior on slideIndex {
            enabled: highlight.visible
            NumberAnimation {
                duration: 400
                easing.type: Easing.BezierSpline
                easing.bezierCurve: [0.33, 1, 0.68, 1, 1, 1]
            }
        }
    }

    Column {
        y: metrics.paddingY
        width: root.width

        Repeater {
            id: rows
            model: root.sections
            delegate: Item {
                id: row
                required property int index
                required property string title
                required property string subtitle
                readonly property bool active: index === root.activeIndex

                objectName: "sidebarRow"
                width: root.width
                height: metrics.itemHeight

                Column {
                    objectName: "sidebarTexts"
                    x: 12
                    width: parent.width - 24
                    anchors.verticalCenter: parent.verticalCenter
                    spacing: 2

                    Text {
                        objectName: "sidebarTitle"
                        width: parent.width
                        text: row.title
                        wrapMode: Text.Wrap
                        font.family: "Lexend"
                        // Qt's fonts take whole pixels.
                        font.pixelSize: Math.round(metrics.titleSize)
                        color: (row.active ? root.theme.activeTitleColor
                                           : root.theme.inactiveTitleColor) ?? "white"
                    }
                    Text {
                        objectName: "sidebarSubtitle"
                        width: parent.width
                        visible: text !== ""
                        text: row.subtitle
                        wrapMode: Text.Wrap
                        font.family: "Lexend"
                        font.pixelSize: Math.round(metrics.subtitleSize)
                        color: (row.active ? root.theme.activeSubtitleColor
                                           : root.theme.inactiveSubtitleColor) ?? "gray"
                    }
                }
            }
        }
    }
}
