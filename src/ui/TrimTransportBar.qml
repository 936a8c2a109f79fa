import QtQuick
import QtQuick.Controls
import Kestrune.Views

// The transport of trim mode: a frame back, play or pause the kept range, a
// frame forward, and the trim playhead as a timecode.
Item {
    id: root

    // The PlaybackManager.
    property var playback
    // The kept range the play button plays.
    property real trimIn
    property real trimOut

    readonly property bool isPlaying: playback ? playback.isPlaying : false

    implicitWidth: row.implicitWidth
    implicitHeight: 40

    // None of the buttons takes the keyboard: the keys belong to the trim column.
    Row {
        id: row
        anchors.centerIn: parent
        spacing: 8

        ToolButton {
            objectName: "stepBackButton"
            anchors.verticalCenter: parent.verticalCenter
            width: 28
            height: 28
            padding: 0
            focusPolicy: Qt.NoFocus
            contentItem: Icon {
                name: "backward.frame.fill"
                size: 13
            }
            onClicked: root.playback.stepFrame(false)
        }
        ToolButton {
            objectName: "playPauseButton"
            anchors.verticalCenter: parent.verticalCenter
            width: 32
            height: 32
            padding: 0
            focusPolicy: Qt.NoFocus
            contentItem: Icon {
                name: root.isPlaying ? "pause.fill" : "play.fill"
                size: 16
            }
            onClicked: root.isPlaying ? root.playback.pauseTrim()
                                      : root.playback.playTrimRange(root.trimIn, root.trimOut)
        }
        ToolButton {
            objectName: "stepForwardButton"
            anchors.verticalCenter: parent.verticalCenter
            width: 28
            height: 28
            padding: 0
            focusPolicy: Qt.NoFocus
            contentItem: Icon {
                name: "forward.frame.fill"
                size: 13
            }
            onClicked: root.playback.stepFrame(true)
        }
        Text {
            objectName: "timecodeText"
            anchors.verticalCenter: parent.verticalCenter
            leftPadding: 8
            text: TimeText.formatTimecode(root.playback ? root.playback.trimClipCurrentTime : 0, root.playback ? root.playback.trimClipFrameRate : 0)
            font.family: "DejaVu Sans Mono"
            font.pixelSize: 13
            color: EditorStyle.secondaryText
        }
    }
}
