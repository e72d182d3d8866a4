import QtQml
import Lumora

// The title of the working screen, for the window: what the sidebar has
// chosen, the group by its name as the bridge has it now.
QtObject {
    readonly property Group group: Group {
        store: Store
        groupId: Store.selectedGroupId
    }
    readonly property string text: Store.selection === "favorites" ? Rules.tr("Favoriten", "Favourites")
                                    : Store.selection === "home" ? Rules.tr("Zuhause", "Home")
                                    : group.name
}
