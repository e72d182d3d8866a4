import QtQuick
import Lumora

// The cards of a group's lights, or of the favourite lights, in their saved
// order; a drag saves the new order.
ReorderableGrid {
    id: grid

    property string groupId
    property bool favorites: false

    idRole: "lightId"
    columnMinimum: ColumnRules.cards.minimum
    columnSpacing: ColumnRules.cards.spacing
    spacing: 12
    estimatedCellHeight: 86
    model: LightListModel {
        store: Store
        groupId: grid.groupId
        favorites: grid.favorites
    }
    content: Component {
        LightCard {}
    }
    onCommit: ids => model.saveOrder(ids)
}
