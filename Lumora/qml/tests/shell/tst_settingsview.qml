import QtQuick
import QtTest
import Lumora
import LumoraTest

// The settings: the paired bridge's rows, disconnecting at once, and the
// update section without an update configuration.
TestCase {
    id: test
    name: "SettingsView"
    when: windowShown
    visible: true
    width: 460
    height: 500

    SettingsView {
        id: settings
        width: 460
    }

    function test_bridgeRowsAndDisconnect() {
        tryCompare(Store, "phase", Store.Ready, 10000);
        verify(!findChild(settings, "noBridge").visible);
        const disconnect = findChild(settings, "disconnect");
        verify(disconnect.visible);
        // Without asking: the pairing is gone at once.
        mouseClick(disconnect);
        compare(Store.bridge, null);
        compare(Store.phase, Store.Unpaired);
        tryVerify(() => findChild(settings, "noBridge").visible);
        verify(!disconnect.visible);
    }

    // Assistive technology's Toggle does what a click does: the setting
    // changes, and the switch keeps following it.
    function test_switchByAssistiveTechnology() {
        const tray = findChild(settings, "showsTray");
        const before = Desktop.showsTray;
        verify(AccessibleProbe.doAction(tray, "Toggle"));
        compare(Desktop.showsTray, !before);
        compare(tray.checked, !before);
        Desktop.showsTray = before;
        compare(tray.checked, before);
    }

    function test_updatesNotConfigured() {
        verify(AppInfo.configurationError !== "");
        verify(!findChild(settings, "automaticUpdates").enabled);
    }
}
