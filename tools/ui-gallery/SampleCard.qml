import QtQuick
import Lumora

// A card as the screens will draw one: symbol, name, summary, switch and
// brightness slider on a lit surface.
LitSurface {
    id: card

    required property var item

    implicitHeight: 112
    glow: item.on ? Rules.glow(item.colors, item.brightness) : null
    Accessible.name: item.name

    SymbolIcon {
        x: 14
        y: 14
        width: 22
        height: 22
        name: card.item.symbol
        color: "white"
    }
    Text {
        x: 46
        y: 10
        width: card.width - 46 - 66
        text: card.item.name
        color: "white"
        font.pixelSize: 14
        font.weight: Font.DemiBold
        elide: Text.ElideRight
    }
    Text {
        x: 46
        y: 29
        width: card.width - 46 - 66
        text: card.item.summary
        color: Qt.rgba(1, 1, 1, 0.8)
        font.pixelSize: 11
        elide: Text.ElideRight
    }
    HueToggle {
        x: card.width - width - 14
        y: 12
        text: card.item.name
        isOn: card.item.on
    }
    BrightnessSlider {
        x: 14
        y: card.height - 34
        width: card.width - 28
        brightness: card.item.brightness
    }
}
