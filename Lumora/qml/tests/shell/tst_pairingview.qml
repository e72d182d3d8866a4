import QtQuick
import QtQuick.Controls
import QtTest
import Lumora
import LumoraTest
import "../AccessibleTable.js" as AccessibleTable

// The pairing screen against a real store, with real keys and clicks: a
// search, a found bridge, a typed address that is blank, dead or paired and
// cancelled (the journeys pair by a typed address to the end).
TestCase {
    id: test
    name: "PairingView"
    when: windowShown
    visible: true
    width: 700
    height: 640

    Component {
        id: pairingComponent
        PairingView {
            anchors.fill: parent
        }
    }

    property var view: null

    function init() {
        Store.forgetBridge();
        TestBridge.setDiscoverable(false);
        TestBridge.setDiscoveryTime(0);
        view = createTemporaryObject(pairingComponent, test);
    }
    function find(name) {
        return findChild(view, name);
    }
    function typeAddress(text) {
        const field = find("address");
        field.forceActiveFocus();
        field.selectAll();
        keySequence("Backspace");
        for (const character of text)
            keyClick(character);
    }

    // The screen's buttons as screen readers see and use them (the table of
    // every other control is in tst_screens).
    function test_accessibility_data() {
        const pairingStarts = () => {
            tryCompare(Store, "pairingStep", Store.WaitingForButton);
            tryVerify(() => TestBridge.requests("POST", "/api").length > 0, 5000);
            return TestBridge.requests("POST", "/api")[0].body;
        };
        const searching = () => {
            const step = Store.pairingStep;
            tryCompare(Store, "pairingStep", Store.Idle, 5000);
            return step === Store.Searching;
        };
        const typed = address => () => {
            tryVerify(() => find("choice").visible, 5000);
            typeAddress(address);
            return find("connect");
        };
        return [
            { tag: "Connect, blank address", find: typed(" "), role: Accessible.Button, name: "Connect",
              states: { disabled: true }, actions: ["Press", "SetFocus"] },
            { tag: "Connect", find: typed("127.0.0.1"), role: Accessible.Button, name: "Connect",
              actions: ["Press", "SetFocus"], action: "Press", byHand: item => mouseClick(item),
              outcome: pairingStarts, undo: () => { Store.cancelPairing(); TestBridge.clearRequests(); } },
            { tag: "Search Again", find: () => {
                    TestBridge.setDiscoverable(true);
                    TestBridge.setDiscoveryTime(300);
                    Store.searchBridges();
                    tryVerify(() => find("searchAgain").visible, 5000);
                    return find("searchAgain");
                }, role: Accessible.Button, name: "Search Again", states: { focusable: true },
              actions: ["Press", "SetFocus"], action: "Press", outcome: searching,
              // The screen lays itself out again once the search is over.
              byHand: item => { waitForRendering(item); mouseClick(item); } }
        ];
    }

    function test_accessibility(row) {
        const item = row.find();
        TestBridge.clearRequests();
        AccessibleTable.check(test, AccessibleProbe, row, item);
    }

    function test_searchFindsABridgeToPick() {
        // A slow search keeps its indicator up while it runs.
        TestBridge.setDiscoveryTime(1500);
        TestBridge.setDiscoverable(true);
        Store.searchBridges();
        verify(find("searching").visible);
        tryVerify(() => Store.discoveredBridges.length === 1, 5000);
        const button = find("bridge:127.0.0.1");
        tryVerify(() => button !== null && button.visible);
        verify(find("searchAgain").visible);
        mouseClick(button);
        tryCompare(Store, "pairingStep", Store.WaitingForButton);
        verify(find("waiting").visible && !find("choice").visible);
        Store.cancelPairing();
    }

    function test_typedAddress() {
        tryVerify(() => find("choice").visible, 5000);
        typeAddress("   ");
        verify(!find("connect").enabled);
        keyClick(Qt.Key_Return);
        compare(Store.pairingStep, Store.Idle);
        // Nothing listens there: the refusal names the address, above the choice.
        typeAddress("127.0.0.9");
        keyClick(Qt.Key_Return);
        tryCompare(Store, "pairingStep", Store.Failed, 10000);
        verify(find("choice").visible);
        verify(find("failureText").text.includes("127.0.0.9"));
        // The next attempt, cancelled: back to the choice, the typed address kept.
        typeAddress("127.0.0.1");
        mouseClick(find("connect"));
        tryCompare(Store, "pairingStep", Store.WaitingForButton);
        mouseClick(find("cancel"));
        compare(Store.pairingStep, Store.Idle);
        compare(view.manualHost, "127.0.0.1");
    }
}
