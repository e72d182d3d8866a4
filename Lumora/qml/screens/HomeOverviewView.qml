import QtQuick
import Lumora

// The home overview: the whole home as a banner, the rooms and the zones as
// cards, then every room with its lights and scenes. The page scrolls like
// every screen's frame (no scroll bars, 20 points padding, 16 between
// sections), but builds the room sections only as they come into view: a
// large home has hundreds of cards below the fold.
ListView {
    id: view

    signal open(string groupId)

    boundsBehavior: Flickable.StopAtBounds
    clip: true
    cacheBuffer: 400
    reuseItems: false

    // The part above the room sections grows when the rooms and zones arrive
    // after the sections have been placed, and a ListView then keeps its
    // content about where it was: a home of several rooms would open
    // scrolled past its banner. Until the user scrolls away, the view keeps
    // to the top.
    property bool keepsTop: true
    onMovementStarted: keepsTop = false
    onMovementEnded: keepsTop = atYBeginning
    onOriginYChanged: {
        if (keepsTop)
            contentY = originY;
    }

    model: GroupListModel {
        store: Store
        source: GroupListModel.Rooms
    }

    // The header and the sections reach the view through their context (a
    // bound component breaks the grids' own components in Qt 6.4), which the
    // linter cannot follow.
    // qmllint disable unqualified
    header: Column {
        width: view.width
        padding: 20
        bottomPadding: 16
        spacing: 16

        GroupListModel {
            id: home
            store: Store
            source: GroupListModel.Home
        }
        Repeater {
            model: home
            delegate: GroupCard {
                objectName: "homeBanner"
                width: view.width - 40
                isBanner: true
            }
        }
        Column {
            width: view.width - 40
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
            width: view.width - 40
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
    }

    delegate: RoomSection {
        width: view.width
        sideMargin: 20
        bottomMargin: 16
        onOpen: view.open(groupId)
    }
    // qmllint enable unqualified
    footer: Item {
        height: 4
    }
}
