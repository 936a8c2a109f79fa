import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kestrune.Views

// The project library over the editor, shown while the coordinator says so.
// Closing it by any means (its button, Escape) tells the shell, which then
// finishes a New Project asked for meanwhile.
Popup {
    id: sheet

    // The application shell.
    property var app

    readonly property var coordinator: app ? app.appCoordinator : null
    property int storedProjects: 0

    objectName: "projectLibrary"
    anchors.centerIn: Overlay.overlay
    width: Math.max(600, Math.min(760, (parent ? parent.width : 0) - 80))
    height: Math.max(450, Math.min(560, (parent ? parent.height : 0) - 80))
    modal: true
    focus: true
    padding: 0
    closePolicy: Popup.CloseOnEscape

    Overlay.modal: Rectangle {
        color: Qt.rgba(0, 0, 0, 0.45)
    }

    background: Rectangle {
        radius: 10
        color: "#262628"
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, 0.12)
    }

    function follow() {
        if (!coordinator)
            return;
        if (coordinator.showProjectLibrary)
            open();
        else
            close();
    }

    Component.onCompleted: follow()
    onCoordinatorChanged: follow()
    onAboutToShow: storedProjects = app ? app.storedProjectCount() : 0
    onClosed: {
        if (!coordinator)
            return;
        coordinator.showProjectLibrary = false;
        app.libraryDismissed();
    }

    Connections {
        target: sheet.coordinator
        function onShowProjectLibraryChanged() {
            sheet.follow();
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            Layout.fillWidth: true
            Layout.margins: 16
            Layout.leftMargin: 24
            spacing: 8

            Label {
                Layout.fillWidth: true
                text: "Kestrune"
                font.pixelSize: 22
                font.weight: Font.DemiBold
            }
            ToolButton {
                objectName: "closeLibraryButton"
                focusPolicy: Qt.NoFocus
                contentItem: Icon {
                    name: "xmark"
                    size: 18
                    color: EditorStyle.secondaryText
                }
                ToolTip.visible: hovered
                ToolTip.delay: 600
                ToolTip.text: "Close"
                onClicked: sheet.close()
            }
        }

        HairlineDivider {
            Layout.fillWidth: true
        }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            Column {
                anchors.centerIn: parent
                spacing: 16

                Label {
                    objectName: "emptyLibraryText"
                    anchors.horizontalCenter: parent.horizontalCenter
                    visible: sheet.storedProjects === 0
                    text: "No projects yet"
                    font.pixelSize: 15
                    color: EditorStyle.secondaryText
                }
                AccentButton {
                    objectName: "newProjectButton"
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: "New Project"
                    iconName: "plus"
                    onClicked: sheet.app.newProjectFromLibrary()
                }
            }
        }
    }
}
