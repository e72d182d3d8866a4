import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumora

// The working screen: the sidebar with Favourites, Home, the rooms and the
// zones, and the detail column with the status banner over the chosen screen.
SplitView {
    id: root

    // The detail screen's title, passed up to the window.
    readonly property string title: screenTitle.text
    ScreenTitle {
        id: screenTitle
    }

    orientation: Qt.Horizontal

    // Escape anywhere on the working screen dismisses a failed command's banner.
    Keys.onEscapePressed: event => {
        event.accepted = Store.bannerDismissible;
        Store.dismissBanner();
    }

    GroupListModel {
        id: rooms
        store: Store
        source: GroupListModel.Rooms
    }
    GroupListModel {
        id: zones
        store: Store
        source: GroupListModel.Zones
    }

    handle: Rectangle {
        implicitWidth: 1
        color: Theme.divider
    }

    Rectangle {
        id: sidebar
        objectName: "sidebar"
        SplitView.minimumWidth: 190
        SplitView.preferredWidth: 220
        SplitView.maximumWidth: 300
        color: Theme.sidebar
        focus: true
        activeFocusOnTab: true
        Accessible.role: Accessible.List
        Accessible.name: Rules.tr("Seitenleiste", "Sidebar")
        // The arrow keys move the selection by one row, in sidebar order.
        Keys.onUpPressed: Store.selectNeighbour(-1, rooms.ids, zones.ids)
        Keys.onDownPressed: Store.selectNeighbour(1, rooms.ids, zones.ids)

        Flickable {
            anchors.fill: parent
            contentHeight: column.implicitHeight + 20
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

            Column {
                id: column
                y: 10
                width: sidebar.width

                SidebarRow {
                    width: column.width
                    showsFocus: sidebar.activeFocus
                    value: "favorites"
                    name: Rules.tr("Favoriten", "Favourites")
                    symbol: "star.fill"
                }
                SidebarRow {
                    width: column.width
                    showsFocus: sidebar.activeFocus
                    value: "home"
                    name: Rules.tr("Zuhause", "Home")
                    symbol: "house.fill"
                }
                SidebarSection {
                    width: column.width
                    title: Rules.tr("Räume", "Rooms")
                    model: rooms
                    showsFocus: sidebar.activeFocus
                }
                SidebarSection {
                    width: column.width
                    title: Rules.tr("Zonen", "Zones")
                    model: zones
                    showsFocus: sidebar.activeFocus
                }
            }
        }
        TapHandler {
            onTapped: sidebar.forceActiveFocus()
        }
    }

    Rectangle {
        SplitView.fillWidth: true
        color: Theme.content
        z: 1

        // The line between the panes is 1 point wide; this strip takes the
        // pointer 3 points either side of it and resizes the sidebar. It
        // reaches back over the sidebar, so this pane lies above it.
        Item {
            objectName: "handleGrip"
            x: -4
            z: 1
            width: 7
            height: parent.height
            HoverHandler {
                cursorShape: Qt.SplitHCursor
            }
            DragHandler {
                id: grip
                target: null
                yAxis.enabled: false
                property real startWidth: 0
                onActiveChanged: if (grip.active) grip.startWidth = sidebar.width
                onTranslationChanged: {
                    if (grip.active)
                        sidebar.SplitView.preferredWidth = grip.startWidth + grip.translation.x;
                }
            }
        }

        ColumnLayout {
            anchors.fill: parent
            spacing: 0

            StatusBanner {
                Layout.fillWidth: true
            }
            Loader {
                id: detail
                Layout.fillWidth: true
                Layout.fillHeight: true
                sourceComponent: Store.selection === "favorites" ? favoritesPage
                                 : Store.selection === "home" ? homePage : groupPage
            }
        }
    }

    // ---- detail screens ----------------------------------------------------
    Component {
        id: favoritesPage
        FavoritesView {
            onOpen: id => Store.openGroup(id)
        }
    }
    Component {
        id: homePage
        HomeOverviewView {
            onOpen: id => Store.openGroup(id)
        }
    }
    Component {
        id: groupPage
        GroupDetailView {
            groupId: Store.selectedGroupId
        }
    }
    // ---- end of detail screens ----------------------------------------------
}
