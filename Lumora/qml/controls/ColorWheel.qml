import QtQuick
import Lumora
import QtQuick.Shapes
import Qt5Compat.GraphicalEffects as GE

// The hue/saturation wheel: hue runs clockwise from the right, white in the
// centre. Reports every picked colour while the pointer is dragged; the
// marker follows the pointer during a drag and the selection otherwise.
Item {
    id: root

    // The colour shown by the marker, or null for no marker.
    property var selection: null
    signal picked(color value)

    property point dragLocation
    property bool dragging: false

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

    Shape {
        id: disc
        anchors.fill: parent
        // The wheel never changes while dragging; only the marker moves.
        layer.enabled: GraphicsInfo.api !== GraphicsInfo.Software
        layer.smooth: true
        layer.samples: 4

        ShapePath {
            strokeWidth: -1
            strokeColor: "transparent"
            // A conical gradient runs counter-clockwise, so the rim colours are
            // laid in reverse to make hue grow clockwise from the right.
            fillGradient: ConicalGradient {
                id: conical
                centerX: root.centerX
                centerY: root.centerY
                angle: 0
            }
            PathAngleArc {
                centerX: root.centerX
                centerY: root.centerY
                radiusX: root.radius
                radiusY: root.radius
                startAngle: 0
                sweepAngle: 360
            }
        }
        ShapePath {
            strokeWidth: -1
            strokeColor: "transparent"
            fillGradient: RadialGradient {
                centerX: root.centerX
                centerY: root.centerY
                centerRadius: root.radius
                focalX: root.centerX
                focalY: root.centerY
                focalRadius: 0
                GradientStop { position: 0; color: Theme.neutralLight }
                GradientStop { position: 1; color: Theme.neutralLightClear }
            }
            PathAngleArc {
                centerX: root.centerX
                centerY: root.centerY
                radiusX: root.radius
                radiusY: root.radius
                startAngle: 0
                sweepAngle: 360
            }
        }
    }

    Component {
        id: stopComponent
        GradientStop {}
    }
    Component.onCompleted: {
        const hues = WheelRules.hues();
        const stops = [];
        for (let i = 0; i < hues.length; ++i)
            stops.push(stopComponent.createObject(conical, {
                position: i / (hues.length - 1),
                color: hues[hues.length - 1 - i]
            }));
        conical.stops = stops;
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

    MouseArea {
        anchors.fill: parent
        preventStealing: true
        function report(x, y) {
            const pick = WheelRules.pick(x, y, root.centerX, root.centerY, root.radius);
            root.dragLocation = pick.marker;
            root.dragging = true;
            root.picked(pick.color);
        }
        onPressed: mouse => {
            // Only the disc is the hit area; a drag that starts on it may leave it.
            const dx = mouse.x - root.centerX;
            const dy = mouse.y - root.centerY;
            if (dx * dx + dy * dy > root.radius * root.radius) {
                mouse.accepted = false;
                return;
            }
            report(mouse.x, mouse.y);
        }
        onPositionChanged: mouse => {
            if (pressed)
                report(mouse.x, mouse.y);
        }
        onReleased: root.dragging = false
        onCanceled: root.dragging = false
    }
}
