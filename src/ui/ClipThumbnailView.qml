import QtQuick
import QtQuick.Controls
import Kestrune.Views

// One card of the clip strip: the clip's picture, its file name and the length
// it plays for, with delete and trim buttons while the pointer is over it. A
// clip whose file cannot be found is dimmed and marked "Missing", and tells
// where its file was. While a light copy of a heavy clip is made for the preview
// the card shows how far it got, and a small mark once the preview plays it.
Item {
    id: root

    property string clipId
    property string fileName
    // Seconds the clip plays for; a negative length shows as 00:00.
    property real effectiveDuration
    property bool isTrimmed
    // The thumbnail QImage of the clip list's `thumbnail` role; none shows a plain area.
    property var thumbnail
    property bool isTrimmingThis
    // The clip's file cannot be found; `lastKnownPath` is where it was.
    property bool missing: false
    property string lastKnownPath
    // 0 … 1 while the clip's preview copy is being made, negative otherwise.
    property real proxyProgress: -1
    // The preview plays the clip's light copy.
    property bool usesProxy: false
    // Lets the pointer drag the card itself, for the strip's reordering.
    property bool draggable: false

    readonly property bool isHovering: hover.hovered
    readonly property bool dragActive: pointer.drag.active

    signal trimTapped
    signal deleteTapped

    implicitWidth: 100
    implicitHeight: content.implicitHeight

    // What the strip's drop areas see; the payload only names the clip.
    Drag.active: dragActive
    Drag.keys: ["text/plain"]
    Drag.mimeData: ({
            "text/plain": root.clipId
        })
    Drag.supportedActions: Qt.MoveAction
    Drag.proposedAction: Qt.MoveAction
    Drag.hotSpot.x: width / 2
    Drag.hotSpot.y: height / 2

    HoverHandler {
        id: hover
    }

    ToolTip.visible: root.missing && root.isHovering && !root.dragActive
    ToolTip.delay: 500
    ToolTip.text: root.lastKnownPath !== "" ? qsTr("Last seen at %1").arg(root.lastKnownPath)
                                            : qsTr("The clip's file is not known")

    Rectangle {
        anchors.fill: parent
        radius: 8
        color: EditorStyle.cardFill
    }

    MouseArea {
        id: pointer
        anchors.fill: parent
        drag.target: root.draggable ? root : null
        // The strip scrolls sideways too; a drag on a card belongs to the card.
        preventStealing: true
        onDoubleClicked: root.trimTapped()
        onReleased: {
            if (drag.active)
                root.Drag.drop();
        }
    }

    Column {
        id: content
        width: parent.width

        Item {
            width: 100
            height: 56

            Rectangle {
                objectName: "placeholder"
                anchors.fill: parent
                radius: 8
                color: EditorStyle.placeholderFill
                visible: !picture.hasImage
            }
            RoundedImage {
                id: picture
                objectName: "picture"
                anchors.fill: parent
                radius: 8
                image: root.thumbnail
                opacity: root.missing ? 0.35 : 1
            }

            Rectangle {
                objectName: "missingBadge"
                visible: root.missing
                anchors.top: parent.top
                anchors.left: parent.left
                anchors.margins: 4
                width: missingRow.implicitWidth + 8
                height: missingRow.implicitHeight + 4
                radius: 3
                color: Qt.rgba(0.85, 0.3, 0.2, 0.9)

                Row {
                    id: missingRow
                    anchors.centerIn: parent
                    spacing: 2

                    Icon {
                        anchors.verticalCenter: parent.verticalCenter
                        name: "exclamationmark.triangle.fill"
                        size: 9
                        color: "white"
                    }
                    Text {
                        text: qsTr("Missing")
                        font.pixelSize: 9
                        font.weight: Font.DemiBold
                        color: "white"
                    }
                }
            }

            CardIconButton {
                objectName: "deleteButton"
                iconName: "xmark"
                anchors.top: parent.top
                anchors.right: parent.right
                anchors.margins: 4
                opacity: root.isHovering ? 1 : 0
                visible: opacity > 0
                onClicked: root.deleteTapped()
                Behavior on opacity {
                    NumberAnimation {
                        duration: EditorStyle.hoverFadeMs
                        easing.type: Easing.InOutQuad
                    }
                }
            }
            CardIconButton {
                objectName: "trimButton"
                iconName: "scissors"
                anchors.bottom: parent.bottom
                anchors.left: parent.left
                anchors.margins: 4
                opacity: root.isHovering ? 1 : 0
                visible: opacity > 0
                onClicked: root.trimTapped()
                Behavior on opacity {
                    NumberAnimation {
                        duration: EditorStyle.hoverFadeMs
                        easing.type: Easing.InOutQuad
                    }
                }
            }

            Rectangle {
                objectName: "proxyProgress"
                visible: root.proxyProgress >= 0 && !root.missing
                // Top left, clear of the delete button that hovering shows.
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.top
                anchors.margins: 4
                anchors.rightMargin: 26
                height: proxyLabel.implicitHeight + 8
                radius: 3
                color: Qt.rgba(0, 0, 0, 0.6)

                Text {
                    id: proxyLabel
                    anchors.horizontalCenter: parent.horizontalCenter
                    anchors.top: parent.top
                    anchors.topMargin: 2
                    text: qsTr("Preparing %1%").arg(Math.floor(Math.max(0, Math.min(1, root.proxyProgress)) * 100))
                    font.pixelSize: 8
                    color: "white"
                }
                Rectangle {
                    anchors.left: parent.left
                    anchors.bottom: parent.bottom
                    anchors.margins: 2
                    height: 2
                    radius: 1
                    width: (parent.width - 4) * Math.max(0, Math.min(1, root.proxyProgress))
                    color: EditorStyle.accent
                }
            }

            Rectangle {
                objectName: "proxyBadge"
                visible: root.usesProxy && !root.missing && !root.isHovering
                anchors.bottom: parent.bottom
                anchors.right: parent.right
                anchors.margins: 4
                width: proxyBadgeText.implicitWidth + 6
                height: proxyBadgeText.implicitHeight + 2
                radius: 3
                color: Qt.rgba(0, 0, 0, 0.6)

                Text {
                    id: proxyBadgeText
                    anchors.centerIn: parent
                    // The preview plays a lighter copy; the export reads the clip itself.
                    text: qsTr("Proxy")
                    font.pixelSize: 8
                    font.weight: Font.DemiBold
                    color: "white"
                }
            }

            Rectangle {
                objectName: "trimmedBadge"
                anchors.bottom: parent.bottom
                anchors.left: parent.left
                anchors.margins: 4
                width: badgeIcon.implicitWidth + 6
                height: badgeIcon.implicitHeight + 6
                radius: 3
                color: Qt.rgba(EditorStyle.accent.r, EditorStyle.accent.g, EditorStyle.accent.b, 0.7)
                opacity: root.isTrimmed && !root.isHovering ? 1 : 0
                visible: opacity > 0
                Behavior on opacity {
                    NumberAnimation {
                        duration: EditorStyle.hoverFadeMs
                        easing.type: Easing.InOutQuad
                    }
                }

                Icon {
                    id: badgeIcon
                    anchors.centerIn: parent
                    name: "scissors"
                    size: 8
                    color: Qt.rgba(1, 1, 1, 0.8)
                }
            }
        }

        Column {
            width: 100
            leftPadding: 6
            rightPadding: 6
            topPadding: 4
            bottomPadding: 4
            spacing: 2

            Text {
                objectName: "fileNameText"
                width: parent.width - parent.leftPadding - parent.rightPadding
                text: root.fileName
                elide: Text.ElideMiddle
                maximumLineCount: 1
                font.pixelSize: 11
                color: EditorStyle.primaryText
            }
            Text {
                objectName: "lengthText"
                // The interface font's digits are all one width, so lengths line up.
                text: TimeText.formatLength(root.effectiveDuration)
                font.pixelSize: 11
                color: EditorStyle.secondaryText
            }
        }
    }

    Rectangle {
        objectName: "border"
        anchors.fill: parent
        radius: 8
        color: "transparent"
        border.width: root.isTrimmingThis ? 2 : 1
        border.color: root.isTrimmingThis ? EditorStyle.accent : EditorStyle.hairline
    }
}
