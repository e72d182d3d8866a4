import QtQuick
import Lumora

// The popover content for picking a colour or white tone for a light or a
// group. It sends nothing itself: every pick goes to its owner.
Item {
    id: root

    property color current: Theme.neutralLight
    property bool supportsColor: false
    property var mirek: null
    // {minimum, maximum} or null.
    property var mirekRange: null
    signal colorPicked(color value)
    signal mirekPicked(int mirek)

    readonly property bool hasMirek: mirek !== null && mirek !== undefined
    readonly property bool hasRange: mirekRange !== null && mirekRange !== undefined

    implicitWidth: 252
    implicitHeight: column.implicitHeight + 32

    Column {
        id: column
        x: 16
        y: 16
        width: 220
        spacing: 14

        ColorWheel {
            objectName: "wheel"
            visible: root.supportsColor
            width: 220
            height: 220
            // A light in white-tone mode shows no colour marker.
            selection: root.hasMirek ? null : root.current
            onPicked: value => root.colorPicked(value)
        }

        Column {
            visible: root.hasRange
            width: 220
            spacing: 6
            PlainLabel {
                text: Rules.tr("Weißton", "White tone")
                color: Theme.textTertiary
                font.pixelSize: 11
            }
            WhiteToneSlider {
                objectName: "whiteTone"
                width: 220
                mirek: root.mirek
                range: root.hasRange ? root.mirekRange : ({ minimum: 153, maximum: 500 })
                onChange: value => root.mirekPicked(value)
            }
        }
    }
}
