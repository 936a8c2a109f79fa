import QtQuick
import QtQuick.Controls
import Kestrune.Views

// One stored project in the library: its first clip's picture, its name (or the
// field that renames it in place), how many clips it has, how long it plays and
// when it last changed. A click opens it; the right button asks for its menu.
Item {
    id: card

    property string projectId
    property string projectName
    property string clipCountText
    property string lengthText
    property string dateText
    // The library's `thumbnail` role: a QImage, null while there is none.
    property var thumbnail
    // Clips whose file cannot be found: the card shows a warning mark.
    property int missingClipCount: 0

    readonly property bool isHovered: hover.hovered
    // The name is being edited in place.
    property bool isRenaming: false

    signal openRequested
    signal menuRequested(real x, real y)
    // The typed name as it stands; the library trims it and ignores an empty one.
    signal renameCommitted(string typedName)

    function beginRename() {
        renameField.text = projectName;
        isRenaming = true;
        // A closing menu hands the keyboard back to where it was; take it after that.
        Qt.callLater(() => {
                if (!isRenaming)
                    return;
                renameField.forceActiveFocus();
                renameField.selectAll();
            });
    }

    function commitRename() {
        if (!isRenaming)
            return;
        endRename();
        renameCommitted(renameField.text);
    }

    function cancelRename() {
        endRename();
    }

    // The keyboard stays in the library, where Escape closes it.
    function endRename() {
        isRenaming = false;
        card.forceActiveFocus();
    }

    objectName: "projectCard"
    implicitHeight: 190

    HoverHandler {
        id: hover
    }

    Rectangle {
        anchors.fill: parent
        radius: 8
        color: Qt.rgba(1, 1, 1, card.isHovered ? 0.08 : 0.04)
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, card.isHovered ? 0.2 : 0.1)
    }

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.LeftButton | Qt.RightButton
        cursorShape: Qt.PointingHandCursor
        onClicked: mouse => {
            if (mouse.button === Qt.RightButton)
                card.menuRequested(mouse.x, mouse.y);
            else
                card.openRequested();
        }
    }

    Column {
        anchors.fill: parent

        Item {
            width: parent.width
            height: 120

            Rectangle {
                anchors.fill: parent
                radius: 6
                color: EditorStyle.placeholderFill
            }
            RoundedImage {
                id: picture
                objectName: "projectCardPicture"
                anchors.fill: parent
                radius: 6
                image: card.thumbnail
            }
            Icon {
                anchors.centerIn: parent
                visible: !picture.hasImage
                name: "film"
                size: 32
                color: EditorStyle.secondaryText
            }
        }

        Column {
            width: parent.width
            padding: 8
            spacing: 4

            Item {
                width: parent.width - 16
                height: 18

                Label {
                    objectName: "projectCardName"
                    anchors.fill: parent
                    visible: !card.isRenaming
                    text: card.projectName
                    // The end of a long name often tells projects apart ("… part 2").
                    elide: Text.ElideMiddle
                    verticalAlignment: Text.AlignVCenter
                    font.pixelSize: 13
                    font.weight: Font.DemiBold
                    color: EditorStyle.primaryText
                }
                TextField {
                    id: renameField
                    objectName: "projectRenameField"
                    anchors.fill: parent
                    visible: card.isRenaming
                    padding: 0
                    placeholderText: qsTr("Project name")
                    placeholderTextColor: EditorStyle.tertiaryText
                    font.pixelSize: 13
                    font.weight: Font.DemiBold
                    color: EditorStyle.primaryText
                    selectionColor: EditorStyle.accent
                    selectedTextColor: "white"
                    background: Item {}

                    Keys.onReturnPressed: card.commitRename()
                    Keys.onEnterPressed: card.commitRename()
                    // Escape ends the rename only; the library stays open.
                    Keys.onShortcutOverride: event => event.accepted = event.key === Qt.Key_Escape
                    Keys.onEscapePressed: card.cancelRename()
                }
            }

            Row {
                height: 14
                spacing: 8

                Icon {
                    objectName: "projectCardMissingMark"
                    anchors.verticalCenter: parent.verticalCenter
                    visible: card.missingClipCount > 0
                    name: "exclamationmark.triangle.fill"
                    size: 11
                    color: "#ff9f0a"
                }
                Row {
                    anchors.verticalCenter: parent.verticalCenter
                    visible: card.clipCountText !== ""
                    spacing: 3

                    Icon {
                        anchors.verticalCenter: parent.verticalCenter
                        name: "film"
                        size: 11
                        color: EditorStyle.secondaryText
                    }
                    Label {
                        objectName: "projectCardClipCount"
                        anchors.verticalCenter: parent.verticalCenter
                        text: card.clipCountText
                        font.pixelSize: 11
                        color: EditorStyle.secondaryText
                    }
                }
                Label {
                    objectName: "projectCardLength"
                    anchors.verticalCenter: parent.verticalCenter
                    visible: card.lengthText !== ""
                    text: card.lengthText
                    font.pixelSize: 11
                    color: EditorStyle.secondaryText
                }
            }

            Label {
                objectName: "projectCardDate"
                width: parent.width - 16
                height: 14
                verticalAlignment: Text.AlignVCenter
                elide: Text.ElideRight
                text: card.dateText
                font.pixelSize: 11
                color: EditorStyle.secondaryText
            }
        }
    }
}
