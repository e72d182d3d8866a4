import QtQuick
import Lumora

// A card as the screens draw one, on sample data: symbol, name, summary,
// switch and brightness slider on a lit surface.
ControlCard {
    id: card

    required property var item

    name: item.name
    caption: item.summary
    isOn: item.on
    brightness: item.brightness
    glow: item.on ? Rules.glow(item.colors, item.brightness) : null

    leading: Item {
        width: 30
        height: 30
        SymbolIcon {
            anchors.centerIn: parent
            width: 20
            height: 20
            name: card.item.symbol
            color: "white"
        }
    }
}
