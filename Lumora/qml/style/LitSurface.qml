import QtQuick
import Lumora
import Qt5Compat.GraphicalEffects

// Paints its content as a card: the glow's colours from the leading to the
// trailing edge, darkened towards the bottom by the glow's shade, or the plain
// card colour without a glow. Its text takes the card's ink (StyleRules.ink),
// which keeps it readable on every glow; white text carries a soft shadow
// while lit.
Item {
    id: root

    // A glow value (StyleRules.glow(...) or a model's glow role) or null for an unlit card.
    property var glow: null
    readonly property bool lit: glow !== null && glow !== undefined
    property real radius: 14
    default property alias content: contentLayer.data
    // Drawn faded, for a light that cannot be reached.
    property bool dimmed: false
    readonly property cardInk ink: StyleRules.ink(glow, dimmed)

    opacity: dimmed ? StyleRules.dimmedOpacity : 1

    // A change of the glow fades the new paint in over the old one with an
    // ease-out of 0.2 s: blending two gradients whose stops sit at the same
    // places is the gradient of the blended colours, and it costs two layers
    // instead of one animation per stop.
    GlowFade {
        id: glowFade
        glow: root.glow
        onSwitched: fade.restart()
    }

    component Paint: Item {
        id: paint
        // An inline component cannot see the file's ids, so the radius comes in.
        property real radius
        property var glow: null
        property bool dimmed
        readonly property bool lit: glow !== null && glow !== undefined
        readonly property cardInk ink: StyleRules.ink(glow, dimmed)
        Rectangle {
            anchors.fill: parent
            radius: paint.radius
            gradient: GlowGradient { glow: paint.glow }
        }
        Rectangle {
            anchors.fill: parent
            radius: paint.radius
            visible: paint.lit
            gradient: Gradient {
                GradientStop { position: 0; color: Theme.cardScrim(paint.ink.scrimTop) }
                GradientStop { position: 1; color: Theme.cardScrim(paint.ink.scrimBottom) }
            }
        }
    }

    Paint {
        anchors.fill: parent
        radius: root.radius
        glow: glowFade.back
        dimmed: root.dimmed
        visible: fade.running
    }
    Paint {
        id: frontPaint
        anchors.fill: parent
        radius: root.radius
        glow: glowFade.front
        dimmed: root.dimmed
    }
    NumberAnimation {
        id: fade
        target: frontPaint
        property: "opacity"
        from: 0
        to: 1
        duration: 200
        easing.type: Easing.OutQuad
    }

    Item {
        id: contentLayer
        anchors.fill: parent
        // Effects need a hardware scene graph; the software renderer shows
        // the content without its shadow.
        layer.enabled: root.lit && !root.ink.dark && GraphicsInfo.api !== GraphicsInfo.Software
        layer.effect: DropShadow {
            horizontalOffset: 0
            verticalOffset: 0.5
            radius: 1.5
            samples: 5
            color: Theme.textShadow
            cached: true
        }
    }
}
