import QtQuick
import QtQuick.Controls
import Kestrune.Views

// A drop-down choice in the window's style: its arrow comes from the icon font,
// like every other symbol of the window.
ComboBox {
    id: picker

    indicator: Icon {
        x: picker.width - width - 6
        y: (picker.height - height) / 2
        name: "chevron.down"
        size: 16
        color: picker.enabled ? EditorStyle.secondaryText : EditorStyle.tertiaryText
    }
}
