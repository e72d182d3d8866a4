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
    SignalSpy { id: spy; target: toggle; signalName: "toggled" }

    TestCase {
        name: "HueToggle"
        when: windowShown

        function test_accessibility() {
            compare(toggle.Accessible.role, Accessible.CheckBox);
            compare(toggle.Accessible.name, "Wohnzimmer");
            verify(toggle.checkable);
        }

        function test_size() {
            compare(toggle.width, 46);
            compare(toggle.height, 28);
        }

        function test_clickAnywhereFlips_data() {
            return [
                { tag: "centre", x: 23, y: 14 },
                { tag: "leading end", x: 3, y: 14 },
                { tag: "trailing corner", x: 44, y: 26 }
            ];
        }

        function test_clickAnywhereFlips(data) {
            const before = toggle.checked;
            spy.clear();
            mouseClick(toggle, data.x, data.y);
            compare(toggle.checked, !before);
            compare(spy.count, 1);
            mouseClick(toggle, data.x, data.y);
            compare(toggle.checked, before);
        }

        function test_knobGlides() {
            toggle.checked = false;
            tryCompare(toggle.indicator, "x", 3);
            toggle.checked = true;
            // The knob animates towards the trailing end, inset 3 points.
            verify(toggle.indicator.x < 21);
            tryCompare(toggle.indicator, "x", 46 - 22 - 3, 1000);
        }
    }
}
