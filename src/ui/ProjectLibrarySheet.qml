import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kestrune.Views

// The project library over the editor, shown while the coordinator says so:
// every stored project as a card, newest first, with a search field, a New
// Project card, and open, rename, duplicate and delete on each card. Closing it
// by any means (its button, Escape, opening a project) tells the shell, which
// then finishes a New Project asked for meanwhile.
Popup {
    id: sheet

    // The application shell.
    property var app

    readonly property var coordinator: app ? app.appCoordinator : null
    readonly property int gridPadding: 24
    readonly property int gridSpacing: 16
    // As many columns of at least 200 as fit, each at most 260 wide.
    readonly property int columns: Math.max(1, Math.floor((grid.width - 2 * gridPadding
                                                          + gridSpacing) / (200 + gridSpacing)))
    readonly property real cardWidth: Math.min(260, (grid.width - 2 * gridPadding - (columns - 1)
                                                     * gridSpacing) / columns)

    objectName: "projectLibrary"
    anchors.centerIn: Overlay.overlay
    width: Math.max(600, Math.min(860, (parent ? parent.width : 0) - 80))
    height: Math.max(450, Math.min(600, (parent ? parent.height : 0) - 80))
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
    onAboutToShow: {
        searchField.text = "";
        library.reload();
    }
    onClosed: {
        cardMenu.close();
        deleteAlert.close();
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

    ProjectLibrary {
        id: library
        app: sheet.app
        searchText: searchField.text
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        // Anchored rather than laid out: a row layout leaves the search field
        // where it was when the field turns visible while the sheet is hidden.
        Item {
            Layout.fillWidth: true
            Layout.leftMargin: 24
            Layout.rightMargin: 24
            Layout.topMargin: 24
            Layout.bottomMargin: 16
            implicitHeight: 32

            Label {
                anchors.left: parent.left
                anchors.right: searchField.visible ? searchField.left : closeButton.left
                anchors.rightMargin: 12
                anchors.verticalCenter: parent.verticalCenter
                text: "Kestrune"
                elide: Text.ElideRight
                font.pixelSize: 24
                font.bold: true
                color: EditorStyle.primaryText
            }
            RoundedTextField {
                id: searchField
                objectName: "librarySearchField"
                anchors.right: closeButton.left
                anchors.rightMargin: 12
                anchors.verticalCenter: parent.verticalCenter
                width: 200
                visible: library.hasProjects
                placeholderText: qsTr("Search")
            }
            ToolButton {
                id: closeButton
                objectName: "closeLibraryButton"
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                focusPolicy: Qt.NoFocus
                contentItem: Icon {
                    name: "xmark.circle.fill"
                    size: 20
                    color: EditorStyle.secondaryText
                }
                background: Item {}
                ToolTip.visible: hovered
                ToolTip.delay: 600
                ToolTip.text: qsTr("Close Library (Esc)")
                onClicked: sheet.close()
            }
        }

        HairlineDivider {
            Layout.fillWidth: true
        }

        Item {
            id: grid
            Layout.fillWidth: true
            Layout.fillHeight: true

            Column {
                objectName: "emptyLibraryState"
                anchors.centerIn: parent
                visible: !library.hasProjects
                spacing: 16

                Icon {
                    anchors.horizontalCenter: parent.horizontalCenter
                    name: "film.stack"
                    size: 48
                    color: EditorStyle.secondaryText
                }
                Label {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: qsTr("No Projects Yet")
                    font.pixelSize: 20
                    font.weight: Font.DemiBold
                    color: EditorStyle.primaryText
                }
                Label {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: qsTr("Create your first project to get started")
                    font.pixelSize: 14
                    color: EditorStyle.secondaryText
                }
                AccentButton {
                    objectName: "newProjectButton"
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: qsTr("New Project")
                    iconName: "plus"
                    font.pixelSize: 14
                    font.weight: Font.Medium
                    topPadding: 10
                    bottomPadding: 10
                    leftPadding: 20
                    rightPadding: 20
                    onClicked: library.newProject()
                }
            }

            Flickable {
                objectName: "projectGrid"
                anchors.fill: parent
                visible: library.hasProjects
                clip: true
                contentWidth: width
                contentHeight: cards.height + 2 * sheet.gridPadding
                boundsBehavior: Flickable.StopAtBounds
                ScrollBar.vertical: ScrollBar {}

                Grid {
                    id: cards
                    x: sheet.gridPadding
                    y: sheet.gridPadding
                    columns: sheet.columns
                    columnSpacing: sheet.gridSpacing
                    rowSpacing: sheet.gridSpacing

                    Item {
                        id: newProjectCard
                        objectName: "newProjectCard"
                        width: sheet.cardWidth
                        height: 190

                        MouseArea {
                            anchors.fill: parent
                            cursorShape: Qt.PointingHandCursor
                            onClicked: library.newProject()
                        }
                        Column {
                            width: parent.width

                            Rectangle {
                                width: parent.width
                                height: 120
                                radius: 6
                                color: Qt.rgba(EditorStyle.accent.r, EditorStyle.accent.g,
                                               EditorStyle.accent.b, 0.1)

                                Icon {
                                    anchors.centerIn: parent
                                    name: "plus"
                                    size: 32
                                    color: EditorStyle.accent
                                }
                            }
                            Label {
                                width: parent.width
                                padding: 8
                                text: qsTr("New Project")
                                font.pixelSize: 13
                                font.weight: Font.DemiBold
                                color: EditorStyle.primaryText
                            }
                        }
                    }

                    Repeater {
                        id: cardRepeater
                        model: library

                        ProjectCardView {
                            id: cardView

                            required property string name
                            required projectId
                            required clipCountText
                            required lengthText
                            required dateText
                            required thumbnail
                            required missingClipCount

                            width: sheet.cardWidth
                            height: 190
                            projectName: name
                            onOpenRequested: library.openProject(projectId)
                            onRenameCommitted: typedName => library.renameProject(projectId,
                                                                                  typedName)
                            onMenuRequested: (x, y) => {
                                cardMenu.card = cardView;
                                cardMenu.popup(cardView, x, y);
                            }
                        }
                    }
                }

                // A search that leaves no card says so, beside the New Project card.
                Label {
                    objectName: "noMatchText"
                    x: sheet.gridPadding
                    y: cards.y + cards.height + 24
                    width: parent.width - 2 * sheet.gridPadding
                    visible: cardRepeater.count === 0 && searchField.text !== ""
                    text: qsTr("No projects match \"%1\"").arg(searchField.text)
                    elide: Text.ElideRight
                    font.pixelSize: 14
                    color: EditorStyle.secondaryText
                }
            }
        }
    }

    Menu {
        id: cardMenu
        objectName: "projectCardMenu"

        // The card the menu was opened on.
        property Item card

        MenuItem {
            objectName: "renameProjectItem"
            text: qsTr("Rename")
            onTriggered: cardMenu.card.beginRename()
        }
        MenuItem {
            objectName: "duplicateProjectItem"
            text: qsTr("Duplicate")
            onTriggered: library.duplicateProject(cardMenu.card.projectId)
        }
        MenuSeparator {}
        MenuItem {
            id: deleteItem
            objectName: "deleteProjectItem"
            text: qsTr("Delete")
            contentItem: Text {
                text: deleteItem.text
                font: deleteItem.font
                color: "#ff453a"
                verticalAlignment: Text.AlignVCenter
            }
            onTriggered: {
                deleteAlert.projectId = cardMenu.card.projectId;
                deleteAlert.projectName = cardMenu.card.projectName;
                deleteAlert.open();
            }
        }
    }

    Dialog {
        id: deleteAlert
        objectName: "deleteProjectAlert"

        property string projectId
        property string projectName

        anchors.centerIn: Overlay.overlay
        modal: true
        title: qsTr("Delete Project?")
        width: 400
        padding: 20
        topPadding: 8

        Overlay.modal: Rectangle {
            color: Qt.rgba(0, 0, 0, 0.3)
        }
        background: Rectangle {
            radius: 10
            color: "#2a2a2c"
            border.width: 1
            border.color: Qt.rgba(1, 1, 1, 0.12)
        }
        header: Label {
            text: deleteAlert.title
            padding: 20
            bottomPadding: 0
            font.pixelSize: 15
            font.weight: Font.DemiBold
            color: EditorStyle.primaryText
        }
        footer: DialogButtonBox {
            padding: 20
            topPadding: 0
            background: Item {}

            Button {
                objectName: "cancelDeleteButton"
                text: qsTr("Cancel")
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            }
            Button {
                id: confirmDelete
                objectName: "confirmDeleteButton"
                text: qsTr("Delete")
                DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
                contentItem: Text {
                    text: confirmDelete.text
                    font: confirmDelete.font
                    color: "#ff453a"
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                }
                onClicked: {
                    deleteAlert.close();
                    library.deleteProject(deleteAlert.projectId);
                }
            }
        }

        Label {
            width: parent.width
            wrapMode: Text.Wrap
            text: qsTr("Are you sure you want to delete \"%1\"? This cannot be undone.").arg(deleteAlert.projectName)
            color: EditorStyle.secondaryText
        }
    }
}
