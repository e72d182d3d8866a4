import QtQuick
import Lumora

// A card as the screens draw one, on sample data: symbol, name, summary,
// switch and brightness slider on a lit surface.
ControlCard {
    id: card

    // The members of a sample item.
    required name
    required property string summary
    required property string symbol
    required isOn
    required brightness
    required property var colors

    caption: summary
    glow: isOn ? StyleRules.glow(colors, brightness) : null

    leading: Item {
        width: 30
        height: 30
        SymbolIcon {
            anchors.centerIn: parent
            width: 20
            height: 20
            name: card.symbol
            color: Theme.text
        }
    }
}
