import QtQuick
import QtQuick.Controls
import Lumora

// The colour picker as a popover under the button it belongs to (its parent).
// It sends nothing itself: picks go to the owner.
Popup {
    id: popup

    property alias current: picker.current
    property alias supportsColor: picker.supportsColor
    property alias mirek: picker.mirek
    property alias mirekRange: picker.mirekRange
    // Made outside contentItem, whose value Qt builds deferred, so that the
    // aliases above can name it.
    readonly property ColorPickerPanel panel: ColorPickerPanel {
        id: picker
        onColorPicked: value => popup.colorPicked(value)
        onMirekPicked: value => popup.mirekPicked(value)
    }
    signal colorPicked(color value)
    signal mirekPicked(int mirek)

    x: Math.round((parent ? parent.width : 0) / 2 - width / 2)
    y: (parent ? parent.height : 0) + 6
    margins: 8
    padding: 0
    focus: true
    // A press on the button itself is left to the button, which closes it.
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutsideParent

    background: Rectangle {
        color: Theme.popover
        radius: 12
        border.width: 1
        border.color: Theme.popoverBorder
    }
    contentItem: picker
}
