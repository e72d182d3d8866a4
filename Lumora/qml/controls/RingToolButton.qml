import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Controls.Fusion.impl
import Lumora

// The style's tool button with the application's one focus mark (see
// RingButton): Fusion shows a focused tool button's panel with a coloured
// outline; here the panel shows only as Fusion shows it for the pointer.
ToolButton {
    id: control

    Accessible.name: text
    // Qt's buttons leave the accessible Press action without a click.
    function accessiblePressAction() {
        if (control.enabled)
            control.clicked();
    }

    background: ButtonPanel {
        implicitWidth: 20
        implicitHeight: 20
        control: control
        border.color: Fusion.buttonOutline(control.palette, control.highlighted, control.enabled)
        visible: control.down || control.checked || control.highlighted || (enabled && control.hovered)
    }

    FocusRing {
        shown: control.visualFocus
        innerRadius: 2
    }
}
