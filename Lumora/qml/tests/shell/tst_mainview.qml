import QtQuick
import QtQuick.Controls
import QtTest
import Lumora
import LumoraTest

// The working screen: the sidebar's rows and selection with its fallbacks,
// and the detail column; the one focus ring on every kind of control.
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
    Component { id: settingsView; SettingsView { width: 460 } }
    Component { id: saveScenePanel; SaveScenePanel { x: 480; y: 300 } }
    Component { id: dialog; PlainDialog { standardButtons: Dialog.Ok } }

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

    // What the window shows of `part`, pixel by pixel.
    function drawing(part) {
        const image = grabImage(test);
        const at = part.mapToItem(test, 0, 0);
        const pixels = [];
        for (let y = Math.ceil(at.y); y < at.y + part.height; ++y) {
            for (let x = Math.ceil(at.x); x < at.x + part.width; ++x)
                pixels.push(String(image.pixel(x, y)));
        }
        return pixels;
    }

    // Each kind of the style's controls the screens show, reached by Tab:
    // the ring appears and the part the style draws (`part`) stays as it was,
    // which Fusion's own focus frame (a coloured outline or handle) would change.
    function test_4_everyControlShowsTheOneRing_data() {
        const light = TestBridge.resourceIds("light")[0];
        const background = c => c.background;
        return [
            { tag: "button", make: () => findChild(createTemporaryObject(settingsView, test), "disconnect"), part: background },
            { tag: "switch", make: () => findChild(createTemporaryObject(settingsView, test), "showsTray"), part: c => c.indicator },
            { tag: "text field", make: () => findChild(createTemporaryObject(saveScenePanel, test), "nameField"), part: background },
            { tag: "dialog's standard button", make: () => {
                    const box = createTemporaryObject(dialog, test);
                    box.open();
                    tryCompare(box, "opened", true);
                    return box.standardButton(Dialog.Ok);
                }, part: background, from: c => c.DialogButtonBox.buttonBox },
            { tag: "banner's tool button", make: () => {
                    TestBridge.failRequests("^/clip/v2/resource/light/", 503, 1);
                    Store.setLightOn(light, !TestBridge.resource(light).on.on);
                    tryCompare(Store, "bannerDismissible", true, 5000);
                    return findChild(main, "dismissBanner");
                }, part: background }
        ];
    }

    function test_4_everyControlShowsTheOneRing(row) {
        const control = row.make();
        tryVerify(() => control.visible && control.enabled, 5000, "the control is there");
        mouseMove(test, test.width - 1, test.height - 1);
        (row.from ? row.from(control) : control.nextItemInFocusChain(false)).forceActiveFocus();
        const ring = findChild(control, "focusRing");
        verify(ring !== null, "the control has the ring");
        verify(!control.activeFocus && !ring.visible);
        const before = drawing(row.part(control));
        keyClick(Qt.Key_Tab);
        verify(control.activeFocus, "Tab reaches the control");
        verify(ring.visible, "the ring shows");
        // A field's blinking caret is not the style's frame.
        if (control.cursorVisible)
            control.cursorVisible = false;
        const after = drawing(row.part(control));
        compare(after.filter((pixel, i) => pixel !== before[i]).length, 0, "the style draws no focus of its own");
        Store.dismissBanner();
    }
}
