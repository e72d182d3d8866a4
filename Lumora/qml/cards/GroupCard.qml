import QtQuick
import QtQuick.Controls
import Lumora

// The card of a room, a zone or the whole home. A click anywhere outside its
// controls opens the group when the card has somewhere to open to.
ControlCard {
    id: card

    // A row of GroupListModel (its roles by name).
    required property var item
    readonly property string groupId: item.id
    property bool isBanner: false
    // Whether a click opens the group (`open` is then emitted).
    property bool openable: false
    readonly property bool isHovered: hover.hovered
    signal open()

    name: item.name
    caption: isBanner ? item.summary : ""
    glow: item.glow ?? null
    isOn: item.isOn
    brightness: item.brightness

    onSwitched: value => Store.setGroupOn(groupId, value)
    onBrightnessPicked: value => Store.setGroupBrightness(groupId, value)

    Accessible.description: openable ? item.openLabel : ""
    Accessible.onPressAction: if (openable) card.open()

    HoverHandler {
        id: hover
    }
    // Controls inside the card take their own presses, so only a click on
    // the card's own surface reaches this.
    TapHandler {
        enabled: card.openable
        onTapped: card.open()
    }
    PlainToolTip {
        shown: card.openable && hover.hovered
        text: card.item.openLabel
    }

    leading: Item {
        width: card.isBanner ? 32 : 30
        height: 30
        SymbolIcon {
            anchors.centerIn: parent
            width: card.isBanner ? 22 : 20
            height: width
            name: card.item.symbol
            color: "white"
        }
    }

    accessory: FavoriteButton {
        visible: card.item.kind !== "home"
        kind: "group"
        itemId: card.groupId
        isFavorite: card.item.isFavorite
        isOwnerHovered: card.isHovered
    }
}
