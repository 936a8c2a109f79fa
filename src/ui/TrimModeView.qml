import QtQuick
import QtQuick.Layouts
import Kestrune.Views

// The work area while one clip is trimmed: the clip's own player above its trim
// view and transport, and the clip's panel on the right. The trim keys act while
// the trim column has the keyboard. Made when trimming starts; `finished` asks
// the window to leave trim mode once the points are written and the trim player
// is stopped.
FocusScope {
    id: root

    // The ProjectViewModel and the PlaybackManager; the id of the clip to trim.
    property var projectVM
    property var playback
    property string clipId
    // Shows the trim player's picture; made inside the player area, which is
    // filled with `videoAreaBackground` behind it.
    property Component playerDelegate
    property color videoAreaBackground: "black"

    readonly property TrimSession session: trimSession
    // The trim column has the keyboard, so the trim keys act.
    readonly property bool isVideoAreaFocused: column.activeFocus

    signal finished

    // Writes the points, refreshes the clip's thumbnail, stops the trim player.
    function finish() {
        trimSession.finish();
        root.finished();
    }

    function focusTrimColumn() {
        column.forceActiveFocus();
    }

    TrimSession {
        id: trimSession
        projectVM: root.projectVM
        playback: root.playback
        clipId: root.clipId
        onClipChanged: {
            if (trimSession.isActive)
                root.focusTrimColumn();
        }
    }

    RowLayout {
        anchors.fill: parent
        spacing: 0

        FocusScope {
            id: column
            objectName: "trimColumn"
            Layout.fillWidth: true
            Layout.fillHeight: true
            focus: true

            Keys.onPressed: event => {
                if (event.modifiers & (Qt.ControlModifier | Qt.AltModifier | Qt.MetaModifier))
                    return;
                switch (event.key) {
                case Qt.Key_Space:
                    // Holding the bar must not flip between playing and pausing.
                    if (!event.isAutoRepeat)
                        trimSession.togglePlayback();
                    break;
                case Qt.Key_Left:
                    root.playback.stepFrame(false);
                    break;
                case Qt.Key_Right:
                    root.playback.stepFrame(true);
                    break;
                case Qt.Key_I:
                    trimSession.setInToPlayhead();
                    break;
                case Qt.Key_O:
                    trimSession.setOutToPlayhead();
                    break;
                case Qt.Key_Escape:
                case Qt.Key_Return:
                case Qt.Key_Enter:
                    if (!event.isAutoRepeat)
                        root.finish();
                    break;
                default:
                    return;
                }
                event.accepted = true;
            }

            ColumnLayout {
                anchors.fill: parent
                spacing: 0

                Rectangle {
                    objectName: "playerArea"
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    color: root.videoAreaBackground
                    clip: true

                    Loader {
                        anchors.fill: parent
                        sourceComponent: root.playerDelegate
                    }
                    TapHandler {
                        onTapped: root.focusTrimColumn()
                    }
                }

                Rectangle {
                    Layout.fillWidth: true
                    Layout.preferredHeight: 1
                    color: EditorStyle.hairline
                }

                TrimView {
                    objectName: "trimView"
                    Layout.fillWidth: true
                    Layout.leftMargin: 16
                    Layout.rightMargin: 16
                    Layout.topMargin: 12
                    Layout.preferredHeight: implicitHeight
                    session: trimSession
                    playback: root.playback
                }

                TrimTransportBar {
                    objectName: "trimTransport"
                    Layout.fillWidth: true
                    Layout.bottomMargin: 4
                    Layout.preferredHeight: implicitHeight
                    playback: root.playback
                    trimIn: trimSession.trimIn
                    trimOut: trimSession.trimOut
                }
            }
        }

        Rectangle {
            Layout.fillHeight: true
            Layout.preferredWidth: 1
            color: "#0b0b0c"
        }

        ClipInfoPanelView {
            objectName: "clipInfoPanel"
            Layout.preferredWidth: 280
            Layout.fillHeight: true
            session: trimSession
            onReset: trimSession.reset()
            onDone: root.finish()
        }
    }
}
