import QtQuick
import Kestrune.Views

// The filmstrip of the clip being trimmed with the in and out handles around
// the kept range, the trim playhead, and the in, length and out timecodes.
// Dragging a handle moves its trim point; dragging on the strip scrubs.
Item {
    id: root

    // The TrimSession of the clip; the PlaybackManager playing it.
    property TrimSession session
    property var playback

    readonly property real handleWidth: session ? session.handleWidth : 12
    readonly property real filmstripHeight: session ? session.filmstripHeight : 50
    // Room above the strip for the playhead's head.
    readonly property real stripTop: 8
    readonly property var filmstrip: session ? session.filmstrip : null
    // While pictures still arrive each keeps the place it will have at the end.
    readonly property int slotCount: !filmstrip ? 0 : filmstrip.isGenerating
                                                  ? Math.max(filmstrip.requestedCount,
                                                             filmstrip.count)
                                                  : filmstrip.count
    readonly property real inX: session ? session.inX : handleWidth
    readonly property real outX: session ? session.outX : width - handleWidth

    implicitHeight: stripTop + filmstripHeight + 8 + labels.implicitHeight

    Binding {
        target: root.session
        property: "viewWidth"
        value: root.width
        when: root.session !== null
    }

    Item {
        id: strip
        y: root.stripTop
        width: root.width
        height: root.filmstripHeight

        Rectangle {
            x: root.handleWidth
            width: Math.max(root.width - 2 * root.handleWidth, 0)
            height: parent.height
            color: EditorStyle.placeholderFill
        }

        Row {
            x: root.handleWidth
            height: parent.height

            Repeater {
                model: root.filmstrip

                delegate: Item {
                    id: frame

                    required property var image

                    objectName: "filmstripFrame"
                    width: root.slotCount > 0 ? Math.max(root.width - 2 * root.handleWidth, 0)
                                                / root.slotCount : 0
                    height: strip.height

                    StretchedImage {
                        anchors.fill: parent
                        image: frame.image
                    }
                }
            }
        }

        // Everything outside the kept range is dimmed up to the view's edges.
        Rectangle {
            objectName: "leftDimming"
            width: Math.max(root.inX, 0)
            height: parent.height
            color: "black"
            opacity: 0.6
        }
        Rectangle {
            objectName: "rightDimming"
            x: root.outX
            width: Math.max(root.width - root.outX, 0)
            height: parent.height
            color: "black"
            opacity: 0.6
        }

        Rectangle {
            objectName: "keptRange"
            x: root.inX
            width: Math.max(root.outX - root.inX, 0)
            height: parent.height
            color: "transparent"
            border.width: 2
            border.color: EditorStyle.accent
        }

        // Pressing anywhere on the strip puts the playhead there; dragging scrubs.
        MouseArea {
            objectName: "scrubArea"
            anchors.fill: parent
            preventStealing: true
            onPressed: mouse => {
                root.forceActiveFocus();
                root.session.scrubAt(mouse.x);
            }
            onPositionChanged: mouse => root.session.scrubAt(mouse.x)
            onReleased: root.session.endScrub()
            onCanceled: root.session.endScrub()
        }

        TrimHandle {
            objectName: "inHandle"
            x: root.inX - width
            width: root.handleWidth
            height: parent.height
            view: root
            pointX: root.inX
            onDragged: x => root.session.dragInHandle(x)
        }
        TrimHandle {
            objectName: "outHandle"
            x: root.outX
            width: root.handleWidth
            height: parent.height
            view: root
            pointX: root.outX
            onDragged: x => root.session.dragOutHandle(x)
        }
    }

    Item {
        objectName: "playhead"
        x: (root.session ? root.session.playheadX : root.handleWidth) - width / 2
        y: root.stripTop - 3 - head.height
        width: 8
        height: head.height + root.filmstripHeight + 3

        Canvas {
            id: head
            width: 8
            height: 5
            onPaint: {
                const context = getContext("2d");
                context.reset();
                context.fillStyle = "white";
                context.beginPath();
                context.moveTo(0, 0);
                context.lineTo(width, 0);
                context.lineTo(width / 2, height);
                context.closePath();
                context.fill();
            }
        }
        Rectangle {
            x: (parent.width - width) / 2
            y: head.height
            width: 2
            height: root.filmstripHeight + 3
            color: "white"
        }
    }

    Item {
        id: labels
        y: strip.y + strip.height + 8
        width: root.width
        implicitHeight: inLabel.implicitHeight
        height: implicitHeight

        TrimLabel {
            id: inLabel
            objectName: "inLabel"
            text: root.session ? root.session.inLabelText : ""
        }
        TrimLabel {
            objectName: "durationLabel"
            anchors.horizontalCenter: parent.horizontalCenter
            text: root.session ? root.session.durationLabelText : ""
        }
        TrimLabel {
            objectName: "outLabel"
            anchors.right: parent.right
            text: root.session ? root.session.outLabelText : ""
        }
    }

    component TrimLabel: Text {
        font.family: "DejaVu Sans Mono"
        font.pixelSize: 11
        color: EditorStyle.secondaryText
    }

    // One end of the kept range. The drag starts after 10 pixels, so a click
    // on a handle moves nothing; it keeps the point where the pointer took it.
    component TrimHandle: Rectangle {
        id: handle

        required property Item view
        // x of the handle's trim point in the view.
        required property real pointX

        signal dragged(real x)

        radius: 3
        color: EditorStyle.accent

        Rectangle {
            anchors.centerIn: parent
            width: 2
            height: 20
            radius: 1
            color: "white"
        }

        MouseArea {
            property point pressedAt
            property real grabOffset
            property bool dragging: false

            anchors.fill: parent
            cursorShape: Qt.SizeHorCursor
            preventStealing: true
            onPressed: mouse => {
                handle.view.forceActiveFocus();
                pressedAt = mapToItem(handle.view, mouse.x, mouse.y);
                grabOffset = handle.pointX - pressedAt.x;
                dragging = false;
            }
            onPositionChanged: mouse => {
                const at = mapToItem(handle.view, mouse.x, mouse.y);
                if (!dragging && Math.hypot(at.x - pressedAt.x, at.y - pressedAt.y) < 10)
                    return;
                dragging = true;
                handle.dragged(at.x + grabOffset);
            }
            onReleased: dragging = false
            onCanceled: dragging = false
        }
    }
}
