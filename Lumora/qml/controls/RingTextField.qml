import QtQuick
import QtQuick.Controls.Fusion
import Lumora

// The style's text field with the application's one focus mark: Fusion's
// field as it draws itself at rest, and FocusRing while it has the focus
// (by keyboard or pointer alike: that is where typing goes).
TextField {
    id: control

    background: Rectangle {
        implicitWidth: 120
        implicitHeight: 24
        radius: 2
        color: control.palette.base
        border.color: Fusion.outline(control.palette)
        Rectangle {
            x: 2
            y: 1
            width: parent.width - 4
            height: 1
            color: Fusion.topShadow
        }
    }

    FocusRing {
        innerRadius: 2
    }
}
