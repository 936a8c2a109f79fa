import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kestrune.Views

// The transport under the preview: play and pause, the playhead over the
// joined timeline, and the time played of the whole length.
Item {
    id: root

    // The PlaybackManager.
    property var playback

    readonly property bool isPlaying: playback ? playback.isPlaying : false
    readonly property real currentTime: playback ? playback.currentTime : 0
    readonly property real endTime: {
        const boundaries = playback ? playback.clipBoundaries : [];
        return boundaries.length > 0 ? boundaries[boundaries.length - 1] : 0;
    }

    implicitHeight: 48

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 12
        anchors.rightMargin: 16
        spacing: 10

        // None of the controls takes the keyboard: Space and the arrows belong
        // to the video column around them.
        ToolButton {
            objectName: "playPauseButton"
            Layout.preferredWidth: 32
            Layout.preferredHeight: 32
            padding: 0
            focusPolicy: Qt.NoFocus
            contentItem: Icon {
                name: root.isPlaying ? "pause.fill" : "play.fill"
                size: 22
            }
            onClicked: root.isPlaying ? root.playback.pause() : root.playback.play()
        }

        Slider {
            objectName: "timelineSlider"
            Layout.fillWidth: true
            focusPolicy: Qt.NoFocus
            from: 0
            to: Math.max(root.endTime, 0.01)
            value: root.currentTime
            onMoved: root.playback.seek(value)
        }

        Label {
            objectName: "timeText"
            Layout.minimumWidth: 100
            horizontalAlignment: Text.AlignRight
            text: TimeText.formatTime(root.currentTime) + " / " + TimeText.formatTime(root.endTime)
            // Digits of equal width keep the text still while the time runs.
            font.family: "DejaVu Sans Mono"
            font.pixelSize: 12
            color: EditorStyle.secondaryText
        }
    }
}
