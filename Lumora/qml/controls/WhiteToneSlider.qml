import QtQuick
import Lumora
import QtQuick.Templates as T
import Qt5Compat.GraphicalEffects

// The white-tone slider: warm on the left, cool on the right, so the slider's
// value is the mirek mirrored within the range. Reports every move.
T.Slider {
    id: control

    // The current white tone in mirek, or null when the light shows a colour.
    property var mirek: null
    // {minimum, maximum} in mirek.
    property var range: ({ minimum: 153, maximum: 500 })
    signal change(int mirek)

    readonly property whiteToneBounds bounds: WhiteToneRules.bounds(range.minimum, range.maximum)
    readonly property list<color> stopColors: WhiteToneRules.stops(range.minimum, range.maximum)

    readonly property real shownValue: WhiteToneRules.shown(mirek, range.minimum, range.maximum)

    from: bounds.lower
    to: bounds.upper
    stepSize: 0
    value: shownValue
    onMoved: control.change(WhiteToneRules.mirek(value, range.minimum, range.maximum))
    // The slider clamps its value to the range it has at that moment; when
    // the range changes, the bounds and the value arrive one after the other,
    // so the value is taken again once both bounds are current.
    onFromChanged: resync()
    onToChanged: resync()
    function resync() {
        if (!pressed)
            value = Qt.binding(() => control.shownValue);
    }

    // The keyboard moves the knob as a drag does, reporting each step (the
    // store paces what it sends): the arrow keys by a fiftieth of the range,
    // Page Up and Page Down by a tenth, Home and End to the ends; the knob
    // takes the owner's value again once the key is let go.
    SliderKeys {
        target: control
        value: control.value
        from: control.from
        to: control.to
        step: (control.to - control.from) / 50
        page: (control.to - control.from) / 10
        onStepped: next => {
            control.value = next;
            control.change(WhiteToneRules.mirek(next, control.range.minimum, control.range.maximum));
        }
        onReleased: control.resync()
    }

    FocusRing {
        shown: control.visualFocus
        innerRadius: control.height / 2
    }

    // Accessibility tools read the range through these names.
    readonly property real minimumValue: from
    readonly property real maximumValue: to

    leftPadding: 4
    rightPadding: 4
    topPadding: 5
    bottomPadding: 5
    implicitWidth: 220
    implicitHeight: 20 + topPadding + bottomPadding

    Accessible.name: Rules.tr("Weißton", "White tone")

    background: Item {
        implicitWidth: 220
        implicitHeight: 30
        ToneTrack {
            anchors.fill: parent
            colors: control.stopColors
        }
        Rectangle {
            anchors.fill: parent
            radius: height / 2
            color: "transparent"
            border.width: 1
            border.color: Theme.toneTrackBorder
        }
    }

    handle: Item {
        x: control.leftPadding + control.visualPosition * (control.availableWidth - width)
        y: control.topPadding + (control.availableHeight - height) / 2
        width: 20
        height: 20
        RectangularGlow {
            anchors.fill: parent
            anchors.topMargin: 1
            anchors.bottomMargin: -1
            glowRadius: 2
            cornerRadius: 12
            spread: 0
            color: Theme.knobShadow
            visible: GraphicsInfo.api !== GraphicsInfo.Software
        }
        Rectangle {
            anchors.fill: parent
            radius: width / 2
            color: Theme.knob
            border.width: 0.5
            border.color: Theme.toneKnobBorder
        }
    }
}
