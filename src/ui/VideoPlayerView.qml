import QtQuick
import QtMultimedia
import Kestrune.Views

// A player's current picture, fitted inside the view with bars in the
// background colour.
Rectangle {
    id: root

    // The TimelinePlayer to show; none shows only the background.
    property var player
    property alias backgroundColor: root.color

    color: "black"

    VideoOutput {
        id: output
        objectName: "videoOutput"
        anchors.fill: parent
        fillMode: VideoOutput.PreserveAspectFit
    }

    VideoFrameOutput {
        videoSink: output.videoSink
        player: root.player ?? null
        // Pictures larger than the view are converted at its size.
        displaySize: Qt.size(Math.ceil(output.width * Screen.devicePixelRatio),
                             Math.ceil(output.height * Screen.devicePixelRatio))
    }
}
