import QtQuick
import QtTest
import Lumora
import LumoraTest

Item {
    id: host
    width: 400
    height: 200
    // The keys the slider leaves to the card grid around it.
    property var passedOn: []
    Keys.onPressed: event => passedOn.push(event.key)

    BrightnessSlider {
        id: slider
        x: 20
        y: 20
        width: 216
        brightness: 40
    }
    SignalSpy { id: spy; target: slider; signalName: "change" }

    TestCase {
        name: "BrightnessSlider"
        when: windowShown

        function init() {
            spy.clear();
            slider.brightness = 40;
        }

        function test_dragReportsEveryPosition() {
            mousePress(slider, 58, 10);
            mouseMove(slider, 108, 10, -1, Qt.LeftButton);
            mouseMove(slider, 109, 12, -1, Qt.LeftButton);
            mouseMove(slider, -60, 10, -1, Qt.LeftButton);
            mouseMove(slider, 500, 10, -1, Qt.LeftButton);
            const expected = [25, 50, 50.5, 1, 100];
            compare(spy.count, expected.length);
            for (let i = 0; i < expected.length; ++i)
                fuzzyCompare(spy.signalArguments[i][0], expected[i], 1e-9);
            // Outside changes do not move the knob while the drag lasts.
            slider.brightness = 10;
            compare(slider.shown, 100);
            compare(slider.fill, 200);
            mouseRelease(slider, 500, 10);
            compare(spy.count, expected.length, "release sends nothing extra");
            compare(slider.dragging, false);
            compare(slider.shown, 10);
            compare(slider.fill, 20);
        }

        function test_keyboardStepsLikeADrag_data() {
            return [
                { tag: "Right", key: Qt.Key_Right, sent: 41 }, { tag: "Up", key: Qt.Key_Up, sent: 41 },
                { tag: "Left", key: Qt.Key_Left, sent: 39 }, { tag: "Down", key: Qt.Key_Down, sent: 39 },
                { tag: "Page Up", key: Qt.Key_PageUp, sent: 50 }, { tag: "Page Down", key: Qt.Key_PageDown, sent: 30 },
                { tag: "Home", key: Qt.Key_Home, sent: 1 }, { tag: "End", key: Qt.Key_End, sent: 100 }
            ];
        }

        function test_keyboardStepsLikeADrag(data) {
            slider.forceActiveFocus(Qt.TabFocusReason);
            verify(slider.activeFocusOnTab, "the slider is in the tab order");
            keyPress(data.key);
            compare(spy.signalArguments.map(args => args[0]), [data.sent]);
            // Held like a drag: outside changes wait until the key is let go.
            slider.brightness = 70;
            compare(slider.shown, data.sent);
            keyRelease(data.key);
            compare(slider.shown, 70);
        }

        function test_keysLeftToTheParent_data() {
            // Alt with an arrow belongs to the grid; a key that would not move
            // the slider is still the slider's, so it does not scroll the page.
            return [
                { tag: "Alt+Right", key: Qt.Key_Right, modifiers: Qt.AltModifier, brightness: 40, passedOn: [Qt.Key_Right] },
                { tag: "other key", key: Qt.Key_A, modifiers: Qt.NoModifier, brightness: 40, passedOn: [Qt.Key_A] },
                { tag: "End at the end", key: Qt.Key_End, modifiers: Qt.NoModifier, brightness: 100, passedOn: [] }
            ];
        }

        function test_keysLeftToTheParent(data) {
            slider.brightness = data.brightness;
            host.passedOn = [];
            slider.forceActiveFocus(Qt.TabFocusReason);
            keyClick(data.key, data.modifiers);
            compare(host.passedOn.filter(key => key !== Qt.Key_Alt), data.passedOn, "the modifier arrives on its own");
            compare(spy.count, 0);
        }

        function test_accessibility() {
            // As assistive tools read it: a slider named Brightness over 0 to 100.
            const seen = AccessibleProbe.describe(slider);
            compare([seen.role, seen.name, seen.minimum, seen.maximum, seen.value],
                    [Accessible.Slider, "Brightness", 0, 100, 40]);
            // Setting the value as an assistive tool would: reported, at least 1.
            verify(AccessibleProbe.setValue(slider, 0));
            compare(spy.signalArguments.map(args => args[0]), [1]);
            compare(AccessibleProbe.describe(slider).value, 40, "the slider keeps showing the owner's brightness");
            slider.brightness = 60;
            compare(AccessibleProbe.describe(slider).value, 60);
        }
    }
}
