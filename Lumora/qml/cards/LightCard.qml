import QtQuick
import QtQuick.Controls
import QtQuick.Templates as T
import Lumora

// The card of one light: its colour button with the picker, name, switch,
// star and brightness. An unreachable light stays operable but is dimmed and
// captioned.
ControlCard {
    id: card

    // A row of LightListModel (its roles by name).
    required property var item
    readonly property string lightId: item.id
    property bool showsColorPicker: false
    readonly property bool isHovered: hover.hovered

    name: item.name
    caption: item.isReachable ? "" : Rules.tr("Nicht erreichbar", "Unreachable")
    glow: item.glow ?? null
    isOn: item.isOn
    brightness: item.brightness
    opacity: item.isReachable ? 1 : 0.6

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
            text: card.item.canChangeColor ? Rules.tr("Farbe wählen", "Choose colour")
                                           : Rules.tr("Diese Lampe hat nur eine Lichtfarbe",
                                                      "This light has a single colour")
        }

        T.AbstractButton {
            id: colorButton
            objectName: "colorButton"
            anchors.fill: parent
            enabled: card.item.canChangeColor
            focusPolicy: Qt.TabFocus
            onClicked: card.showsColorPicker = !card.showsColorPicker
            containmentMask: background
            Accessible.role: Accessible.Button
            Accessible.name: Rules.tr("Farbe von ", "Colour of ") + card.name

            background: Rectangle {
                radius: 15
                color: card.item.canChangeColor ? Qt.rgba(1, 1, 1, 0.22) : "transparent"
                function contains(point: point): bool {
                    const dx = point.x - 15;
                    const dy = point.y - 15;
                    return dx * dx + dy * dy <= 225;
                }
            }
            contentItem: Item {
                SymbolIcon {
                    anchors.centerIn: parent
                    width: 16
                    height: 16
                    name: card.item.symbol
                    color: "white"
                }
            }

            ColorPickerPopup {
                id: picker
                objectName: "colorPicker"
                current: card.item.displayColor
                supportsColor: card.item.supportsColor
                mirek: card.item.mirek
                mirekRange: card.item.mirekRange
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
        isFavorite: card.item.isFavorite
        isOwnerHovered: card.isHovered
    }
}
