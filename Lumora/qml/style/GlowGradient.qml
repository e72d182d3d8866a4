import QtQuick
import Lumora

// A glow's colours from the leading to the trailing edge, each at its own
// position (Glow.stops); without a glow, the plain card colour.
Gradient {
    id: gradient

    property var glow: null
    readonly property bool lit: glow !== null && glow !== undefined
    readonly property var colors: lit ? glow.stopColors : [Theme.card, Theme.card, Theme.card, Theme.card, Theme.card]
    readonly property var positions: lit ? glow.stopPositions : [0, 0.25, 0.5, 0.75, 1]

    orientation: Gradient.Horizontal
    GradientStop { position: gradient.positions[0]; color: gradient.colors[0] }
    GradientStop { position: gradient.positions[1]; color: gradient.colors[1] }
    GradientStop { position: gradient.positions[2]; color: gradient.colors[2] }
    GradientStop { position: gradient.positions[3]; color: gradient.colors[3] }
    GradientStop { position: gradient.positions[4]; color: gradient.colors[4] }
}
