import QtQuick
import Kestrune.Views

// The joined timeline as the export will frame it: the output frame scaled to
// fit, with the video area, the player inset in it and outlined in dashes, and
// the chapter sidebar over its trailing edge or beside it.
Item {
    id: root

    // The ProjectViewModel and the PlaybackManager.
    property var projectVM
    property var playback

    readonly property var theme: projectVM ? projectVM.themeColors : ({})
    readonly property bool sidebarOverlay: projectVM ? projectVM.sidebarOverlay : true
    readonly property alias activeIndex: activeSection.index

    clip: true

    PreviewLayout {
        id: layout
        width: root.width
        height: root.height
        projectVM: root.projectVM
    }

    ActiveSection {
        id: activeSection
        sections: root.projectVM ? root.projectVM.sections : null
        time: root.playback ? root.playback.currentTime : 0
    }

    // The output frame, letterboxed in the window's background.
    Item {
        objectName: "outputFrame"
        x: layout.frameRect.x
        y: layout.frameRect.y
        width: layout.frameRect.width
        height: layout.frameRect.height

        Rectangle {
            id: videoArea
            objectName: "videoArea"
            x: layout.videoAreaRect.x - layout.frameRect.x
            y: layout.videoAreaRect.y - layout.frameRect.y
            width: layout.videoAreaRect.width
            height: layout.videoAreaRect.height
            color: root.theme.videoAreaBackground ?? "black"

            VideoPlayerView {
                objectName: "playerView"
                x: layout.playerRect.x - layout.videoAreaRect.x
                y: layout.playerRect.y - layout.videoAreaRect.y
                width: layout.playerRect.width
                height: layout.playerRect.height
                player: root.playback ? root.playback.player : null
                backgroundColor: videoArea.color
            }

            // Beside the sidebar the export frames the picture's area too.
            Rectangle {
                objectName: "videoBorder"
                visible: !root.sidebarOverlay
                x: layout.playerRect.x - layout.videoAreaRect.x
                y: layout.playerRect.y - layout.videoAreaRect.y
                width: layout.playerRect.width
                height: layout.playerRect.height
                color: "transparent"
                border.width: 1
                border.color: root.theme.videoBorderColor ?? "gray"
            }

            DashedFrame {
                objectName: "frameDashes"
                anchors.fill: parent
                color: root.theme.frameDashColor ?? "gray"
                lineWidth: 1
                dashLength: 4
                gapLength: 4
            }
        }

        SidebarPreviewView {
            objectName: "sidebarPreview"
            x: layout.sidebarRect.x - layout.frameRect.x
            y: layout.sidebarRect.y - layout.frameRect.y
            width: layout.sidebarRect.width
            height: layout.sidebarRect.height
            sections: root.projectVM ? root.projectVM.sections : null
            activeIndex: activeSection.index
            theme: root.theme
        }
    }
}
