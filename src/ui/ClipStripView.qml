import QtQuick
import Kestrune.Views

// The band of clip cards under the preview, in playback order, with the add
// button last. Dragging a card over another moves it there at once.
Item {
    id: strip

    // The ProjectViewModel of the open project.
    property var projectVM
    // The clip whose card is being dragged, empty when none. A drag that ends
    // outside every card leaves it set until the next drop on a card.
    property string draggingClipId

    signal trimClip(string clipId)

    implicitHeight: 100

    Flickable {
        id: scroller
        anchors.fill: parent
        contentWidth: row.width + 32
        contentHeight: height
        flickableDirection: Flickable.HorizontalFlick
        boundsBehavior: Flickable.StopAtBounds
        clip: true

        Row {
            id: row
            x: 16
            anchors.verticalCenter: parent.verticalCenter
            spacing: 12

            move: Transition {
                NumberAnimation {
                    property: "x"
                    duration: 200
                    easing.type: Easing.InOutQuad
                }
            }

            Repeater {
                model: strip.projectVM ? strip.projectVM.clips : null

                delegate: Item {
                    id: slot

                    required property string clipId
                    required property string fileName
                    required property real effectiveDuration
                    required property bool isTrimmed
                    required property var thumbnail
                    required property bool located
                    required property string lastKnownPath
                    required property real proxyProgress
                    required property bool usesProxy

                    objectName: "clipSlot"
                    width: card.implicitWidth
                    height: card.implicitHeight

                    ClipThumbnailView {
                        id: card
                        objectName: "clipCard"
                        width: implicitWidth
                        height: implicitHeight
                        clipId: slot.clipId
                        fileName: slot.fileName
                        effectiveDuration: slot.effectiveDuration
                        isTrimmed: slot.isTrimmed
                        thumbnail: slot.thumbnail
                        missing: !slot.located
                        lastKnownPath: slot.lastKnownPath
                        proxyProgress: slot.proxyProgress
                        usesProxy: slot.usesProxy
                        isTrimmingThis: strip.projectVM.trimmingClipId === slot.clipId
                        draggable: true
                        opacity: strip.draggingClipId === slot.clipId ? 0.4 : 1
                        onTrimTapped: strip.trimClip(slot.clipId)
                        onDeleteTapped: strip.projectVM.removeClip(slot.clipId)
                        // A drag let go where no card is ends here too, so the card
                        // does not stay faded.
                        onDragActiveChanged: {
                            if (dragActive)
                                strip.draggingClipId = slot.clipId;
                            else if (strip.draggingClipId === slot.clipId)
                                strip.draggingClipId = "";
                        }

                        // While dragged the card floats above the strip; its slot
                        // stays in the row and travels with the moves.
                        states: State {
                            when: card.dragActive
                            ParentChange {
                                target: card
                                parent: dragLayer
                            }
                        }
                    }

                    DropArea {
                        anchors.fill: parent
                        keys: ["text/plain"]
                        onEntered: drag => {
                            drag.accept(Qt.MoveAction);
                            ClipStripRules.moveOnDragEnter(strip.projectVM, strip.draggingClipId,
                                                           slot.clipId);
                        }
                        onPositionChanged: drag => drag.accept(Qt.MoveAction)
                        onDropped: drop => {
                            strip.draggingClipId = "";
                            drop.accept(Qt.MoveAction);
                        }
                    }
                }
            }

            AddClipButton {
                objectName: "addClipButton"
                onClicked: {
                    if (strip.projectVM)
                        strip.projectVM.showFileImporter = true;
                }
            }
        }
    }

    Item {
        id: dragLayer
        anchors.fill: parent
    }
}
