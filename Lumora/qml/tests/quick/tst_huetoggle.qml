import QtQuick
import QtTest
import Lumora

Item {
    width: 200
    height: 100

    HueToggle {
        id: toggle
        x: 20
        y: 20
        text: "Wohnzimmer"
    }
    SignalSpy { id: spy; target: toggle; signalName: "switched" }

    TestCase {
        name: "HueToggle"
        when: windowShown

        function init() {
            toggle.isOn = false;
            tryCompare(toggle.indicator, "x", 3);
            spy.clear();
        }

        function test_ownerDecides() {
            // A flip asks the owner and shows nothing of its own.
            mouseClick(toggle, 23, 14);
            compare(toggle.checked, false);
            compare(toggle.indicator.x, 3);
            // The owner agrees: the switch follows.
            toggle.isOn = true;
            compare(toggle.checked, true);
            mouseClick(toggle, 23, 14);
            compare(toggle.checked, true, "a refused command leaves the switch where the owner has it");
            toggle.forceActiveFocus();
            keyClick(Qt.Key_Space);
            compare(spy.signalArguments.map(args => args[0]), [true, false, false]);
        }

        function test_capsuleIsHitArea_data() {
            return [
                { tag: "leading end", x: 2, y: 14, flips: true },
                { tag: "trailing end", x: 45, y: 14, flips: true },
                { tag: "top edge", x: 23, y: 0, flips: true },
                { tag: "corner", x: 1, y: 1, flips: false }
            ];
        }

        function test_capsuleIsHitArea(data) {
            mouseClick(toggle, data.x, data.y);
            compare(spy.count, data.flips ? 1 : 0);
        }
    }
}
