pragma ComponentBehavior: Bound
import QtQuick
import Lumora
import Qt5Compat.GraphicalEffects

// A grid whose order the user changes by dragging a cell: the picked-up cell
// leaves a gap, a lifted copy follows the pointer, the other cells slide out
// of its way, and on release the owner receives the new order of ids. The
// grid stores nothing; its owner saves the order and feeds the items back.
Item {
    id: grid

    // The items in their current saved order: a list model with an id role or
    // an array of objects with an id member (see idRole).
    property var model: []
    property string idRole: "id"
    // The adaptive column set: as many columns as fit, each at least
    // columnMinimum wide (at most columnMaximum when given), columnSpacing apart.
    property real columnMinimum: 270
    property var columnMaximum: null
    property real columnSpacing: 12
    // Spacing between rows.
    property real spacing: 12
    // Builds the content of a cell. Each role of the cell's row (each member of
    // an array's item) that the content's root declares as a property, as a
    // rule `required property <type> <role>`, is set when the content is made
    // and follows the row from then on (CellContent.make); other roles are left
    // out. A live update so reaches a card without remaking it.
    property Component content

    // Cells make their content only when they come within revealMargin of
    // the visible part of the scrolling view the grid sits in: a large home
    // has hundreds of cards below the fold, and making them all at once is
    // most of the start-up time and memory. Until then a cell takes the
    // height of the contents made so far (estimatedCellHeight before any).
    property real estimatedCellHeight: 0
    property real revealMargin: 400
    property real learnedCellHeight: 0
    readonly property real placeholderHeight: learnedCellHeight > 0 ? learnedCellHeight : estimatedCellHeight
    // The nearest Flickable around the grid; without one every cell is in view.
    property Item viewport: null

    // Receives the new order at the end of a drag or after an accessibility move.
    signal commit(var ids)

    // The drag in progress, or null: {id, order, grabX, grabY, width, height,
    // originX, originY, isSettling, token}.
    property var drag: null
    readonly property bool dragging: drag !== null && !drag.isSettling

    readonly property int count: repeater.count
    // The ids in model order, read from the cells' own indexes: they are
    // current as soon as a row moves, before the Repeater reorders its list.
    readonly property var itemIds: {
        cellsVersion;
        const live = [];
        for (const id in cells)
            live.push(cells[id]);
        live.sort((a, b) => a.index - b.index);
        return live.map(cell => cell.itemId);
    }
    // The parts of the drag that cells depend on, changed only when they
    // change: a pointer move that keeps the order touches no cell.
    property string dragId: ""
    property var dragOrder: null
    onDragChanged: {
        const id = drag === null ? "" : drag.id;
        if (dragId !== id)
            dragId = id;
        const order = drag === null ? null : drag.order;
        if (!sameList(dragOrder, order))
            dragOrder = order;
    }
    function sameList(a, b) {
        if (a === b)
            return true;
        if (!a || !b || a.length !== b.length)
            return false;
        for (let i = 0; i < a.length; ++i) {
            if (a[i] !== b[i])
                return false;
        }
        return true;
    }
    readonly property var displayedIds: dragOrder !== null ? Rules.reorderSorted(itemIds, dragOrder) : itemIds
    readonly property var columnLayout: Rules.columns(width, columnMinimum, columnMaximum, columnSpacing)
    // Frames of the cells in the grid's coordinates, keyed by id, the total
    // height and the ids in display order.
    readonly property var nextLayout: computeLayout()
    property var layout: nextLayout
    // Cells slide to new slots only when the order of ids changed; a new
    // width, column count or neighbour's height moves them at once. Set
    // before the new layout reaches the cells, so their animations see it.
    property bool slideMoves: false
    onNextLayoutChanged: {
        const reordered = !sameList(layout.ids, nextLayout.ids);
        if (slideMoves !== reordered)
            slideMoves = reordered;
        layout = nextLayout;
    }

    implicitHeight: layout.height
    implicitWidth: columnMinimum

    property int cellsVersion: 0
    property var cells: ({})
    property int tokenCounter: 0
    // Where the floating copy starts gliding from on release, and how far it got.
    property real settleFromX: 0
    property real settleFromY: 0
    property real settleProgress: 0
    property int settleToken: 0

    function cellOf(id) {
        return cells[id] ?? null;
    }

    function computeLayout() {
        cellsVersion;
        const ids = displayedIds;
        const columns = columnLayout.count;
        const cellWidth = columnLayout.cellWidth;
        const frames = {};
        let top = 0;
        for (let row = 0; row * columns < ids.length; ++row) {
            const first = row * columns;
            const last = Math.min(first + columns, ids.length);
            let rowHeight = 0;
            for (let i = first; i < last; ++i) {
                const cell = cellOf(ids[i]);
                rowHeight = Math.max(rowHeight, cell ? cell.contentHeight : 0);
            }
            if (row > 0)
                top += spacing;
            for (let i = first; i < last; ++i) {
                const cell = cellOf(ids[i]);
                const height = cell ? cell.contentHeight : 0;
                const x = columnLayout.leading + (i - first) * (cellWidth + columnSpacing);
                frames[ids[i]] = Qt.rect(x, top + (rowHeight - height) / 2, cellWidth, height);
            }
            top += rowHeight;
        }
        return { frames: frames, height: top, ids: ids };
    }

    function findViewport() {
        for (let item = parent; item; item = item.parent) {
            if (item instanceof Flickable)
                return item;
        }
        return null;
    }
    Component.onCompleted: scheduleReveal()
    // Once per turn of the event loop, however many cells and scrolls asked.
    function scheduleReveal() {
        if (!revealTimer.running)
            revealTimer.start();
    }
    Timer {
        id: revealTimer
        interval: 0
        onTriggered: grid.reveal()
    }
    // Makes the content of every cell within the margin around the view.
    function reveal() {
        if (!visible)
            return;
        // Looked up here, not at creation: views parent their header and
        // delegates only after making them.
        if (viewport === null)
            viewport = findViewport();
        let from = -Infinity;
        let to = Infinity;
        if (viewport) {
            const top = grid.mapToItem(viewport, 0, 0).y;
            from = -top - revealMargin;
            to = viewport.height - top + revealMargin;
        }
        for (const id in cells) {
            const cell = cells[id];
            if (cell.contentItem)
                continue;
            const frame = layout.frames[id];
            if (frame === undefined || (frame.y + frame.height >= from && frame.y <= to))
                cell.makeContent();
        }
    }
    onLayoutChanged: scheduleReveal()
    onVisibleChanged: scheduleReveal()
    Connections {
        target: grid.viewport
        function onContentYChanged() { grid.scheduleReveal(); }
        function onHeightChanged() { grid.scheduleReveal(); }
    }

    function register(cell) {
        cells[cell.itemId] = cell;
        cell.registeredId = cell.itemId;
        cellsVersion++;
        scheduleReveal();
    }

    function entryOf(id) {
        const cell = cellOf(id);
        return cell ? cell.entry : null;
    }

    // Accessibility moves: one place towards the start (-1) or the end (+1).
    function moveBy(id, step) {
        const order = Rules.reorderStep(id, step, itemIds);
        if (order !== null)
            commit(order);
        return order !== null;
    }

    function pointerMoved(id, pressScene, scene) {
        const start = grid.mapFromItem(null, pressScene.x, pressScene.y);
        const point = grid.mapFromItem(null, scene.x, scene.y);
        if (drag === null || drag.isSettling) {
            const frame = layout.frames[id];
            if (itemIds.length < 2 || frame === undefined)
                return;
            settleAnimation.stop();
            drag = {
                id: id,
                order: itemIds.slice(),
                grabX: start.x - frame.x,
                grabY: start.y - frame.y,
                width: frame.width,
                height: frame.height,
                originX: frame.x,
                originY: frame.y,
                isSettling: false,
                token: ++tokenCounter
            };
        }
        if (drag.id !== id || drag.isSettling)
            return;
        const next = Object.assign({}, drag);
        next.originX = point.x - drag.grabX;
        next.originY = point.y - drag.grabY;
        // The copy's centre, not the pointer, decides where the item goes.
        const target = Rules.reorderTarget(next.originX + drag.width / 2, next.originY + drag.height / 2,
                                           layout.frames, drag.id);
        if (target !== "") {
            const order = Rules.reorderMove(drag.id, target, drag.order);
            if (order !== null)
                next.order = order;
        }
        drag = next;
    }

    function pointerReleased(id) {
        if (drag === null || drag.id !== id || drag.isSettling)
            return;
        // Items that arrived during the drag keep their places after it.
        const order = drag.order.slice();
        for (const other of itemIds) {
            if (order.indexOf(other) < 0)
                order.push(other);
        }
        commit(order);
        if (drag === null || drag.id !== id || drag.isSettling)
            return;
        const frame = layout.frames[id];
        const next = Object.assign({}, drag);
        next.isSettling = true;
        settleFromX = drag.originX;
        settleFromY = drag.originY;
        next.originX = frame !== undefined ? frame.x : drag.originX;
        next.originY = frame !== undefined ? frame.y : drag.originY;
        settleProgress = 0;
        settleToken = next.token;
        drag = next;
        settleAnimation.restart();
    }

    // A model that is replaced or reset during a drag ends it without a
    // commit: the working order was made from items that are gone, and saving
    // it would drop the saved places of the items that are new.
    function abandonDrag() {
        if (drag === null)
            return;
        settleAnimation.stop();
        drag = null;
    }
    onModelChanged: abandonDrag()
    Connections {
        target: grid.model !== null && typeof grid.model === "object" && !Array.isArray(grid.model) ? grid.model : null
        ignoreUnknownSignals: true
        function onModelAboutToBeReset() { grid.abandonDrag(); }
    }

    // The dragged cell's own handler sees the release; when the cell is gone
    // because its item vanished mid-drag, the grid sees it here instead, and
    // the drag ends as usual.
    PointHandler {
        target: null
        acceptedButtons: Qt.LeftButton
        onActiveChanged: {
            if (!active && grid.drag !== null && grid.cellOf(grid.drag.id) === null)
                grid.pointerReleased(grid.drag.id);
        }
    }

    function settled() {
        // A drag that started meanwhile keeps going; only this drag is cleared.
        if (drag !== null && drag.token === settleToken)
            drag = null;
    }

    // response 0.26 s, damping fraction 0.86, in SpringAnimation's 16 ms steps
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
        id: repeater
        model: grid.model
        onItemAdded: grid.cellsVersion++
        onItemRemoved: grid.cellsVersion++

        delegate: ReorderCell {
            id: cell
            required property var model
            required property int index
            readonly property var entry: (model.modelData !== undefined && model.modelData !== null
                                          && typeof model.modelData === "object") ? model.modelData : model
            readonly property string itemId: String(entry[grid.idRole])
            property Item contentItem: null
            readonly property real contentHeight: contentItem ? contentItem.implicitHeight : grid.placeholderHeight
            readonly property rect frame: grid.layout.frames[itemId] ?? Qt.rect(0, 0, 0, 0)

            x: frame.x
            y: frame.y
            width: frame.width
            height: frame.height
            // The dragged item's slot stays as an empty gap under the floating copy.
            opacity: grid.dragId === itemId ? 0 : 1

            // response 0.32 s, damping fraction 0.82, in SpringAnimation's 16 ms steps
            // A new cell appears in its slot; later changes of order slide.
            property bool placed: false
            Behavior on x {
                enabled: cell.placed && grid.slideMoves
                SpringAnimation { spring: 6.168; damping: 0.515; epsilon: 0.25 }
            }
            Behavior on y {
                enabled: cell.placed && grid.slideMoves
                SpringAnimation { spring: 6.168; damping: 0.515; epsilon: 0.25 }
            }

            // The id the cell is known under in grid.cells.
            property string registeredId
            onItemIdChanged: {
                if (registeredId !== "" && grid.cells[registeredId] === cell) {
                    delete grid.cells[registeredId];
                    grid.cells[itemId] = cell;
                    registeredId = itemId;
                }
                grid.cellsVersion++;
            }
            onIndexChanged: grid.cellsVersion++
            onContentHeightChanged: grid.cellsVersion++

            function makeContent() {
                if (contentItem || !grid.content)
                    return;
                contentItem = CellContent.make(grid.content, cell, cell.entry);
                if (!contentItem)
                    return;
                contentItem.width = Qt.binding(() => cell.width);
                if (grid.learnedCellHeight <= 0)
                    grid.learnedCellHeight = contentItem.implicitHeight;
            }
            // A cell reached by the keyboard shows what it is at once.
            onActiveFocusChanged: if (activeFocus) makeContent()

            // In a grid function: Qt 6.4's compiled form of this handler
            // wrote into grid.cells unsafely and crashed while the Repeater
            // made its cells.
            Component.onCompleted: grid.register(cell)
            onFrameChanged: {
                // The cell may be gone by the time the call runs.
                if (!placed && frame.width > 0)
                    Qt.callLater(() => {
                        if (cell)
                            cell.placed = true;
                    });
            }
            Component.onDestruction: {
                if (grid.cells[registeredId] === cell)
                    delete grid.cells[registeredId];
                grid.cellsVersion++;
            }

            activeFocusOnTab: true
            Accessible.focusable: true
            Accessible.role: Accessible.ListItem
            Accessible.name: accessibleName
            accessibleName: contentItem ? contentItem.Accessible.name : ""
            // Assistive technologies offer the two moves as named actions; the
            // keyboard has them as Alt with the arrow keys.
            onMoveRequested: step => grid.moveBy(itemId, step)
            function moveForward() { return grid.moveBy(itemId, -1); }
            function moveBack() { return grid.moveBy(itemId, 1); }
            // The cell holds the keyboard focus; the card inside it sees the
            // keys first, so that what the card offers by keyboard (a scene's
            // recall and menu) is reachable.
            Keys.forwardTo: contentItem ? [contentItem] : []
            Keys.onPressed: event => {
                if (!(event.modifiers & Qt.AltModifier))
                    return;
                if (event.key === Qt.Key_Left || event.key === Qt.Key_Up) {
                    moveForward();
                    event.accepted = true;
                } else if (event.key === Qt.Key_Right || event.key === Qt.Key_Down) {
                    moveBack();
                    event.accepted = true;
                }
            }

            Rectangle {
                z: 3
                anchors.fill: parent
                anchors.margins: -3
                radius: 17
                color: "transparent"
                border.width: 2
                border.color: Theme.focusRing
                visible: cell.activeFocus
            }

            // On the cell itself, so that it sees the presses the content does
            // not take: controls inside a cell (sliders, switches, buttons) keep
            // their own drags, and a drag starts anywhere else on the card.
            DragHandler {
                id: handler
                target: null
                dragThreshold: 8
                // A surrounding Flickable must not take a card away mid-drag.
                grabPermissions: PointerHandler.CanTakeOverFromHandlersOfDifferentType
                onActiveChanged: {
                    if (active)
                        grid.pointerMoved(cell.itemId, centroid.scenePressPosition, centroid.scenePosition);
                    else
                        grid.pointerReleased(cell.itemId);
                }
                onCentroidChanged: {
                    if (active)
                        grid.pointerMoved(cell.itemId, centroid.scenePressPosition, centroid.scenePosition);
                }
            }
        }
    }

    // The lifted copy is a picture of the dragged cell's content, kept live:
    // it shows what the cell shows, takes no input, and has nothing in it that
    // assistive technologies could find.
    Item {
        id: floating
        z: 2
        readonly property Item source: {
            grid.cellsVersion;
            const cell = grid.drag === null ? null : grid.cellOf(grid.drag.id);
            return cell ? cell.contentItem : null;
        }
        visible: grid.drag !== null && source !== null
        enabled: false
        Accessible.ignored: true
        width: grid.drag ? grid.drag.width : 0
        height: grid.drag ? grid.drag.height : 0
        x: grid.drag === null ? 0 : grid.drag.isSettling
            ? grid.settleFromX + (grid.drag.originX - grid.settleFromX) * grid.settleProgress : grid.drag.originX
        y: grid.drag === null ? 0 : grid.drag.isSettling
            ? grid.settleFromY + (grid.drag.originY - grid.settleFromY) * grid.settleProgress : grid.drag.originY
        scale: grid.drag !== null && !grid.drag.isSettling ? 1.03 : 1.0
        Behavior on scale { NumberAnimation { duration: 260; easing.type: Easing.OutQuad } }

        RectangularGlow {
            anchors.fill: parent
            anchors.topMargin: 10
            anchors.bottomMargin: -10
            glowRadius: 16
            spread: 0
            cornerRadius: 14 + glowRadius
            color: Theme.liftShadow
            opacity: grid.drag !== null && !grid.drag.isSettling ? 0.5 : 0
            visible: GraphicsInfo.api !== GraphicsInfo.Software
            Behavior on opacity { NumberAnimation { duration: 260; easing.type: Easing.OutQuad } }
        }
        ShaderEffectSource {
            objectName: "dragCopy"
            width: floating.width
            height: floating.source ? floating.source.height : 0
            y: (floating.height - height) / 2
            sourceItem: floating.visible ? floating.source : null
            live: true
            smooth: true
        }
    }
}
