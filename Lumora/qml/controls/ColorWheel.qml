import QtQuick
import Lumora
import Qt5Compat.GraphicalEffects as GE

// The hue/saturation wheel: hue runs clockwise from the right, white in the
// centre (WheelDisc). Reports every picked colour while the pointer is
// dragged; the marker follows the pointer during a drag and the selection
// otherwise.
Item {
    id: root

    // The colour shown by the marker, or null for no marker.
    property var selection: null
    signal picked(color value)

    // The marker follows the pointer while it drags on the disc.
    readonly property alias dragging: disc.dragging
    readonly property alias dragLocation: disc.dragLocation

    readonly property real side: Math.min(width, height)
    readonly property real radius: side / 2
    readonly property real centerX: width / 2
    readonly property real centerY: height / 2
    readonly property bool hasMarker: dragging || (selection !== null && selection !== undefined)
    readonly property point markerPoint: dragging ? dragLocation
        : hasMarker ? WheelRules.point(selection, centerX, centerY, radius) : Qt.point(centerX, centerY)

    implicitWidth: 220
    implicitHeight: 220

    Accessible.role: Accessible.Graphic
    Accessible.name: Rules.tr("Farbkreis", "Colour wheel")

    WheelDisc {
        id: disc
        anchors.fill: parent
        onPicked: value => root.picked(value)
    }

    Item {
        id: marker
        visible: root.hasMarker
        width: 22
        height: 22
        x: root.markerPoint.x - width / 2
        y: root.markerPoint.y - height / 2

        Rectangle {
            id: ring
            anchors.fill: parent
            radius: width / 2
            color: "transparent"
            border.color: Theme.knob
            border.width: 3
            visible: GraphicsInfo.api === GraphicsInfo.Software
        }
        GE.DropShadow {
            anchors.fill: ring
            source: ring
            radius: 2
            samples: 5
            color: Theme.wheelRingShadow
            visible: GraphicsInfo.api !== GraphicsInfo.Software
            cached: true
        }
    }
}
