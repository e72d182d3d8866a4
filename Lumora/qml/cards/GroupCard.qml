import QtQuick
import QtQuick.Controls
import Lumora

// The card of a room, a zone or the whole home. A click anywhere outside its
// controls opens the group when the card has somewhere to open to.
ControlCard {
    id: card

    // The roles of a GroupListModel row the card shows.
    required property string groupId
    required name
    required property string summary
    required property string symbol
    required property string kind
    required isOn
    required brightness
    required glow
    required property bool isFavorite
    required property string openLabel
    property bool isBanner: false
    // Whether a click opens the group (`open` is then emitted).
    property bool openable: false
    readonly property bool isHovered: hover.hovered
    signal open()

    caption: isBanner ? summary : ""

    onSwitched: value => Store.setGroupOn(groupId, value)
    onBrightnessPicked: value => Store.setGroupBrightness(groupId, value)

    Accessible.description: caption !== "" ? caption : openable ? openLabel : ""
    // Press opens the group, and is offered only where the card opens.
    Connections {
        target: card.openable ? card.Accessible : null
        function onPressAction() {
            card.open();
        }
    }

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
        shown: card.openable && hover.hovered && !card.nameTipShown
        text: card.openLabel
    }

    leading: Item {
        width: card.isBanner ? 32 : 30
        height: 30
        SymbolIcon {
            anchors.centerIn: parent
            width: card.isBanner ? 22 : 20
            height: width
            name: card.symbol
            color: card.ink.text
        }
    }

    accessory: FavoriteButton {
        visible: card.kind !== "home"
        kind: "group"
        itemId: card.groupId
        itemName: card.name
        isFavorite: card.isFavorite
        isOwnerHovered: card.isHovered
    }
}
