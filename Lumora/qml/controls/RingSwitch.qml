import QtQuick
import QtQuick.Controls.Fusion
import QtQuick.Templates as T
import Lumora

// The style's switch with the application's one focus mark (see RingButton):
// Fusion's groove and handle as it draws them without focus (it tints and
// outlines the handle for the keyboard), and FocusRing around the groove.
Switch {
    id: control

    Accessible.name: text
    // Qt's own accessible Toggle and Press flip the switch without `toggled`:
    // the owner never hears of it. Here they do what a click does.
    function accessibleToggleAction() {
        if (control.enabled) {
            control.toggle();
            control.toggled();
        }
    }
    function accessiblePressAction() {
        control.accessibleToggleAction();
    }

    indicator: Groove {
        owner: control
        x: control.text ? (control.mirrored ? control.width - width - control.rightPadding : control.leftPadding)
                        : control.leftPadding + (control.availableWidth - width) / 2
        y: control.topPadding + (control.availableHeight - height) / 2
        FocusRing {
            shown: control.visualFocus
            innerRadius: 2
        }
    }

    // Fusion's drawing, in a component of its own: the indicator is made
    // late, and ids inside it would make it early.
    component Groove: Rectangle {
        id: groove
        required property T.Switch owner

        implicitWidth: 40
        implicitHeight: 16
        radius: 2
        border.color: Fusion.outline(groove.owner.palette)
        gradient: Gradient {
            GradientStop {
                position: 0
                color: Qt.darker(Fusion.grooveColor(groove.owner.palette), 1.1)
            }
            GradientStop {
                position: 1
                color: Qt.lighter(Fusion.grooveColor(groove.owner.palette), 1.1)
            }
        }

        Rectangle {
            x: groove.owner.mirrored ? handle.x : 0
            width: groove.owner.mirrored ? parent.width - handle.x : handle.x + handle.width
            height: parent.height
            opacity: groove.owner.checked ? 1 : 0
            Behavior on opacity {
                enabled: !groove.owner.down
                NumberAnimation {
                    duration: 80
                }
            }
            radius: 2
            border.color: Qt.darker(Fusion.highlightedOutline(groove.owner.palette), 1.1)
            border.width: groove.owner.enabled ? 1 : 0
            gradient: Gradient {
                GradientStop {
                    position: 0
                    color: Fusion.highlight(groove.owner.palette)
                }
                GradientStop {
                    position: 1
                    color: Qt.lighter(Fusion.highlight(groove.owner.palette), 1.2)
                }
            }
        }

        Rectangle {
            id: handle
            readonly property color face: Fusion.buttonColor(groove.owner.palette, false, groove.owner.pressed,
                                                             groove.owner.enabled && groove.owner.hovered)
            x: Math.max(0, Math.min(parent.width - width, groove.owner.visualPosition * parent.width - (width / 2)))
            y: (parent.height - height) / 2
            width: 20
            height: 16
            radius: 2
            gradient: Gradient {
                GradientStop {
                    position: 0
                    color: Fusion.gradientStart(handle.face)
                }
                GradientStop {
                    position: 1
                    color: Fusion.gradientStop(handle.face)
                }
            }
            border.width: 1
            border.color: "transparent"
            Rectangle {
                anchors.fill: parent
                border.color: Fusion.outline(groove.owner.palette)
                color: "transparent"
                radius: 2
                Rectangle {
                    x: 1
                    y: 1
                    width: parent.width - 2
                    height: parent.height - 2
                    border.color: Fusion.innerContrastLine
                    color: "transparent"
                    radius: 2
                }
            }
            Behavior on x {
                enabled: !groove.owner.down
                SmoothedAnimation {
                    velocity: 200
                }
            }
        }
    }
}
