import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumora

// The card of a light, room or zone: its leading view, name and caption, an
// accessory, the on/off switch, and below them the brightness slider. The
// slider keeps its place while the light is off, so that cards of dimmable
// things have one height; a card of something without a brightness closes up.
LitSurface {
    id: card

    property string name
    // Empty for none.
    property string caption
    property bool isOn: false
    // A number from 0 to 100, or null.
    property var brightness: null
    property alias leading: leadingSlot.data
    property alias accessory: accessoryRow.data
    readonly property alias toggle: toggle
    readonly property alias slider: slider
    readonly property bool dimmable: brightness !== null && brightness !== undefined
    readonly property bool hasBrightness: isOn && dimmable
    readonly property bool nameTipShown: nameHover.hovered && nameLabel.truncated

    signal switched(bool isOn)
    signal brightnessPicked(real value)

    implicitWidth: 270
    implicitHeight: dimmable ? 14 + 34 + 10 + 20 + 8 : 14 + 34 + 14

    Accessible.role: Accessible.Grouping
    Accessible.name: name
    // The caption is read with the name ("4 of 6 lights on", "Unreachable").
    Accessible.description: caption

    RowLayout {
        objectName: "topRow"
        x: 14
        y: 14
        width: card.width - 28
        height: 34
        spacing: 12

        Item {
            id: leadingSlot
            Layout.preferredWidth: childrenRect.width
            Layout.preferredHeight: childrenRect.height
            Layout.alignment: Qt.AlignVCenter
        }
        Column {
            Layout.fillWidth: true
            Layout.minimumWidth: 0
            Layout.alignment: Qt.AlignVCenter
            spacing: 1
            PlainLabel {
                id: nameLabel
                objectName: "cardName"
                width: parent.width
                text: card.name
                color: card.ink.text
                font.pixelSize: 15
                font.weight: Font.Medium
                elide: Text.ElideRight
                maximumLineCount: 1
                Accessible.ignored: true
                // A name cut short shows in full under the pointer.
                HoverHandler {
                    id: nameHover
                }
                PlainToolTip {
                    shown: card.nameTipShown
                    text: card.name
                }
            }
            PlainLabel {
                width: parent.width
                visible: card.caption !== ""
                text: card.caption
                color: card.ink.caption
                font.pixelSize: 11
                elide: Text.ElideRight
                maximumLineCount: 1
                Accessible.ignored: true
            }
        }
        Row {
            id: accessoryRow
            Layout.alignment: Qt.AlignVCenter
            spacing: 6
        }
        HueToggle {
            id: toggle
            Layout.alignment: Qt.AlignVCenter
            text: card.name
            isOn: card.isOn
            onSwitched: value => card.switched(value)
        }
    }

    BrightnessSlider {
        id: slider
        x: 14
        y: 14 + 34 + 10
        width: card.width - 28
        // Shown and usable only for a lit card with a brightness; its room
        // stays either way.
        visible: card.hasBrightness
        brightness: card.hasBrightness ? card.brightness : 0
        onChange: value => card.brightnessPicked(value)
    }
}
