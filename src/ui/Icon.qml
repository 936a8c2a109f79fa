import QtQuick
import Kestrune.Views

// One symbol of the icon font, named as the views name it ("scissors", "play.fill").
// The icon tests read every `name:` of an Icon and every `iconName:` binding in
// these files, so name symbols there as plain strings.
Text {
    property string name
    property real size: 16

    text: Icons.glyph(name)
    font.family: Icons.fontFamily
    font.pixelSize: size
    color: EditorStyle.primaryText
    horizontalAlignment: Text.AlignHCenter
    verticalAlignment: Text.AlignVCenter
}
