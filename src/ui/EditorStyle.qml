pragma Singleton
import QtQuick

// The editor's own colours on its dark surfaces, beside the Fusion palette.
QtObject {
    readonly property color accent: "#0a84ff"
    readonly property color primaryText: "#ececec"
    readonly property color secondaryText: Qt.rgba(0.92, 0.92, 0.96, 0.6)
    readonly property color tertiaryText: Qt.rgba(0.92, 0.92, 0.96, 0.3)
    readonly property color hairline: Qt.rgba(1, 1, 1, 0.1)
    readonly property color cardFill: Qt.rgba(1, 1, 1, 0.03)
    readonly property color placeholderFill: Qt.rgba(1, 1, 1, 0.05)
    readonly property int hoverFadeMs: 150
}
