import QtQuick
import Lumora

// The cards of rooms, zones or favourite groups in their saved order; a click
// on a card opens its group, a drag saves the new order.
ReorderableGrid {
    id: grid

    property alias source: groups.source
    readonly property alias groups: groups
    signal open(string groupId)

    idRole: "groupId"
    columnMinimum: ColumnRules.cards.minimum
    columnSpacing: ColumnRules.cards.spacing
    spacing: 12
    estimatedCellHeight: 86
    model: GroupListModel {
        id: groups
        store: Store
    }
    content: Component {
        GroupCard {
            openable: true
            // The grid makes its cells in this file's context, where qmllint
            // cannot follow it (a bound component cannot be handed to it).
            onOpen: grid.open(groupId) // qmllint disable unqualified
        }
    }
    onCommit: ids => groups.saveOrder(ids)
}
