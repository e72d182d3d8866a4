import QtQuick
import Lumora
import Qt5Compat.GraphicalEffects

// Paints its content as a card: the glow's colours from the leading to the
// trailing edge, darkened towards the bottom by the glow's shade, or the plain
// card colour without a glow. Content is drawn in white and carries a soft
// shadow while lit so that it stays readable on light colours.
Item {
    id: root

    // A glow value (Rules.glow(...)) or null for an unlit card.
    property var glow: null
    readonly property bool lit: glow !== null && glow !== undefined
    property real radius: 14
    default property alias content: contentLayer.data
    // The whole card is drawn once into a texture and then only composited,
    // so that grids of cards stay cheap while cards slide or a copy follows
    // the pointer; a change inside the card redraws just that card.
    layer.enabled: GraphicsInfo.api !== GraphicsInfo.Software
    layer.smooth: true
    readonly property color textColor: "white"

    // The painted state follows the glow with an ease-out of 0.2 s. A fixed
    // number of gradient stops lets every stop animate on its own.
    property color c0: Theme.card
    property color c1: Theme.card
    property color c2: Theme.card
    property color c3: Theme.card
    property color c4: Theme.card
    property color c5: Theme.card
    property color c6: Theme.card
    property real shade: 0.3
    property bool animated: false

    function apply() {
        if (!lit)
            return;
        const s = glow.samples;
        c0 = s[0]; c1 = s[1]; c2 = s[2]; c3 = s[3]; c4 = s[4]; c5 = s[5]; c6 = s[6];
        shade = glow.shade;
    }
    onGlowChanged: apply()
    Component.onCompleted: { apply(); animated = true; }

    Behavior on c0 { enabled: root.animated; ColorAnimation { duration: 200; easing.type: Easing.OutQuad } }
    Behavior on c1 { enabled: root.animated; ColorAnimation { duration: 200; easing.type: Easing.OutQuad } }
    Behavior on c2 { enabled: root.animated; ColorAnimation { duration: 200; easing.type: Easing.OutQuad } }
    Behavior on c3 { enabled: root.animated; ColorAnimation { duration: 200; easing.type: Easing.OutQuad } }
    Behavior on c4 { enabled: root.animated; ColorAnimation { duration: 200; easing.type: Easing.OutQuad } }
    Behavior on c5 { enabled: root.animated; ColorAnimation { duration: 200; easing.type: Easing.OutQuad } }
    Behavior on c6 { enabled: root.animated; ColorAnimation { duration: 200; easing.type: Easing.OutQuad } }
    Behavior on shade { enabled: root.animated; NumberAnimation { duration: 200; easing.type: Easing.OutQuad } }

    Rectangle {
        anchors.fill: parent
        radius: root.radius
        color: Theme.card
    }

    Item {
        id: glowLayer
        anchors.fill: parent
        opacity: root.lit ? 1 : 0
        visible: opacity > 0
        Behavior on opacity { enabled: root.animated; NumberAnimation { duration: 200; easing.type: Easing.OutQuad } }

        Rectangle {
            anchors.fill: parent
            radius: root.radius
            gradient: Gradient {
                orientation: Gradient.Horizontal
                GradientStop { position: 0; color: root.c0 }
                GradientStop { position: 1 / 6; color: root.c1 }
                GradientStop { position: 2 / 6; color: root.c2 }
                GradientStop { position: 3 / 6; color: root.c3 }
                GradientStop { position: 4 / 6; color: root.c4 }
                GradientStop { position: 5 / 6; color: root.c5 }
                GradientStop { position: 1; color: root.c6 }
            }
        }
        Rectangle {
            anchors.fill: parent
            radius: root.radius
            gradient: Gradient {
                GradientStop { position: 0; color: Qt.rgba(0, 0, 0, root.shade * 0.15) }
                GradientStop { position: 1; color: Qt.rgba(0, 0, 0, root.shade) }
            }
        }
    }

    Item {
        id: contentLayer
        anchors.fill: parent
        // Effects need a hardware scene graph; the software renderer shows
        // the content without its shadow.
        layer.enabled: root.lit && GraphicsInfo.api !== GraphicsInfo.Software
        layer.effect: DropShadow {
            horizontalOffset: 0
            verticalOffset: 0.5
            radius: 1.5
            samples: 5
            color: Qt.rgba(0, 0, 0, 0.28)
            cached: true
        }
    }
}
