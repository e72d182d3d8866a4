import QtQuick
import QtQuick.Controls
import QtTest
import Lumora
import LumoraTest

// The pairing screen against a real store: search, typed address, link
// button, cancel and failure, with real keys and clicks.
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

    function test_noBridgeOnTheNetwork() {
        // Showing the screen starts the search; with nothing found the
        // looking indicator and the firewall hint show, without "Search Again".
        tryVerify(() => find("lookingForBridge").visible, 5000);
        verify(find("hint").text.indexOf("UDP port 5353") >= 0);
        verify(!find("searchAgain").visible);
        verify(find("address").visible);
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

    function test_buttonPressPairs() {
        tryVerify(() => find("choice").visible, 5000);
        typeAddress("127.0.0.1");
        mouseClick(find("connect"));
        tryCompare(Store, "pairingStep", Store.WaitingForButton);
        TestBridge.pressLinkButton();
        tryCompare(Store, "phase", Store.Ready, 10000);
        compare(Store.bridge.host, "127.0.0.1");
        compare(Store.bridge.bridgeID.toLowerCase(), TestBridge.bridgeId);
    }

    function test_unreachableAddressShowsTheFailure() {
        tryVerify(() => find("choice").visible, 5000);
        // Nothing listens there: a refused connection, in orange, above the choice.
        typeAddress("127.0.0.9");
        keyClick(Qt.Key_Return);
        tryCompare(Store, "pairingStep", Store.Failed, 10000);
        verify(find("failure").visible);
        verify(find("failureText").text.startsWith("The bridge at 127.0.0.9 cannot be reached."));
        verify(find("choice").visible);
    }
}
