import QtQuick
import QtQuick.Controls
import Lumora

// The small uppercase heading over a grid, with an optional accessory (a
// button) at its trailing end.
Item {
    id: root

    property string text
    default property alias accessory: accessoryRow.data

    implicitHeight: 26
    implicitWidth: label.implicitWidth + accessoryRow.width

    Accessible.role: Accessible.Heading
    Accessible.name: text

    PlainLabel {
        id: label
        anchors.left: parent.left
        anchors.right: accessoryRow.left
        anchors.rightMargin: accessoryRow.width > 0 ? 8 : 0
        anchors.verticalCenter: parent.verticalCenter
        text: root.text.toUpperCase()
        color: Theme.textSecondary
        font.pixelSize: 11
        font.weight: Font.DemiBold
        font.letterSpacing: 1.6
        elide: Text.ElideRight
        Accessible.ignored: true
    }
    Row {
        id: accessoryRow
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        spacing: 8
    }
}
