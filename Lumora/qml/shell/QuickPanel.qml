import QtQuick
import QtQuick.Controls
import QtQuick.Window
import Lumora

// The small window the tray icon opens: the favourite scenes as tiles and the
// favourite rooms and zones (without any, every room and zone) as cards with
// their switch and brightness. They are the main window's own tiles and cards,
// so they follow the same rules and send at the same pace. While the bridge
// cannot be used the panel says why.
Window {
    id: panel

    objectName: "quickPanel"
    title: Rules.tr("Lumora – Schnellzugriff", "Lumora – Quick Panel")
    flags: Qt.Dialog
    width: 380
    height: 540
    minimumWidth: 320
    minimumHeight: 240
    color: Theme.content
    visible: true

    readonly property bool usable: Store.phase === Store.Ready

    Pane {
        anchors.fill: parent
        padding: 0
        background: Rectangle {
            color: Theme.content
        }
        Component.onCompleted: Theme.paint(palette)

        ContentUnavailable {
            objectName: "quickPanelUnusable"
            anchors.fill: parent
            visible: !panel.usable
            symbol: Store.phase === Store.Unreachable ? "wifi.exclamationmark" : "lightbulb.led.wide"
            title: Store.phase === Store.Unpaired ? Rules.tr("Noch keine Bridge gekoppelt", "No Bridge Paired Yet")
                 : Store.phase === Store.Connecting ? Rules.tr("Verbinde mit der Bridge …", "Connecting to the bridge…")
                 : Rules.tr("Bridge nicht erreichbar", "Bridge unreachable")
            description: Store.phase === Store.Unpaired
                         ? Rules.tr("Öffne Lumora, um eine Bridge zu koppeln.", "Open Lumora to pair a bridge.")
                         : Store.phase === Store.Unreachable ? Store.unreachableDescription : ""
        }

        ScreenPage {
            anchors.fill: parent
            visible: panel.usable

            Column {
                width: parent.width
                visible: scenes.count > 0
                SectionTitle {
                    width: parent.width
                    text: Rules.tr("Lieblingsszenen", "Favourite Scenes")
                }
                SceneGrid {
                    id: scenes
                    objectName: "quickScenes"
                    width: parent.width
                    favorites: true
                }
            }
            Column {
                width: parent.width
                visible: favoriteGroups.count > 0
                SectionTitle {
                    width: parent.width
                    text: Rules.tr("Räume und Zonen", "Rooms and Zones")
                }
                GroupGrid {
                    id: favoriteGroups
                    objectName: "quickFavoriteGroups"
                    width: parent.width
                    source: GroupListModel.Favorites
                    onOpen: id => {
                        Store.openGroup(id);
                        Desktop.openMainWindow();
                    }
                }
            }
            Column {
                width: parent.width
                visible: favoriteGroups.count === 0 && rooms.count > 0
                SectionTitle {
                    width: parent.width
                    text: Rules.tr("Räume", "Rooms")
                }
                GroupGrid {
                    id: rooms
                    objectName: "quickRooms"
                    width: parent.width
                    source: GroupListModel.Rooms
                    onOpen: id => {
                        Store.openGroup(id);
                        Desktop.openMainWindow();
                    }
                }
            }
            Column {
                width: parent.width
                visible: favoriteGroups.count === 0 && zones.count > 0
                SectionTitle {
                    width: parent.width
                    text: Rules.tr("Zonen", "Zones")
                }
                GroupGrid {
                    id: zones
                    objectName: "quickZones"
                    width: parent.width
                    source: GroupListModel.Zones
                    onOpen: id => {
                        Store.openGroup(id);
                        Desktop.openMainWindow();
                    }
                }
            }
        }
    }
}
