import QtQuick
import Lumora

// The home overview: the whole home as a banner, the rooms and the zones as
// cards, then every room with its lights and scenes.
ScreenPage {
    id: view

    signal open(string groupId)

    title: Rules.tr("Zuhause", "Home")

    GroupListModel {
        id: home
        store: Store
        source: GroupListModel.Home
    }
    Repeater {
        model: home
        delegate: GroupCard {
            required property var model
            item: model
            width: view.stack.width
            isBanner: true
        }
    }

    Column {
        width: parent.width
        visible: rooms.count > 0
        SectionTitle {
            width: parent.width
            text: Rules.tr("Räume", "Rooms")
        }
        GroupGrid {
            id: rooms
            objectName: "roomsGrid"
            width: parent.width
            source: GroupListModel.Rooms
            onOpen: id => view.open(id)
        }
    }
    Column {
        width: parent.width
        visible: zones.count > 0
        SectionTitle {
            width: parent.width
            text: Rules.tr("Zonen", "Zones")
        }
        GroupGrid {
            id: zones
            objectName: "zonesGrid"
            width: parent.width
            source: GroupListModel.Zones
            onOpen: id => view.open(id)
        }
    }

    Repeater {
        model: rooms.groups
        delegate: RoomSection {
            required property var model
            room: model
            width: view.stack.width
            onOpen: view.open(room.id)
        }
    }
}
