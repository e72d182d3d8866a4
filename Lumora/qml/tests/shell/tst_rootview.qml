import QtQuick
import QtTest
import Lumora
import LumoraTest

// The window's content follows the phase and the home: the placeholders
// only before a home is loaded (the journeys keep it through an outage).
TestCase {
    id: test
    name: "RootView"
    when: windowShown
    visible: true
    width: 940
    height: 640

    RootView {
        id: root
        anchors.fill: parent
    }

    function find(name) {
        return findChild(root, name);
    }

    function test_connectingThenUnreachableOffersAnotherBridge() {
        // A fresh pairing whose first loads stall, then fail, has no home to keep.
        Store.forgetBridge();
        tryCompare(Store, "screen", Store.PairingScreen);
        TestBridge.stallRequests("^/clip/v2/resource$");
        Store.pair("127.0.0.1");
        tryCompare(Store, "pairingStep", Store.WaitingForButton);
        TestBridge.pressLinkButton();
        tryCompare(Store, "screen", Store.ConnectingScreen, 10000);
        verify(find("connecting").visible);
        TestBridge.clearFaults();
        TestBridge.failRequests("^/clip/v2/resource$", 503, 1000);
        tryCompare(Store, "screen", Store.UnreachableScreen, 20000);
        const placeholder = find("unreachable");
        verify(placeholder.description.endsWith("\n" + Store.unreachableMessage));
        verify(placeholder.description.startsWith("Lumora keeps trying. Is this computer on the same network"));
        mouseClick(findChild(placeholder, "action"));
        compare(Store.screen, Store.PairingScreen);
        compare(Store.bridge, null);
        TestBridge.clearFaults();
    }
}
