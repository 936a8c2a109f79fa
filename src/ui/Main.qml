import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kestrune.Views

// The editor window: the header, the work area (the preview with its controls
// and the sections panel, or the clip being trimmed) and the clip strip; the
// File and Edit menus, the project library, the file panel and the alert over it.
ApplicationWindow {
    id: window

    // The application shell (KestruneApp).
    property QtObject app

    readonly property var projectVM: app ? app.projectVM : null
    readonly property var playback: app ? app.playbackManager : null
    readonly property var coordinator: app ? app.appCoordinator : null
    readonly property bool hasClips: projectVM ? projectVM.clipCount > 0 : false
    // Trim mode lasts while the clip named by trimmingClipId is in the project.
    readonly property bool isTrimming: trimmingClip.exists
    // Space and the arrows act only while the work area's video column has the keyboard.
    readonly property bool isVideoAreaFocused: videoColumn.activeFocus
    // A text field being edited keeps Ctrl+Z and its kin for its own text.
    readonly property bool isEditingText: activeFocusItem instanceof TextInput
                                          || activeFocusItem instanceof TextEdit
    readonly property bool canUndo: projectVM !== null && projectVM.canUndo && !isEditingText
    readonly property bool canRedo: projectVM !== null && projectVM.canRedo && !isEditingText

    objectName: "editorWindow"
    title: projectVM && projectVM.name !== "" ? qsTr("Kestrune — %1").arg(projectVM.name) : "Kestrune"
    width: 1280
    height: 800
    minimumWidth: 1024
    minimumHeight: 640
    visible: true
    color: "#1e1e1e"

    // Dark whatever the desktop's scheme: every control, menu, dialog and tooltip
    // takes its colours from here.
    palette {
        window: "#1e1e1e"
        windowText: "#ececec"
        base: "#141415"
        alternateBase: "#262628"
        text: "#ececec"
        placeholderText: Qt.rgba(0.92, 0.92, 0.96, 0.35)
        button: "#353537"
        buttonText: "#ececec"
        brightText: "#ffffff"
        light: "#4a4a4d"
        midlight: "#3c3c3f"
        mid: "#2a2a2c"
        dark: "#101011"
        shadow: "#000000"
        highlight: "#0a84ff"
        highlightedText: "#ffffff"
        link: "#4aa3ff"
        linkVisited: "#b48cff"
        toolTipBase: "#2c2c2e"
        toolTipText: "#ececec"
        disabled.windowText: "#6e6e73"
        disabled.text: "#6e6e73"
        disabled.buttonText: "#6e6e73"
        disabled.button: "#2a2a2c"
    }

    // Gives the keyboard to the video column, so that Space and the arrows drive
    // the preview.
    function focusVideoArea() {
        videoColumn.forceActiveFocus();
    }

    // Space and the arrows go back to whichever view drives the video.
    function returnKeys() {
        if (isTrimming && trimLayout.item)
            trimLayout.item.focusTrimColumn();
        else if (!isTrimming)
            focusVideoArea();
    }

    // A click anywhere but a text field gives the keys back to the video.
    KeyFocusKeeper {
        view: window
        onKeysReturned: window.returnKeys()
    }

    // The clip strip's trim request: only a clip whose file is located can be
    // trimmed.
    function enterTrimMode(clipId) {
        trimCandidate.clipId = clipId;
        if (!trimCandidate.exists || trimCandidate.filePath === "")
            return;
        projectVM.trimmingClipId = clipId;
    }

    menuBar: MenuBar {
        ShortcutMenu {
            title: qsTr("&File")

            Action {
                objectName: "newProjectAction"
                text: qsTr("New Project")
                shortcut: "Ctrl+N"
                onTriggered: window.app.newProjectFromMenu()
            }
            MenuSeparator {}
            Action {
                objectName: "libraryAction"
                text: window.coordinator && window.coordinator.showProjectLibrary
                      ? qsTr("Hide Project Library") : qsTr("Show Project Library")
                shortcut: "Ctrl+Shift+L"
                onTriggered: window.app.toggleLibraryFromMenu()
            }
            MenuSeparator {}
            Action {
                objectName: "quitAction"
                text: qsTr("Quit")
                shortcut: StandardKey.Quit
                onTriggered: window.close()
            }
        }
        ShortcutMenu {
            title: qsTr("&Edit")

            Action {
                objectName: "undoAction"
                text: window.projectVM ? window.projectVM.undoText : qsTr("Undo")
                shortcut: "Ctrl+Z"
                enabled: window.canUndo
                onTriggered: window.projectVM.undo()
            }
            Action {
                objectName: "redoAction"
                text: window.projectVM ? window.projectVM.redoText : qsTr("Redo")
                shortcut: "Ctrl+Shift+Z"
                enabled: window.canRedo
                onTriggered: window.projectVM.redo()
            }
        }
    }

    // Redo's second key, as other editors have it.
    Shortcut {
        sequences: ["Ctrl+Y"]
        enabled: window.canRedo
        onActivated: window.projectVM.redo()
    }

    ClipInfo {
        id: trimmingClip
        projectVM: window.projectVM
        clipId: window.projectVM ? window.projectVM.trimmingClipId : ""
    }

    ClipInfo {
        id: trimCandidate
        projectVM: window.projectVM
    }

    // A clip added, removed or moved hands the keyboard to the preview.
    Connections {
        target: window.projectVM ? window.projectVM.clips : null
        function onRowsInserted() {
            window.clipListChanged();
        }
        function onRowsRemoved() {
            window.clipListChanged();
        }
        function onRowsMoved() {
            window.clipListChanged();
        }
        function onModelReset() {
            window.clipListChanged();
        }
    }

    function clipListChanged() {
        if (hasClips && !isTrimming)
            focusVideoArea();
    }

    // Files dropped anywhere on the window join the project once it has clips
    // (before that the drop zone takes them). Underneath everything, so the clip
    // strip's own card drags reach their places first.
    DropArea {
        objectName: "windowDropArea"
        anchors.fill: parent
        enabled: window.hasClips && !window.isTrimming
        keys: ["text/uri-list"]
        onEntered: drag => drag.accept(Qt.CopyAction)
        onDropped: drop => {
            drop.accept(Qt.CopyAction);
            window.projectVM.importVideoUrls(drop.urls);
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        EditorHeader {
            objectName: "editorHeader"
            Layout.fillWidth: true
            app: window.app
            projectVM: window.projectVM
            trimmingFileName: window.isTrimming ? trimmingClip.fileName : ""
        }

        HairlineDivider {
            Layout.fillWidth: true
        }

        // The work area: the editing layout, or while a clip is trimmed the trim layout.
        StackLayout {
            id: workArea
            objectName: "workArea"
            Layout.fillWidth: true
            Layout.fillHeight: true
            currentIndex: window.isTrimming ? 1 : 0

            RowLayout {
                id: editingLayout
                objectName: "editingLayout"
                spacing: 0

                FocusScope {
                    id: videoColumn
                    objectName: "videoColumn"
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    activeFocusOnTab: true

                    Keys.onPressed: event => {
                        if (!window.playback)
                            return;
                        switch (event.key) {
                        case Qt.Key_Space:
                            if (window.playback.isPlaying)
                                window.playback.pause();
                            else
                                window.playback.play();
                            break;
                        case Qt.Key_Left:
                            window.playback.seek(window.playback.currentTime - 5);
                            break;
                        case Qt.Key_Right:
                            window.playback.seek(window.playback.currentTime + 5);
                            break;
                        default:
                            return;
                        }
                        event.accepted = true;
                    }

                    TapHandler {
                        onTapped: window.focusVideoArea()
                    }

                    DropZoneView {
                        objectName: "dropZone"
                        anchors.fill: parent
                        visible: !window.hasClips
                        projectVM: window.projectVM
                    }

                    ColumnLayout {
                        anchors.fill: parent
                        visible: window.hasClips
                        spacing: 0

                        PreviewContainerView {
                            objectName: "previewContainer"
                            Layout.fillWidth: true
                            Layout.fillHeight: true
                            projectVM: window.projectVM
                            playback: window.playback
                        }
                        PlaybackControlsView {
                            objectName: "playbackControls"
                            Layout.fillWidth: true
                            playback: window.playback
                        }
                    }
                }

                HairlineDivider {
                    Layout.fillHeight: true
                }

                SectionsPanelView {
                    id: sectionsColumn
                    objectName: "sectionsColumn"
                    Layout.preferredWidth: 280
                    Layout.fillHeight: true
                    projectVM: window.projectVM
                    playback: window.playback
                }
            }

            // The trim layout: the trimmed clip's own player above its filmstrip,
            // and the clip's panel.
            Loader {
                id: trimLayout
                objectName: "trimLayout"
                active: window.isTrimming
                focus: true
                sourceComponent: TrimModeView {
                    projectVM: window.projectVM
                    playback: window.playback
                    clipId: window.projectVM.trimmingClipId
                    videoAreaBackground: window.projectVM.themeColors.videoAreaBackground ?? "black"
                    playerDelegate: Component {
                        VideoPlayerView {
                            player: window.playback ? window.playback.trimPlayer : null
                            backgroundColor: window.projectVM.themeColors.videoAreaBackground ?? "black"
                        }
                    }
                    // The shell loads the joined timeline again once trimming ends.
                    onFinished: {
                        window.projectVM.trimmingClipId = "";
                        window.focusVideoArea();
                    }
                }
            }
        }

        HairlineDivider {
            Layout.fillWidth: true
        }

        MissingClipsBar {
            objectName: "missingClipsBar"
            Layout.fillWidth: true
            Layout.preferredHeight: implicitHeight
            projectVM: window.projectVM
        }

        ClipStripView {
            id: clipStrip
            objectName: "clipStrip"
            Layout.fillWidth: true
            Layout.preferredHeight: 100
            projectVM: window.projectVM
            onTrimClip: clipId => window.enterTrimMode(clipId)
        }
    }

    ImportErrorBanner {
        objectName: "importErrorBanner"
        parent: clipStrip
        anchors.centerIn: parent
        width: Math.min(implicitWidth, clipStrip.width - 32)
        z: 10
        visible: message !== "" && window.hasClips
        projectVM: window.projectVM
    }

    FilePanel {
        id: fileImporter
        objectName: "fileImporter"
        mode: FilePanel.OpenFiles
        title: qsTr("Add Videos")
        nameFilters: [qsTr("Movies (*.mp4 *.mov)"), qsTr("MPEG-4 movies (*.mp4)"), qsTr("QuickTime movies (*.mov)")]
        parentWindow: window
        onAccepted: files => {
            window.projectVM.importVideoUrls(files);
            window.projectVM.showFileImporter = false;
        }
        onRejected: window.projectVM.showFileImporter = false
    }

    Connections {
        target: window.projectVM
        function onShowFileImporterChanged() {
            if (window.projectVM.showFileImporter)
                fileImporter.open();
        }
    }

    ExportDialogView {
        projectVM: window.projectVM
        exportCoordinator: window.app ? window.app.exportCoordinator : null
        visible: window.projectVM ? window.projectVM.showExportDialog : false
        onDismissRequested: {
            if (window.projectVM)
                window.projectVM.showExportDialog = false;
        }
    }

    ProjectLibrarySheet {
        app: window.app
    }

    Dialog {
        id: exportBlockedAlert
        objectName: "exportBlockedAlert"
        anchors.centerIn: Overlay.overlay
        modal: true
        title: qsTr("Export in Progress")
        standardButtons: Dialog.Ok
        width: 400
        // The button row takes the window colour; the alert is a shade lighter.
        palette.window: "#2a2a2c"
        padding: 20
        topPadding: 8
        visible: window.coordinator ? window.coordinator.exportBlockedAlert : false

        Overlay.modal: Rectangle {
            color: Qt.rgba(0, 0, 0, 0.45)
        }
        background: Rectangle {
            radius: 10
            color: "#2a2a2c"
            border.width: 1
            border.color: Qt.rgba(1, 1, 1, 0.12)
        }
        header: Label {
            text: exportBlockedAlert.title
            padding: 20
            bottomPadding: 0
            font.pixelSize: 15
            font.weight: Font.DemiBold
        }
        onClosed: {
            if (window.coordinator)
                window.coordinator.exportBlockedAlert = false;
        }

        Label {
            width: parent.width
            wrapMode: Text.Wrap
            text: qsTr("Please finish exporting before switching projects.")
            color: EditorStyle.secondaryText
        }
    }
}
