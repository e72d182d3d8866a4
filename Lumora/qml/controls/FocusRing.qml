import QtQuick
import Lumora

// The one mark of the keyboard's focus, the same on every control: a frame
// just outside its parent, shown while `shown` holds (the parent's active
// focus unless told otherwise). Give it the parent's corner radius.
Rectangle {
    objectName: "focusRing"
    property bool shown: parent ? parent.activeFocus : false
    property real innerRadius: 0
    readonly property real gap: 3

    anchors.fill: parent
    anchors.margins: -gap
    z: 10
    visible: shown
    radius: innerRadius > 0 ? innerRadius + gap : 0
    color: "transparent"
    border.width: 2
    border.color: Theme.focusRing
}
