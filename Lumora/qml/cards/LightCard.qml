import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Lumora

// The card of one light: its colour button with the picker, name, switch,
// star and brightness. An unreachable light stays operable but is dimmed and
// captioned.
ControlCard {
    id: card

    // The roles of a LightListModel row.
    required property string lightId
    required name
    required property string symbol
    required isOn
    required brightness
    required property bool isReachable
    required glow
    required property color displayColor
    required property bool supportsColor
    // The white tone in mirek and the light's range of it, each null when unknown.
    required property var mirek
    required property var mirekRange
    required property bool canChangeColor
    required property bool isFavorite
    property bool showsColorPicker: false
    readonly property bool isHovered: hover.hovered

    caption: isReachable ? "" : Rules.tr("Nicht erreichbar", "Unreachable")
    dimmed: !isReachable

    onSwitched: value => Store.setLightOn(lightId, value)
    onBrightnessPicked: value => Store.setLightBrightness(lightId, value)

    HoverHandler {
        id: hover
    }

    leading: Item {
        width: 30
        height: 30
        // Hovering works on a disabled button too, for the tooltip that
        // says why it is disabled.
        HoverHandler {
            id: buttonHover
        }
        PlainToolTip {
            shown: buttonHover.hovered
            text: card.canChangeColor ? Rules.tr("Farbe wählen", "Choose colour")
                                           : Rules.tr("Diese Lampe hat nur eine Lichtfarbe",
                                                      "This light has a single colour")
        }

        T.AbstractButton {
            id: colorButton
            objectName: "colorButton"
            anchors.fill: parent
            enabled: card.canChangeColor
            focusPolicy: Qt.TabFocus
            onClicked: card.showsColorPicker = !card.showsColorPicker
            // Only the round button takes the pointer.
            containmentMask: CapsuleMask {
                width: colorButton.width
                height: colorButton.height
            }
            Accessible.role: Accessible.Button
            Accessible.name: Rules.tr("Farbe von ", "Colour of ") + card.name
            // Qt's buttons leave the accessible Press action without a click.
            function accessiblePressAction() {
                if (colorButton.enabled)
                    colorButton.clicked();
            }
            FocusRing {
                shown: colorButton.visualFocus
                innerRadius: 15
            }

            background: Rectangle {
                radius: 15
                color: card.canChangeColor ? Theme.cardButton : "transparent"
            }
            contentItem: Item {
                SymbolIcon {
                    anchors.centerIn: parent
                    width: 16
                    height: 16
                    name: card.symbol
                    color: card.ink.text
                }
            }

            ColorPickerPopup {
                id: picker
                objectName: "colorPicker"
                current: card.displayColor
                supportsColor: card.supportsColor
                mirek: card.mirek
                mirekRange: card.mirekRange
                onColorPicked: value => Store.setLightColor(card.lightId, value)
                onMirekPicked: value => Store.setLightMirek(card.lightId, value)
                onClosed: card.showsColorPicker = false
            }
        }
    }
    onShowsColorPickerChanged: showsColorPicker ? picker.open() : picker.close()

    accessory: FavoriteButton {
        kind: "light"
        itemId: card.lightId
        itemName: card.name
        isFavorite: card.isFavorite
        isOwnerHovered: card.isHovered
    }
}
