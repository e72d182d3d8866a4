pragma ComponentBehavior: Bound
import QtQuick
import Lumora
import Qt5Compat.GraphicalEffects

// A grid whose order the user changes by dragging a cell: the picked-up cell
// is lifted out of its slot, which stays an empty gap, and follows the
// pointer; the other cells slide out of its way, and on release the owner
// receives the new order of ids (the commit signal). The grid stores nothing;
// its owner saves the order and feeds the items back. ReorderLayout places
// the cells and runs the drag; what is here is the pointer handling, the
// lifted cell's shadow and the animations.
ReorderLayout {
    id: grid

    property string idRole: "id"
    // Builds the content of a cell. Each role of the cell's row (each member of
    // an array's item) that the content's root declares as a property, as a
    // rule `required property <type> <role>`, is set when the content is made
    // and follows the row from then on (CellContent.make); other roles are left
    // out. A live update so reaches a card without remaking it.
    property Component content

    // The dragged cell's own handler sees the release; when the cell is gone
    // because its item vanished mid-drag, the grid sees it here instead, and
    // the drag ends as usual.
    PointHandler {
        target: null
        acceptedButtons: Qt.LeftButton
        onActiveChanged: if (!active) grid.pointerReleasedAnywhere()
    }

    // After the release the lifted cell glides into its slot; its arrival ends the drag.
    // response 0.26 s, damping fraction 0.86, in SpringAnimation's 16 ms steps
    onSettlingChanged: {
        if (settling)
            settleAnimation.restart();
        else
            settleAnimation.stop();
    }
    SpringAnimation {
        id: settleAnimation
        target: grid
        property: "settleProgress"
        to: 1
        spring: 9.344
        damping: 0.665
        epsilon: 0.002
        onFinished: grid.settled()
    }

    Repeater {
        model: grid.model

        delegate: ReorderCell {
            id: cell
            required property var model
            required property int index
            readonly property var entry: (model.modelData !== undefined && model.modelData !== null
                                          && typeof model.modelData === "object") ? model.modelData : model
            itemId: String(entry[grid.idRole])
            modelIndex: index

            x: frame.x
            y: frame.y
            width: frame.width
            height: frame.height

            // The dragged cell itself is the lifted card: drawn above the
            // others where the layout's copy frame is (under the pointer, then
            // on its way back), while its own position keeps to its slot, which
            // so stays an empty gap. Not a picture of it: drawing the card into
            // a texture on the first frame of a drag costs that frame an
            // offscreen pass (and the driver its shaders for it), which the
            // card as the grid already draws it does not.
            readonly property bool lifted: grid.dragId === itemId
            z: lifted ? 3 : 0
            scale: lifted && grid.dragging ? 1.03 : 1.0
            Behavior on scale { NumberAnimation { duration: 260; easing.type: Easing.OutQuad } }
            transform: Translate {
                x: cell.lifted ? grid.copyFrame.x + (grid.copyFrame.width - cell.width) / 2 - cell.x : 0
                y: cell.lifted ? grid.copyFrame.y + (grid.copyFrame.height - cell.height) / 2 - cell.y : 0
            }

            // response 0.32 s, damping fraction 0.82, in SpringAnimation's 16 ms steps
            // A new cell appears in its slot; later changes of order slide.
            Behavior on x {
                enabled: cell.placed && grid.slideMoves
                SpringAnimation { spring: 6.168; damping: 0.515; epsilon: 0.25 }
            }
            Behavior on y {
                enabled: cell.placed && grid.slideMoves
                SpringAnimation { spring: 6.168; damping: 0.515; epsilon: 0.25 }
            }

            onRevealRequested: {
                if (!contentItem && grid.content)
                    contentItem = CellContent.make(grid.content, cell, cell.entry);
            }

            activeFocusOnTab: true
            Accessible.focusable: true
            Accessible.role: Accessible.ListItem
            Accessible.name: accessibleName
            accessibleName: contentItem ? contentItem.Accessible.name : ""
            // The cell holds the keyboard focus; the card inside it sees the
            // keys first, so that what the card offers by keyboard (a scene's
            // recall and menu) is reachable. Alt with an arrow key moves the cell.
            Keys.forwardTo: contentItem ? [contentItem] : []

            FocusRing {
                innerRadius: 14
            }

            // On the cell itself, so that it sees the presses the content does
            // not take: controls inside a cell (sliders, switches, buttons) keep
            // their own drags, and a drag starts anywhere else on the card.
            DragHandler {
                target: null
                dragThreshold: 8
                // A surrounding Flickable must not take a card away mid-drag.
                grabPermissions: PointerHandler.CanTakeOverFromHandlersOfDifferentType
                onActiveChanged: {
                    if (active)
                        moved();
                    else
                        grid.pointerReleased(cell.itemId);
                }
                onCentroidChanged: if (active) moved()
                function moved() {
                    grid.pointerMoved(cell.itemId, centroid.scenePressPosition, centroid.scenePosition);
                }
            }
        }
    }

    // The lifted cell's shadow, under it and above the other cells; it takes
    // no input and has nothing in it that assistive technologies could find.
    Item {
        id: shadow
        objectName: "dragShadow"
        z: 2
        visible: grid.dragContent !== null
        enabled: false
        Accessible.ignored: true
        x: grid.copyFrame.x
        y: grid.copyFrame.y
        width: grid.copyFrame.width
        height: grid.copyFrame.height
        scale: grid.dragging ? 1.03 : 1.0
        Behavior on scale { NumberAnimation { duration: 260; easing.type: Easing.OutQuad } }

        RectangularGlow {
            anchors.fill: parent
            anchors.topMargin: 10
            anchors.bottomMargin: -10
            glowRadius: 16
            spread: 0
            cornerRadius: 14 + glowRadius
            color: Theme.liftShadow
            opacity: grid.dragging ? 0.5 : 0
            visible: GraphicsInfo.api !== GraphicsInfo.Software
            Behavior on opacity { NumberAnimation { duration: 260; easing.type: Easing.OutQuad } }
        }
    }
}
