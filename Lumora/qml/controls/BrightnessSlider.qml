import QtQuick
import Lumora
import Qt5Compat.GraphicalEffects

// The brightness slider of the cards: reports every position while dragged,
// never below 1, and ignores outside changes of `brightness` during a drag.
// The keyboard moves it as a drag does: the arrow keys by 1, Page Up and Page
// Down by 10, Home and End to the ends, each step reported at once (the store
// paces what it sends), the knob held until the key is let go.
Item {
    id: root

    property real brightness: 0
    // Called with every new brightness from 1 to 100.
    signal change(real value)

    // The drag in progress; NaN when there is none.
    property real dragged: NaN
    readonly property bool dragging: !isNaN(dragged)
    readonly property real shown: dragging ? dragged : brightness
    readonly property real fill: BrightnessRules.fill(width, shown)

    implicitWidth: 200
    implicitHeight: 20

    // A standard slider for accessibility tools, which read the range, the
    // value and the step through these names.
    readonly property real minimumValue: 0
    readonly property real maximumValue: 100
    readonly property real stepSize: 10
    property real value: brightness
    onValueChanged: {
        if (value !== brightness) {
            const requested = value;
            value = Qt.binding(() => root.brightness);
            root.change(BrightnessRules.accessibility(requested));
        }
    }
    // The slider role's own Increase and Decrease step `value` by stepSize.
    Accessible.role: Accessible.Slider
    Accessible.name: Rules.tr("Helligkeit", "Brightness")

    activeFocusOnTab: true
    SliderKeys {
        target: root
        value: root.shown
        from: 1
        to: 100
        step: 1
        page: 10
        onStepped: next => {
            root.dragged = next;
            root.change(next);
        }
        onReleased: if (!pointer.pressed) root.dragged = NaN
    }
    onActiveFocusChanged: if (!activeFocus && !pointer.pressed) dragged = NaN

    FocusRing {
        innerRadius: root.height / 2
    }

    Rectangle {
        id: track
        width: root.width
        height: 6
        radius: 3
        anchors.verticalCenter: parent.verticalCenter
        color: Theme.sliderTrack
    }
    Rectangle {
        width: root.fill + 8
        height: 6
        radius: 3
        anchors.verticalCenter: parent.verticalCenter
        color: Theme.sliderFill
    }
    Item {
        id: knob
        x: root.fill
        width: 16
        height: 16
        anchors.verticalCenter: parent.verticalCenter
        RectangularGlow {
            width: 16
            height: 16
            y: 1
            glowRadius: 2
            cornerRadius: 10
            spread: 0
            color: Theme.sliderKnobShadow
            visible: GraphicsInfo.api !== GraphicsInfo.Software
        }
        Rectangle {
            anchors.fill: parent
            radius: 8
            color: Theme.knob
        }
    }

    MouseArea {
        id: pointer
        anchors.fill: parent
        preventStealing: true
        function report(x) {
            const value = BrightnessRules.at(x, root.width);
            root.dragged = value;
            root.change(value);
        }
        onPressed: mouse => report(mouse.x)
        onPositionChanged: mouse => {
            if (pressed)
                report(mouse.x);
        }
        onReleased: root.dragged = NaN
        onCanceled: root.dragged = NaN
    }
}
