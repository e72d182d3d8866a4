import QtQuick
import QtQuick.Controls
import QtTest
import Lumora
import LumoraTest

// The home, group and favourites screens with their cards and tiles, driven
// by pointer and keyboard against a store connected to the simulated bridge.
TestCase {
    id: test
    name: "Screens"
    when: windowShown
    visible: true
    width: 940
    height: 900

    property string screen: ""
    property string groupId: ""
    property var opened: []

    Loader {
        id: loader
        anchors.fill: parent
        sourceComponent: test.screen === "home" ? homeScreen : test.screen === "group" ? groupScreen
                       : test.screen === "favorites" ? favoritesScreen : null
    }
    Component {
        id: homeScreen
        HomeOverviewView { onOpen: id => test.opened.push(id) }
    }
    Component {
        id: groupScreen
        GroupDetailView { groupId: test.groupId }
    }
    Component {
        id: favoritesScreen
        FavoritesView { onOpen: id => test.opened.push(id) }
    }

    function show(screen, groupId) {
        test.screen = "";
        test.groupId = groupId ?? "";
        test.screen = screen;
        verify(loader.item !== null);
        return loader.item;
    }

    function idOf(type, name) {
        for (const id of TestBridge.resourceIds(type)) {
            if (TestBridge.resource(id).metadata.name === name)
                return id;
        }
        return "";
    }

    // The card or tile of an item in a grid.
    function cellOf(grid, id) {
        tryVerify(() => grid.cellOf(id) !== null, 5000);
        return grid.cellOf(id).contentItem;
    }

    // Waits for the next request to the path and returns it.
    function nextRequest(method, path) {
        tryVerify(() => TestBridge.requests(method, path).length > 0, 5000, method + " " + path);
        return TestBridge.requests(method, path)[0];
    }

    function initTestCase() {
        tryCompare(Store, "phase", Store.Ready, 10000);
    }

    function init() {
        opened = [];
        TestBridge.clearFaults();
        TestBridge.clearRequests();
    }

    function test_homeOverview() {
        const view = show("home");
        compare(view.title, "Home");
        const rooms = findChild(view, "roomsGrid");
        const room = idOf("room", "Test Room");
        const card = cellOf(rooms, room);
        compare(card.name, "Test Room");
        compare(rooms.model.orderList, "rooms");
        compare(findChild(view, "zonesGrid").model.orderList, "zones");
        // A click on the card's own surface opens the room ...
        mouseClick(card, card.width / 2, 70);
        compare(opened, [room]);
        // ... a click on its switch switches it and opens nothing.
        const toggle = card.toggle;
        const wasOn = card.isOn;
        mouseClick(toggle, toggle.width / 2, toggle.height / 2);
        const request = nextRequest("PUT", "/clip/v2/resource/grouped_light/");
        compare(request.body, { on: { on: !wasOn } });
        compare(opened, [room]);
        tryCompare(card, "isOn", !wasOn, 5000);
        // The room's own section opens it from its header.
        mouseClick(findChild(view, "roomHeader"));
        compare(opened, [room, room]);
    }

    function test_sliderDragFollowsTheFinger() {
        const zone = idOf("zone", "Test Zone");
        const view = show("group", zone);
        compare(view.title, "Test Zone");
        const grid = findChild(view, "lightsGrid");
        compare(grid.model.orderList, "lights." + zone);
        const light = idOf("light", "Hue light with color and color temperature 1");
        const card = cellOf(grid, light);
        verify(card.slider.visible);
        const slider = card.slider;
        mousePress(slider, 20, 10);
        for (let x = 20; x <= 180; x += 20) {
            mouseMove(slider, x, 10, -1, Qt.LeftButton);
            wait(30);
        }
        const expected = card.slider.shown;
        mouseRelease(slider, 180, 10);
        // The bridge's echoes of the earlier positions never pull it back.
        const last = Rules.brightnessAt(180, slider.width);
        compare(expected, last);
        tryVerify(() => TestBridge.requests("PUT", "/clip/v2/resource/light/" + light).length >= 2, 5000);
        for (let i = 0; i < 20; ++i) {
            compare(card.brightness, last);
            wait(100);
        }
        const requests = TestBridge.requests("PUT", "/clip/v2/resource/light/" + light);
        compare(requests[requests.length - 1].body.dimming.brightness, last);
    }

    function test_dragSavesTheOrder() {
        const zone = idOf("zone", "Test Zone");
        let view = show("group", zone);
        let grid = findChild(view, "lightsGrid");
        tryVerify(() => grid.count === 3, 5000);
        const before = grid.model.ids.slice();
        const first = cellOf(grid, before[0]);
        const second = cellOf(grid, before[1]);
        // Picked up by its name, carried onto the second card's place.
        const from = first.mapToItem(view, 150, 20);
        const to = second.mapToItem(view, 150, 20);
        mousePress(view, from.x, from.y);
        for (let i = 1; i <= 8; ++i)
            mouseMove(view, from.x + (to.x - from.x) * i / 8, from.y + (to.y - from.y) * i / 8, -1, Qt.LeftButton);
        mouseRelease(view, to.x, to.y);
        const expected = [before[1], before[0], before[2]];
        compare(grid.model.ids, expected);
        tryCompare(grid, "drag", null, 3000);
        // Saved under the group's list: a new screen shows the same order.
        view = show("group", zone);
        grid = findChild(view, "lightsGrid");
        tryVerify(() => grid.count === 3, 5000);
        compare(grid.model.ids, expected);
    }

    function test_colourForAnOffLight() {
        const zone = idOf("zone", "Test Zone");
        const light = idOf("light", "Hue light with color and color temperature 2");
        verify(TestBridge.changeFromOutside(light, { on: { on: false } }));
        const view = show("group", zone);
        const card = cellOf(findChild(view, "lightsGrid"), light);
        tryCompare(card, "isOn", false, 5000);
        const button = findChild(card, "colorButton");
        mouseClick(button);
        const picker = findChild(card, "colorPicker");
        tryCompare(picker, "opened", true);
        const wheel = findChild(picker.panel, "wheel");
        mouseClick(wheel, 200, 110);
        const request = nextRequest("PUT", "/clip/v2/resource/light/" + light);
        compare(request.body.on, { on: true });
        verify(request.body.color.xy.x > 0.5, JSON.stringify(request.body));
        // A second click on the button closes the popover.
        mouseClick(button);
        tryCompare(picker, "visible", false);
        compare(card.showsColorPicker, false);
    }

    function test_saveScenePanel() {
        const room = idOf("room", "Test Room");
        const view = show("group", room);
        mouseClick(findChild(view, "saveSceneButton"));
        const popup = findChild(view, "saveScenePopup");
        tryCompare(popup, "opened", true);
        const panel = findChild(popup.contentItem, "saveScenePanel");
        const field = findChild(panel, "nameField");
        const save = findChild(panel, "saveButton");
        tryVerify(() => field.activeFocus, 2000, "the name field has the focus");
        // Blank names are refused: Save stays disabled, Return does nothing.
        keyClick(Qt.Key_Space);
        keyClick(Qt.Key_Space);
        compare(save.enabled, false);
        keyClick(Qt.Key_Return);
        compare(panel.isSaving, false);
        field.clear();
        // A refused save keeps the panel and the name and shows why.
        TestBridge.failRequests("^/clip/v2/resource/scene$", 503, 1);
        keyClick(Qt.Key_A);
        keyClick(Qt.Key_B);
        compare(save.enabled, true);
        keyClick(Qt.Key_Return);
        keyClick(Qt.Key_Return);
        compare(panel.isSaving, true);
        compare(save.enabled, false);
        tryVerify(() => panel.failure !== null, 5000);
        compare(TestBridge.requests("POST", "/clip/v2/resource/scene").length, 1, "Return twice saves once");
        verify(findChild(panel, "failure").visible);
        compare(field.text, "ab");
        compare(popup.visible, true);
        compare(save.enabled, true);
        // The next save succeeds and closes the panel.
        mouseClick(save);
        tryCompare(popup, "visible", false, 5000);
        compare(TestBridge.requests("POST", "/clip/v2/resource/scene").length, 2);
        tryVerify(() => Store.groupInfo(room).sceneCount === 2, 5000);
    }

    function test_sceneTileMenuAndConfirmations() {
        const room = idOf("room", "Test Room");
        const scene = idOf("scene", "Regular Test Scene");
        const view = show("group", room);
        const scenes = findChild(view, "scenesGrid");
        compare(scenes.model.orderList, "scenes." + room);
        const tile = cellOf(scenes, scene);
        // As assistive tools see it.
        const seen = AccessibleProbe.describe(tile);
        compare(seen.role, Accessible.Button);
        compare(seen.name, "Scene Regular Test Scene");
        compare(seen.description, "");

        // Overwrite, then cancel: nothing is sent. The recall that follows is
        // the next request the bridge sees.
        mouseClick(tile, 20, 20, Qt.RightButton);
        let menu = findChild(tile, "sceneMenu");
        tryCompare(menu, "opened", true);
        compare(menu.itemAt(0).text, "Overwrite with Current Light…");
        compare(menu.itemAt(2).text, "Delete Scene…");
        mouseClick(menu.itemAt(0));
        let dialog = null;
        tryVerify(() => (dialog = findChild(tile, "overwriteDialog")) !== null && dialog.opened, 3000);
        compare(dialog.title, "Overwrite the scene “Regular Test Scene”?");
        compare(findChild(dialog.contentItem, "message").text,
                "The scene takes on the light the room shows right now and forgets what it held before. "
                + "This applies in the Hue app as well.");
        mouseClick(findChild(dialog.footer, "cancel"));
        tryCompare(tile, "asksToOverwrite", false);
        mouseClick(tile, 20, 20);
        const recall = nextRequest("", "/clip/v2/resource/");
        compare(recall.path, "/clip/v2/resource/scene/" + scene);
        compare(recall.body, { recall: { action: "active" } });
        tryCompare(tile.item, "isActive", true, 5000);
        compare(AccessibleProbe.describe(tile).description, "active");

        // Delete, cancel: nothing; delete, confirm: the bridge deletes it.
        TestBridge.clearRequests();
        mouseClick(tile, 20, 20, Qt.RightButton);
        menu = findChild(tile, "sceneMenu");
        tryCompare(menu, "opened", true);
        mouseClick(menu.itemAt(2));
        tryVerify(() => (dialog = findChild(tile, "deleteDialog")) !== null && dialog.opened, 3000);
        compare(dialog.title, "Delete the scene “Regular Test Scene”?");
        mouseClick(findChild(dialog.footer, "cancel"));
        tryCompare(tile, "asksToDelete", false);
        mouseClick(tile, 20, 20, Qt.RightButton);
        tryCompare(menu, "opened", true);
        mouseClick(menu.itemAt(2));
        tryVerify(() => (dialog = findChild(tile, "deleteDialog")) !== null && dialog.opened, 3000);
        mouseClick(findChild(dialog.footer, "confirm"));
        const deleted = nextRequest("", "/clip/v2/resource/");
        compare(deleted.method, "DELETE");
        compare(deleted.path, "/clip/v2/resource/scene/" + scene);
        tryVerify(() => scenes.cellOf(scene) === null, 5000);
    }

    function test_favorites() {
        const view = show("favorites");
        compare(view.title, "Favourites");
        verify(findChild(view, "placeholder").visible);
        const scene = idOf("scene", "Dynamic Test Scene");
        const light = idOf("light", "Hue on/off light");
        Store.toggleFavorite("scene", scene);
        Store.toggleFavorite("light", light);
        Store.toggleFavorite("group", idOf("zone", "Test Zone"));
        tryCompare(findChild(view, "placeholder"), "visible", false);
        const tile = cellOf(findChild(view, "favoriteScenes"), scene);
        compare(tile.item.groupName, "Test Zone");
        cellOf(findChild(view, "favoriteLights"), light);
        const card = cellOf(findChild(view, "favoriteGroups"), idOf("zone", "Test Zone"));
        mouseClick(card, card.width / 2, 70);
        compare(opened, [idOf("zone", "Test Zone")]);
        // Things deleted on the bridge leave the favourites; none left shows the placeholder.
        verify(TestBridge.removeResource(scene));
        tryVerify(() => findChild(view, "favoriteScenes").cellOf(scene) === null, 5000);
        Store.toggleFavorite("light", light);
        Store.toggleFavorite("group", idOf("zone", "Test Zone"));
        tryCompare(findChild(view, "placeholder"), "visible", true);
    }
}
