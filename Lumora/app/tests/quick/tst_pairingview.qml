import QtQuick
import QtQuick.Controls
import QtTest
import Lumora
import LumoraTest

// The pairing screen against a real store: a found bridge, a typed
// address, cancel, with real keys and clicks (tst_screens walks through
// searching and failing, the journeys through pairing).
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

    function test_foundBridgeButtonsAndSearchAgain() {
        TestBridge.setDiscoverable(true);
        tryVerify(() => Store.discoveredBridges.length === 1, 5000);
        const button = find("bridge:127.0.0.1");
        tryVerify(() => button !== null && button.visible);
        verify(find("searchAgain").visible);
        mouseClick(button);
        tryCompare(Store, "pairingStep", Store.WaitingForButton);
        verify(find("waiting").visible);
        verify(!find("choice").visible);
        Store.cancelPairing();
    }

    function test_blankAddressCannotConnect() {
        tryVerify(() => find("choice").visible, 5000);
        typeAddress("   ");
        verify(!find("connect").enabled);
        keyClick(Qt.Key_Return);
        compare(Store.pairingStep, Store.Idle);
    }

    function test_returnPairsAndCancelReturnsWithoutMessage() {
        tryVerify(() => find("choice").visible, 5000);
        typeAddress("127.0.0.1");
        verify(find("connect").enabled);
        keyClick(Qt.Key_Return);
        tryCompare(Store, "pairingStep", Store.WaitingForButton);
        mouseClick(find("cancel"));
        compare(Store.pairingStep, Store.Idle);
        verify(!find("failure").visible);
        // The typed address survives the steps.
        compare(view.manualHost, "127.0.0.1");
    }
}
