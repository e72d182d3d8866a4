import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Controls.Fusion.impl
import Lumora

// The style's push button with the application's one focus mark: Fusion draws
// keyboard focus by colouring the button's outline, which no other control of
// Lumora does, so the outline keeps its resting colour and FocusRing shows
// where the keyboard is. Everything else is Fusion's own button.
Button {
    id: control

    Accessible.name: text
    // Qt's buttons leave the accessible Press action without a click.
    function accessiblePressAction() {
        if (control.enabled)
            control.clicked();
    }

    background: ButtonPanel {
        implicitWidth: 80
        implicitHeight: 24
        control: control
        border.color: Fusion.buttonOutline(control.palette, control.highlighted, control.enabled)
        visible: !control.flat || control.down || control.checked || control.highlighted
                 || (enabled && control.hovered)
    }

    FocusRing {
        shown: control.visualFocus
        innerRadius: 2
    }
}
