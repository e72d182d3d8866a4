import QtQuick
import Lumora

// The tiles of a group's scenes, or of the favourite scenes (which name their
// group), in their saved order; a drag saves the new order.
ReorderableGrid {
    id: grid

    property string groupId
    property bool favorites: false

    idRole: "sceneId"
    columnMinimum: ColumnRules.tiles.minimum
    columnSpacing: ColumnRules.tiles.spacing
    spacing: 10
    estimatedCellHeight: 56
    model: SceneListModel {
        store: Store
        groupId: grid.groupId
        favorites: grid.favorites
    }
    content: Component {
        SceneTile {}
    }
    onCommit: ids => model.saveOrder(ids)
}
