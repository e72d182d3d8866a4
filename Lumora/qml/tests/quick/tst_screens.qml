import QtQuick
import QtQuick.Controls
import QtTest
import Lumora
import LumoraTest
import "../AccessibleTable.js" as AccessibleTable

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
                       : test.screen === "favorites" ? favoritesScreen : test.screen === "main" ? mainScreen : null
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
    Component {
        id: mainScreen
        MainView {}
    }

    function show(screen, groupId) {
        test.screen = "";
        test.groupId = groupId ?? "";
        test.screen = screen;
        verify(loader.item !== null);
        return loader.item;
    }

    function idOf(type, name) {
        return TestBridge.resourceIds(type).find(id => TestBridge.resource(id).metadata.name === name) ?? "";
    }

    // The card or tile of an item in a grid, once the grid has made it.
    function cellOf(grid, id) {
        tryVerify(() => grid.cellOf(id) !== null && grid.cellOf(id).contentItem !== null, 5000);
        return grid.cellOf(id).contentItem;
    }

    // Waits for the next request to the path and returns it.
    function nextRequest(method, path) {
        tryVerify(() => TestBridge.requests(method, path).length > 0, 5000, method + " " + path);
        return TestBridge.requests(method, path)[0];
    }

    // Sends a command and waits until the bridge has it; then forgets the log.
    function settle(command, path) {
        TestBridge.clearRequests();
        command();
        nextRequest("PUT", path);
        TestBridge.clearRequests();
    }

    // Every kind of control, as screen readers see and use it, and what each
    // action does next to what the pointer or the keyboard does.
    function test_accessibility_data() {
        const room = idOf("room", "Test Room");
        const zone = idOf("zone", "Test Zone");
        const light = idOf("light", "Hue light with color and color temperature 1");
        const lightName = "Hue light with color and color temperature 1";
        const scene = idOf("scene", "Regular Test Scene");
        const lightPath = "/clip/v2/resource/light/" + light;
        const groupPath = "/clip/v2/resource/grouped_light/";
        const body = path => () => nextRequest("PUT", path).body;
        const lightCard = v => cellOf(findChild(v, "lightsGrid"), light);
        const roomCard = v => cellOf(findChild(v, "roomsGrid"), room);
        const lastOpened = () => test.opened.pop();
        // A second click closes the colour picker a first one opened.
        const closesAgain = owner => button => {
            mouseClick(button);
            tryCompare(owner(), "showsColorPicker", false);
        };
        const click = item => mouseClick(item);
        const keys = (...sequence) => item => {
            item.forceActiveFocus(Qt.TabFocusReason);
            sequence.forEach(key => keyClick(key));
        };
        const button = (tag, screen, group, find, name, more) => Object.assign({ tag, screen, group, find, name,
            role: Accessible.Button, actions: ["Press", "SetFocus"], action: "Press", byHand: click }, more);
        const toggle = (tag, screen, group, find, name, path, flip, more) => Object.assign({ tag, screen, group, find, name,
            role: Accessible.CheckBox, states: { checked: t => t.isOn, checkable: true }, actions: ["Toggle", "Press", "SetFocus"],
            action: "Toggle", byHand: click, outcome: body(path), undo: t => settle(() => flip(!t.isOn), path) }, more);
        return [
            { tag: "home banner", screen: "home", find: v => findChild(v, "homeBanner"),
              role: Accessible.Grouping, name: "Home", description: "4 of 6 lights on", actions: [] },
            { tag: "room card's grid cell", screen: "home", find: v => roomCard(v).parent,
              role: Accessible.ListItem, name: "Test Room", description: "Open Test Room",
              actions: ["Press", "Move forward", "Move back"],
              action: "Press", byHand: cell => mouseClick(cell, cell.width / 2, cell.height - 6), outcome: lastOpened },
            toggle("room switch", "home", "", v => roomCard(v).toggle, "Test Room", groupPath, on => Store.setGroupOn(room, on)),
            toggle("switch's Press", "home", "", v => roomCard(v).toggle, "Test Room", groupPath,
                   on => Store.setGroupOn(room, on), { action: "Press", byHand: keys(Qt.Key_Space) }),
            button("room section header", "home", "", v => findChild(v, "roomHeader"), "Open Test Room", { outcome: lastOpened }),
            toggle("light switch", "group", zone, v => lightCard(v).toggle, lightName, lightPath, on => Store.setLightOn(light, on)),
            { tag: "brightness slider", screen: "group", group: zone, find: v => lightCard(v).slider,
              role: Accessible.Slider, name: "Brightness", states: { focusable: true },
              actions: ["Increase", "Decrease", "SetFocus"], action: "Increase", byHand: keys(Qt.Key_PageUp),
              outcome: body(lightPath), undo: s => settle(() => Store.setLightBrightness(light, s.brightness - 10), lightPath) },
            button("star", "group", zone, v => findChild(lightCard(v), "favorite"), "Add " + lightName + " to favourites",
                   { byHand: keys(Qt.Key_Space), outcome: star => star.isFavorite, undo: () => Store.toggleFavorite("light", light) }),
            button("colour button", "group", zone, v => findChild(lightCard(v), "colorButton"), "Colour of " + lightName,
                   { outcome: () => findChild(lightCard(loader.item), "colorPicker").visible,
                     undo: closesAgain(() => lightCard(loader.item)) }),
            button("single-colour light's colour button", "group", room,
                   v => findChild(cellOf(findChild(v, "lightsGrid"), idOf("light", "Hue on/off light")), "colorButton"),
                   "Colour of Hue on/off light", { states: { disabled: true }, action: undefined }),
            { tag: "group card", screen: "group", group: zone, find: v => findChild(v, "header"),
              role: Accessible.Grouping, name: "Test Zone", description: card => card.caption, actions: [] },
            button("group colour button", "group", zone, v => findChild(v, "groupColorButton"), "Colour for Test Zone",
                   { outcome: () => findChild(loader.item, "groupColorPicker").visible, undo: closesAgain(() => loader.item) }),
            button("save as scene", "group", room, v => findChild(v, "saveSceneButton"), "Save as Scene",
                   { outcome: () => loader.item.showsSaveScene, undo: () => loader.item.showsSaveScene = false }),
            { tag: "scene tile", screen: "group", group: room, find: v => cellOf(findChild(v, "scenesGrid"), scene),
              role: Accessible.Button, name: "Scene Regular Test Scene", states: { checkable: true, checked: t => t.isActive },
              actions: ["Press", "SetFocus"], action: "Press", byHand: t => mouseClick(t, 20, 20),
              outcome: body("/clip/v2/resource/scene/" + scene) },
            { tag: "sidebar heading", screen: "main", find: v => findChild(v, "heading"),
              role: Accessible.Heading, name: "Rooms", actions: [] },
            { tag: "sidebar row", screen: "main", find: v => {
                    const row = Array.from(findChild(v, "heading").parent.children).find(c => c.name === "Test Room");
                    if (!row.glow)
                        settle(() => Store.setGroupOn(room, true), groupPath);
                    // Lit, and placed under its heading.
                    tryVerify(() => row.glow !== null && row.y > 0, 5000);
                    return row;
                },
              role: Accessible.ListItem, name: "Test Room", description: "on", states: { selected: false }, actions: ["Press"],
              action: "Press", byHand: click, outcome: () => Store.selection, undo: () => Store.select("home") }
        ];
    }

    function test_accessibility(row) {
        const view = show(row.screen, row.group);
        const item = row.find(view);
        TestBridge.clearRequests();
        AccessibleTable.check(test, AccessibleProbe, row, item);
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
        const rooms = findChild(view, "roomsGrid");
        const room = idOf("room", "Test Room");
        const card = cellOf(rooms, room);
        compare(card.name, "Test Room");
        // The banner stays in view when the part above the room sections
        // grows later, as it does when a home of many rooms arrives.
        const top = view.originY;
        const grown = Qt.createQmlObject("import QtQuick; Item { width: 1; height: 300 }", view.headerItem);
        tryVerify(() => view.originY < top - 200);
        compare(view.contentY, view.originY);
        grown.destroy();
        compare(rooms.model.orderList, "rooms");
        compare(findChild(view, "zonesGrid").model.orderList, "zones");
        // The recorded room's grouped light reports no brightness: its card
        // closes up below its top row.
        const topRow = findChild(card, "topRow");
        compare(card.height, 2 * topRow.y + topRow.height);
        // A click on its switch switches it and opens nothing (a click on the
        // card's surface opens it: the accessibility table).
        const wasOn = card.isOn;
        mouseClick(card.toggle);
        const request = nextRequest("PUT", "/clip/v2/resource/grouped_light/");
        compare(request.body, { on: { on: !wasOn } });
        compare(opened, []);
        tryCompare(card, "isOn", !wasOn, 5000);
    }

    function test_lightCardSliderSendsWhereTheFingerStops() {
        const zone = idOf("zone", "Test Zone");
        const view = show("group", zone);
        const grid = findChild(view, "lightsGrid");
        compare(grid.model.orderList, "lights." + zone);
        const light = idOf("light", "Hue light with color and color temperature 1");
        const slider = cellOf(grid, light).slider;
        mousePress(slider, 20, 10);
        for (let x = 20; x <= 180; x += 20) {
            mouseMove(slider, x, 10, -1, Qt.LeftButton);
            wait(30);
        }
        mouseRelease(slider, 180, 10);
        const last = BrightnessRules.at(180, slider.width);
        compare(slider.shown, last);
        // The last request carries where the finger stopped, and the card stays there.
        const path = "/clip/v2/resource/light/" + light;
        tryVerify(() => {
            const sent = TestBridge.requests("PUT", path);
            return sent.length >= 2 && sent[sent.length - 1].body.dimming.brightness === last;
        }, 5000);
        tryCompare(cellOf(grid, light), "brightness", last, 5000);
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
        // A refused save keeps the panel and the name and shows why.
        TestBridge.failRequests("^/clip/v2/resource/scene$", 503, 1);
        keyClick(Qt.Key_A);
        keyClick(Qt.Key_B);
        compare(save.enabled, true);
        keyClick(Qt.Key_Return);
        keyClick(Qt.Key_Return);
        compare(panel.isSaving, true);
        compare(save.enabled, false);
        tryVerify(() => panel.failure !== "", 5000);
        compare(TestBridge.requests("POST", "/clip/v2/resource/scene").length, 1, "Return twice saves once");
        verify(findChild(panel, "failure").visible);
        compare(field.text, "ab");
        compare(popup.visible, true);
        compare(save.enabled, true);
    }

    function test_sceneTileMenuAndConfirmations() {
        const room = idOf("room", "Test Room");
        const scene = idOf("scene", "Regular Test Scene");
        const view = show("group", room);
        const scenes = findChild(view, "scenesGrid");
        compare(scenes.model.orderList, "scenes." + room);
        const tile = cellOf(scenes, scene);

        // Overwrite, then cancel: nothing is sent. The recall that follows is
        // the next request the bridge sees.
        mouseClick(tile, 20, 20, Qt.RightButton);
        let menu = findChild(tile, "sceneMenu");
        tryCompare(menu, "opened", true);
        mouseClick(menu.itemAt(0));
        let dialog = null;
        tryVerify(() => (dialog = findChild(tile, "overwriteDialog")) !== null && dialog.opened, 3000);
        compare(dialog.title, "Overwrite the scene “Regular Test Scene”?");
        mouseClick(findChild(dialog.footer, "cancel"));
        tryCompare(tile, "asksToOverwrite", false);
        mouseClick(tile, 20, 20);
        const recall = nextRequest("", "/clip/v2/resource/");
        compare(recall.path, "/clip/v2/resource/scene/" + scene);
        compare(recall.body, { recall: { action: "active" } });
        tryCompare(tile, "isActive", true, 5000);
        verify(AccessibleProbe.describe(tile).checked, "the recalled scene is the checked one");
    }

    // Everything the pointer does to a scene tile, by keyboard alone.
    function test_keyboardReachesTheTile() {
        const scene = idOf("scene", "Dynamic Test Scene");
        const view = show("group", idOf("zone", "Test Zone"));
        const grid = findChild(view, "scenesGrid");
        const tile = cellOf(grid, scene);
        const star = findChild(tile, "favorite");
        mouseMove(test, width - 5, height - 5);
        tryCompare(star, "width", 0);
        grid.cellOf(scene).forceActiveFocus();
        keyClick(Qt.Key_Return);
        compare(nextRequest("PUT", "/clip/v2/resource/scene/" + scene).body, { recall: { action: "active" } });
        keyClick(Qt.Key_F10, Qt.ShiftModifier);
        const menu = findChild(tile, "sceneMenu");
        tryCompare(menu, "opened", true);
        // The menu grows to its widest entry, as long as a German one.
        menu.addItem(Qt.createQmlObject("import QtQuick.Controls; MenuItem { text: \"Mit aktuellem Licht "
                                        + "überschreiben und noch etwas länger …\" }", menu));
        for (let i = 0; i < menu.count; ++i) {
            const entry = menu.itemAt(i);
            verify(entry.contentItem.implicitWidth <= entry.availableWidth, entry.text);
        }
        keyClick(Qt.Key_Escape);
        tryCompare(menu, "opened", false);
        grid.cellOf(scene).forceActiveFocus();
        for (let i = 0; i < 8 && !star.activeFocus; ++i)
            keyClick(Qt.Key_Tab);
        verify(star.activeFocus, "Tab reaches the star");
        verify(star.width > 0 && star.opacity === 1);
        keyClick(Qt.Key_Space);
        tryCompare(tile, "isFavorite", true);
        Store.toggleFavorite("scene", scene);
    }

    function test_favorites() {
        const view = show("favorites");
        verify(findChild(view, "placeholder").visible);
        const scene = idOf("scene", "Dynamic Test Scene");
        const light = idOf("light", "Hue on/off light");
        const zone = idOf("zone", "Test Zone");
        const toggleAll = () => [["scene", scene], ["light", light], ["group", zone]].forEach(
                              ([kind, id]) => Store.toggleFavorite(kind, id));
        toggleAll();
        tryCompare(findChild(view, "placeholder"), "visible", false);
        const tile = cellOf(findChild(view, "favoriteScenes"), scene);
        compare(tile.groupName, "Test Zone");
        cellOf(findChild(view, "favoriteLights"), light);
        const card = cellOf(findChild(view, "favoriteGroups"), zone);
        mouseClick(card, card.width / 2, card.height - 6);
        compare(opened, [zone]);
        // None left shows the placeholder.
        toggleAll();
        tryCompare(findChild(view, "placeholder"), "visible", true);
    }
}
