import QtQuick
import Lumora
import QtQuick.Templates as T
import Qt5Compat.GraphicalEffects

// The on/off switch of the cards, drawn for dark surfaces: a 46 × 28 capsule
// with a knob that glides to the trailing end when on. It holds no state of
// its own: it shows its owner's `isOn`, and flipping only asks the owner
// through `switched`, so a command the store refuses and reverts moves the
// knob back.
T.Switch {
    id: control

    property bool isOn: false
    signal switched(bool isOn)

    checked: isOn
    onToggled: {
        const wanted = checked;
        checked = Qt.binding(() => control.isOn);
        control.switched(wanted);
    }

    // Only the capsule takes the pointer, not the corners of its rectangle.
    containmentMask: CapsuleMask {
        width: control.width
        height: control.height
    }

    implicitWidth: 46
    implicitHeight: 28
    padding: 0
    spacing: 0
    focusPolicy: Qt.StrongFocus
    Accessible.role: Accessible.CheckBox
    Accessible.name: text
    // Assistive tools flip the switch through Toggle or Press. Qt's own
    // handling of both sets `checked` without `toggled`, which would send
    // nothing and cut the switch off its owner; these ask the owner as a
    // click does.
    function accessibleToggleAction() {
        control.switched(!control.isOn);
    }
    function accessiblePressAction() {
        control.switched(!control.isOn);
    }

    FocusRing {
        shown: control.visualFocus
        innerRadius: control.height / 2
    }

    background: Rectangle {
        implicitWidth: 46
        implicitHeight: 28
        radius: height / 2
        color: control.isOn ? Theme.trackOn : Theme.trackOff
    }

    indicator: Item {
        readonly property real side: control.height - 6
        x: control.isOn ? control.width - width - 3 : 3
        y: 3
        width: side
        height: side
        Behavior on x { NumberAnimation { duration: 150; easing.type: Easing.OutQuad } }

        RectangularGlow {
            anchors.fill: parent
            anchors.topMargin: 0.5
            anchors.bottomMargin: -0.5
            glowRadius: 1.5
            cornerRadius: width / 2 + 1.5
            spread: 0
            color: Theme.knobShadow
            visible: GraphicsInfo.api !== GraphicsInfo.Software
        }
        Rectangle {
            anchors.fill: parent
            radius: width / 2
            color: control.isOn ? Theme.knob : Theme.knobOff
        }
    }

    contentItem: Item {}
}
