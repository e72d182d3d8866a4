import QtQuick
import QtQuick.Controls
import QtTest
import Lumora
import LumoraTest

// The working screen: the sidebar's rows and selection with its fallbacks,
// and the detail column.
TestCase {
    id: test
    name: "MainView"
    when: windowShown
    visible: true
    width: 940
    height: 640

    MainView {
        id: main
        anchors.fill: parent
    }

    function rowOf(title) {
        const sidebar = findChild(main, "sidebar");
        const stack = [sidebar];
        while (stack.length > 0) {
            const item = stack.pop();
            if (item.value !== undefined && item.name === title)
                return item;
            for (let i = 0; i < item.children.length; ++i)
                stack.push(item.children[i]);
        }
        return null;
    }

    function initTestCase() {
        tryCompare(Store, "phase", Store.Ready, 10000);
        tryVerify(() => rowOf("Test Room") !== null, 5000);
        // The sidebar places its new rows with the next frame.
        waitForRendering(main);
    }

    function test_1_selectionIsStoredAndFallsBack() {
        mouseClick(rowOf("Test Room"));
        verify(Store.selection.startsWith("group:"));
        tryCompare(main, "title", "Test Room");
        // Ctrl+click on the selected row clears it, which stores Home.
        mouseClick(rowOf("Test Room"), 10, 10, Qt.LeftButton, Qt.ControlModifier);
        compare(Store.selection, "home");
        // A room that vanishes from the bridge falls back to Home.
        mouseClick(rowOf("Test Zone"));
        const zone = Store.selectedGroupId;
        verify(TestBridge.removeResource(zone));
        tryCompare(Store, "selection", "home", 5000);
        verify(rowOf("Test Zone") === null);
    }

    function test_2_keyboardMovesTheSelection() {
        Store.select("favorites");
        findChild(main, "sidebar").forceActiveFocus();
        keyClick(Qt.Key_Down);
        compare(Store.selection, "home");
        keyClick(Qt.Key_Down);
        verify(Store.selection.startsWith("group:"));
        for (let i = 0; i < 3; ++i)
            keyClick(Qt.Key_Up);
        compare(Store.selection, "favorites");
        // The selected row shows where the keyboard is, and only while it is there.
        const ring = findChild(rowOf("Favourites"), "focusRing");
        verify(ring.visible);
        main.forceActiveFocus();
        verify(!ring.visible);
    }

    function test_3_splitHandleTakesThePointerBesideIt() {
        const sidebar = findChild(main, "sidebar");
        compare(findChild(main, "handleGrip").parent.x - sidebar.width, 1, "the line stays one point wide");
        for (const at of [-3, 0, 3]) {
            sidebar.SplitView.preferredWidth = 220;
            tryCompare(sidebar, "width", 220);
            mouseDrag(main, 220 + at, 300, 40, 0);
            tryCompare(sidebar, "width", 260);
        }
    }
}
