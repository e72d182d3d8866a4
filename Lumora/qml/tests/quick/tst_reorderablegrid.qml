import QtQuick
import QtTest
import Lumora
import LumoraTest

Item {
    id: root
    width: 750
    height: 400

    Component {
        id: cellContent
        Rectangle {
            required property string key
            implicitHeight: 60
            color: "gray"
            Accessible.name: key
        }
    }

    // Four columns of 80 points, 10 apart: a at 0, b at 90, c at 180, d at 270.
    ReorderableGrid {
        id: grid
        width: 350
        columnMinimum: 80
        columnSpacing: 10
        spacing: 10
        idRole: "key"
        model: [{ key: "a" }, { key: "b" }, { key: "c" }, { key: "d" }]
        content: cellContent
    }
    SignalSpy { id: commitSpy; target: grid; signalName: "commit" }

    function settled(g) {
        return g.itemIds.every(id => {
            const cell = g.cellOf(id);
            return cell && cell.x === g.frameOf(id).x && cell.y === g.frameOf(id).y;
        });
    }

    Component {
        id: sliderContent
        Item {
            required property string key
            implicitHeight: 40
            BrightnessSlider {
                objectName: "slider-" + parent.key
                x: 10
                y: 10
                width: 200
                brightness: 50
                onChange: value => root.sliderValues.push(value)
            }
        }
    }
    property var sliderValues: []

    // Cards carry sliders; dragging a slider must move the slider, not the card.
    ReorderableGrid {
        id: withSliders
        y: 280
        width: 460
        columnMinimum: 220
        columnSpacing: 10
        idRole: "key"
        model: [{ key: "x" }, { key: "y" }]
        content: sliderContent
    }
    SignalSpy { id: slidersSpy; target: withSliders; signalName: "commit" }

    // A list model keyed by id, as the screens use: rows move in place.
    ListModel {
        id: rows
        ListElement { key: "p" }
        ListElement { key: "q" }
        ListElement { key: "r" }
    }
    Component {
        id: rowContent
        Rectangle {
            implicitHeight: 30
            color: "gray"
        }
    }
    ReorderableGrid {
        id: modelGrid
        y: 340
        width: 350
        columnMinimum: 80
        columnSpacing: 10
        idRole: "key"
        model: rows
        content: rowContent
        onCommit: ids => {
            // The owner saves the order and moves its rows to match.
            for (let target = 0; target < ids.length; ++target) {
                for (let from = target; from < rows.count; ++from) {
                    if (rows.get(from).key === ids[target]) {
                        if (from !== target)
                            rows.move(from, target, 1);
                        break;
                    }
                }
            }
        }
    }
    SignalSpy { id: modelSpy; target: modelGrid; signalName: "commit" }

    // Ten rows of four in a view that shows two of them.
    Flickable {
        id: scroller
        x: 400
        width: 350
        height: 130
        contentHeight: lazyGrid.implicitHeight
        ReorderableGrid {
            id: lazyGrid
            width: 350
            columnMinimum: 80
            columnSpacing: 10
            spacing: 10
            revealMargin: 0
            estimatedCellHeight: 60
            idRole: "key"
            model: Array.from({ length: 40 }, (_, i) => ({ key: "n" + i }))
            content: cellContent
        }
    }

    TestCase {
        name: "ReorderableGrid"
        when: windowShown

        function init() {
            commitSpy.clear();
            modelSpy.clear();
            tryCompare(grid, "dragId", "", 3000);
            grid.model = [{ key: "a" }, { key: "b" }, { key: "c" }, { key: "d" }];
            rows.clear();
            for (const key of ["p", "q", "r"])
                rows.append({ key: key });
            // Let the replaced cells go and every cell come to rest in its slot.
            wait(20);
            tryVerify(() => settled(grid) && settled(modelGrid), 3000);
        }

        // Presses at (x, y), moves 10 points to start a drag, then on to (toX, toY).
        function carry(g, x, y, toX, toY) {
            mousePress(g, x, y);
            mouseMove(g, x + 10, y, -1, Qt.LeftButton);
            mouseMove(g, toX, toY, -1, Qt.LeftButton);
        }

        function test_dragOntoLastSlot() {
            mousePress(grid, 40, 30);
            mouseMove(grid, 50, 30, -1, Qt.LeftButton);
            compare(grid.dragId, "a", "a move of 10 points starts a drag");
            // Passing over the slots one by one, the order follows slot by slot.
            for (const [x, order] of [[130, "bacd"], [220, "bcad"], [310, "bcda"]]) {
                mouseMove(grid, x, 30, -1, Qt.LeftButton);
                compare(grid.dragOrder, order.split(""));
            }
            compare(grid.displayedIds, ["b", "c", "d", "a"]);
            mouseRelease(grid, 310, 30);
            compare(commitSpy.count, 1);
            compare(commitSpy.signalArguments[0][0], ["b", "c", "d", "a"]);
            // The copy glides into its new slot, then the drag is over.
            compare(grid.settling, true);
            compare(grid.frameOf("a").x, 270);
            tryCompare(grid, "dragId", "", 3000);
            compare(commitSpy.count, 1);
        }

        function test_copyCentreDecides() {
            // Grabbed at its left edge, the copy's centre is 35 points right of
            // the pointer: with the pointer in the gap before d, the centre is on d.
            carry(grid, 5, 30, 265, 30);
            compare(grid.dragOrder, ["b", "c", "d", "a"]);
            mouseRelease(grid, 265, 30);
            compare(commitSpy.signalArguments[0][0], ["b", "c", "d", "a"]);
        }

        // A move too short, or a grid of one item: no drag and no commit.
        function test_noDrag_data() {
            return [
                { tag: "short move", moves: [[45, 30], [40, 35]] },
                { tag: "single item", model: [{ key: "only" }], moves: [[60, 30], [300, 30]] }
            ];
        }

        function test_noDrag(data) {
            if (data.model) {
                grid.model = data.model;
                tryVerify(() => grid.cellOf("only") !== null && settled(grid), 3000);
            }
            mousePress(grid, 40, 30);
            for (const [x, y] of data.moves)
                mouseMove(grid, x, y, -1, Qt.LeftButton);
            compare(grid.dragId, "");
            mouseRelease(grid, data.moves[1][0], data.moves[1][1]);
            compare(grid.dragId, "");
            compare(commitSpy.count, 0);
        }

        function test_newDragWhileSettling() {
            carry(grid, 40, 30, 310, 30);
            mouseRelease(grid, 310, 30);
            verify(grid.settling);
            const firstToken = grid.dragToken;
            // Owner saves and feeds the new order back.
            grid.model = [{ key: "b" }, { key: "c" }, { key: "d" }, { key: "a" }];
            wait(20);
            // Pick up c (now in the second slot) before the copy has landed.
            carry(grid, 130, 30, 140, 30);
            compare(grid.dragId, "c");
            verify(grid.dragToken !== firstToken);
            compare(grid.settling, false);
            // The first settle's completion (what its animation's end calls)
            // must not end the new drag.
            grid.settled();
            compare(grid.dragId, "c");
            mouseRelease(grid, 140, 30);
            tryCompare(grid, "dragId", "", 3000);
            compare(commitSpy.count, 2);
            compare(commitSpy.signalArguments[1][0], ["b", "c", "d", "a"]);
        }

        function test_accessibilityMoves_data() {
            return [
                { tag: "back on b", id: "b", step: 1, commits: [["a", "c", "b", "d"]] },
                { tag: "forward on first", id: "a", step: -1, commits: [] }
            ];
        }

        function test_accessibilityMoves(data) {
            const cell = grid.cellOf(data.id);
            const seen = AccessibleProbe.describe(cell);
            compare([seen.role, seen.name, seen.actions],
                    [Accessible.ListItem, data.id, ["Move forward", "Move back"]]);
            verify(AccessibleProbe.doAction(cell, data.step < 0 ? "Move forward" : "Move back"));
            compare(commitSpy.signalArguments.map(args => args[0]), data.commits);
        }

        function test_sliderInCellKeepsItsDrag() {
            root.sliderValues = [];
            mousePress(withSliders, 60, 20);
            mouseMove(withSliders, 80, 20, -1, Qt.LeftButton);
            mouseMove(withSliders, 150, 22, -1, Qt.LeftButton);
            mouseMove(withSliders, 300, 25, -1, Qt.LeftButton);
            compare(withSliders.dragId, "");
            mouseRelease(withSliders, 300, 25);
            compare(slidersSpy.count, 0);
            compare(root.sliderValues.length, 4);
            compare(root.sliderValues[3], 100);
        }

        function test_keyboardMoves() {
            const cell = grid.cellOf("b");
            cell.forceActiveFocus();
            verify(cell.activeFocus);
            keyClick(Qt.Key_Right, Qt.AltModifier);
            compare(commitSpy.count, 1);
            compare(commitSpy.signalArguments[0][0], ["a", "c", "b", "d"]);
            keyClick(Qt.Key_Left, Qt.AltModifier);
            compare(commitSpy.signalArguments[1][0], ["b", "a", "c", "d"]);
            keyClick(Qt.Key_Left);
            compare(commitSpy.count, 2, "plain arrows do not move the item");
        }

        function test_listModelRowsMoveInPlace() {
            compare(modelGrid.itemIds, ["p", "q", "r"]);
            const cellP = modelGrid.cellOf("p");
            carry(modelGrid, 40, 15, 220, 15);
            mouseRelease(modelGrid, 220, 15);
            compare(modelGrid.itemIds, ["q", "r", "p"]);
            // The cell was moved, not rebuilt: state inside it survives.
            verify(modelGrid.cellOf("p") === cellP);
            tryCompare(modelGrid, "dragId", "", 3000);
            compare(modelGrid.displayedIds, ["q", "r", "p"]);
            tryCompare(cellP, "x", 180, 3000);
        }

        function test_vanishedItemEndsDragOnRelease() {
            carry(modelGrid, 130, 15, 40, 15);
            compare(modelGrid.dragOrder, ["q", "p", "r"]);
            // The dragged item is deleted elsewhere: the lifted card and its
            // shadow go, the drag stays.
            rows.remove(1);
            compare(modelGrid.dragId, "q");
            compare(modelGrid.cellOf("q"), null);
            compare(findChild(modelGrid, "dragShadow").visible, false);
            mouseRelease(modelGrid, 40, 15);
            compare(modelSpy.count, 1);
            compare(modelSpy.signalArguments[0][0], ["q", "p", "r"]);
            tryCompare(modelGrid, "dragId", "", 3000);
        }

        function test_resetAbandonsDrag() {
            carry(grid, 40, 30, 220, 30);
            compare(grid.dragOrder, ["b", "c", "a", "d"]);
            // A new list arrives: the half-finished order is not saved over it.
            grid.model = [{ key: "d" }, { key: "c" }, { key: "e" }, { key: "a" }, { key: "b" }];
            compare(grid.dragId, "");
            compare(grid.displayedIds, ["d", "c", "e", "a", "b"]);
            mouseMove(grid, 300, 30, -1, Qt.LeftButton);
            mouseRelease(grid, 300, 30);
            compare(commitSpy.count, 0);
            compare(grid.dragId, "");
        }

        function test_onlyOrderChangesSlide() {
            // A narrower grid has fewer columns: cells jump to their new places.
            grid.width = 170;
            compare(grid.columnCount, 2);
            compare([grid.cellOf("c").x, grid.cellOf("c").y], [grid.frameOf("c").x, grid.frameOf("c").y]);
            grid.width = 350;
            compare([grid.cellOf("d").x, grid.cellOf("d").y], [270, 0]);
            // Rows that move in the model slide to their new slots.
            const cellP = modelGrid.cellOf("p");
            tryVerify(() => cellP.placed && settled(modelGrid), 3000);
            rows.move(0, 2, 1);
            compare(modelGrid.frameOf("p").x, 180);
            verify(cellP.x < 180, "the moved cell slides");
            tryCompare(cellP, "x", 180, 3000);
        }

        function test_cellsBelowTheFoldWaitForTheView() {
            const made = () => lazyGrid.itemIds.filter(id => lazyGrid.cellOf(id).contentItem !== null);
            tryVerify(() => made().length === 8, 3000);
            compare(made(), ["n0", "n1", "n2", "n3", "n4", "n5", "n6", "n7"]);
            compare(lazyGrid.implicitHeight, 10 * 60 + 9 * 10);
            scroller.contentY = 490; // rows 7 and 8
            tryVerify(() => made().length === 16, 3000);
            verify(lazyGrid.cellOf("n28").contentItem !== null && lazyGrid.cellOf("n35").contentItem !== null);
            verify(lazyGrid.cellOf("n39").contentItem === null);
            // A cell reached by the keyboard shows its content at once.
            lazyGrid.cellOf("n39").forceActiveFocus();
            verify(lazyGrid.cellOf("n39").contentItem !== null);
        }

        function test_draggedCellIsLiftedUnderThePointer() {
            // The cell and its content carry the name; a copy of the card would add a third.
            const before = AccessibleProbe.tree(grid).filter(e => e.name === "a").length;
            compare(before, 2);
            const cellA = grid.cellOf("a");
            const centre = () => cellA.mapToItem(grid, cellA.width / 2, cellA.height / 2);
            carry(grid, 40, 30, 130, 30);
            // The cell itself follows the pointer, above the others and its shadow.
            compare([centre().x, centre().y], [130, 30]);
            verify(cellA.z > findChild(grid, "dragShadow").z && findChild(grid, "dragShadow").visible);
            compare(AccessibleProbe.tree(grid).filter(e => e.name === "a").length, before);
            mouseMove(grid, 200, 40, -1, Qt.LeftButton);
            compare([centre().x, centre().y], [200, 40]);
            mouseRelease(grid, 200, 40);
            // Back in its slot once the drag is over.
            tryCompare(grid, "dragId", "", 3000);
            tryVerify(() => settled(grid), 3000);
            const slot = grid.frameOf("a");
            compare([centre().x, centre().y], [slot.x + slot.width / 2, slot.y + slot.height / 2]);
        }
    }
}
