import QtQuick
import Lumora

// The favourite scenes, rooms and zones, and lights, each in its own saved
// order; favourites whose thing is gone are left out. Without any, a
// placeholder says how to add one.
Item {
    id: view

    signal open(string groupId)
    readonly property bool isEmpty: scenes.count === 0 && groups.count === 0 && lights.count === 0

    ContentUnavailable {
        objectName: "placeholder"
        anchors.fill: parent
        visible: view.isEmpty
        symbol: "star"
        title: Rules.tr("Noch keine Favoriten", "No Favourites Yet")
        description: Rules.tr("Zeige auf eine Szene, einen Raum oder eine Lampe und klicke auf den Stern.",
                              "Point at a scene, a room or a light and click the star.")
    }

    ScreenPage {
        anchors.fill: parent
        visible: !view.isEmpty

        Column {
            width: parent.width
            visible: scenes.count > 0
            SectionTitle {
                width: parent.width
                text: Rules.tr("Szenen", "Scenes")
            }
            SceneGrid {
                id: scenes
                objectName: "favoriteScenes"
                width: parent.width
                favorites: true
            }
        }
        Column {
            width: parent.width
            visible: groups.count > 0
            SectionTitle {
                width: parent.width
                text: Rules.tr("Räume und Zonen", "Rooms and Zones")
            }
            GroupGrid {
                id: groups
                objectName: "favoriteGroups"
                width: parent.width
                source: GroupListModel.Favorites
                onOpen: id => view.open(id)
            }
        }
        Column {
            width: parent.width
            visible: lights.count > 0
            SectionTitle {
                width: parent.width
                text: Rules.tr("Lampen", "Lights")
            }
            LightGrid {
                id: lights
                objectName: "favoriteLights"
                width: parent.width
                favorites: true
            }
        }
    }
}
