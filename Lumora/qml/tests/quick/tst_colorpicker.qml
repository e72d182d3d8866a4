import QtQuick
import QtTest
import Lumora
import LumoraTest

Item {
    width: 600
    height: 600

    ColorWheel {
        id: wheel
        x: 20
        y: 20
        width: 220
        height: 220
    }
    SignalSpy { id: wheelSpy; target: wheel; signalName: "picked" }

    ColorPickerPanel {
        id: panel
        x: 300
        y: 20
        supportsColor: true
        current: "#ff0000"
        mirek: 153
        mirekRange: ({ minimum: 153, maximum: 500 })
    }
    SignalSpy { id: mirekSpy; target: panel; signalName: "mirekPicked" }
    SignalSpy { id: colorSpy; target: panel; signalName: "colorPicked" }

    TestCase {
        name: "ColorPicker"
        when: windowShown

        function init() {
            wheelSpy.clear();
            mirekSpy.clear();
            colorSpy.clear();
            panel.mirekRange = { minimum: 153, maximum: 500 };
            panel.mirek = 153;
        }

        function test_dragKeepsPickingOnTheRim() {
            mousePress(wheel, 150, 110);
            mouseMove(wheel, 300, 110, -1, Qt.LeftButton);
            compare(wheel.dragging, true);
            fuzzyCompare(wheel.markerPoint.x, 220, 1e-6);
            fuzzyCompare(wheel.markerPoint.y, 110, 1e-6);
            mouseMove(wheel, 110, 400, -1, Qt.LeftButton);
            fuzzyCompare(wheel.markerPoint.x, 110, 1e-6);
            fuzzyCompare(wheel.markerPoint.y, 220, 1e-6);
            compare(wheelSpy.count, 3);
            for (const [i, hue] of [[1, 0], [2, 0.25]]) {
                fuzzyCompare(wheelSpy.signalArguments[i][0].hsvSaturation, 1, 0.002);
                fuzzyCompare(wheelSpy.signalArguments[i][0].hsvHue, hue, 0.002);
            }
            // The marker follows the drag even when the selection changes meanwhile.
            wheel.selection = "#00ff00";
            fuzzyCompare(wheel.markerPoint.y, 220, 1e-6);
            mouseRelease(wheel, 110, 400);
            compare(wheelSpy.count, 3);
            compare(wheel.dragging, false);
            // Back on the selection: green sits a third of a turn clockwise.
            fuzzyCompare(wheel.markerPoint.x, 110 + 110 * Math.cos(2 * Math.PI / 3), 0.01);
            fuzzyCompare(wheel.markerPoint.y, 110 + 110 * Math.sin(2 * Math.PI / 3), 0.01);
        }

        function test_pressOutsideTheDiscIsIgnored() {
            mouseClick(wheel, 5, 5);
            compare(wheelSpy.count, 0);
        }

        function test_whiteToneModeHidesMarker() {
            const panelWheel = findChild(panel, "wheel");
            compare(panelWheel.hasMarker, false);
            mousePress(panelWheel, 110, 60);
            compare(panelWheel.hasMarker, true);
            mouseRelease(panelWheel, 110, 60);
            compare(colorSpy.count, 1);
            compare(panelWheel.hasMarker, false);
        }

        function test_whiteToneSlider() {
            const slider = findChild(panel, "whiteTone");
            // Drag the handle to the far left: the warmest white tone, 500 mirek.
            const handle = slider.handle;
            const hx = handle.x + handle.width / 2;
            const hy = handle.y + handle.height / 2;
            mousePress(slider, hx, hy);
            mouseMove(slider, hx - 60, hy, -1, Qt.LeftButton);
            mouseMove(slider, -100, hy, -1, Qt.LeftButton);
            mouseRelease(slider, -100, hy);
            verify(mirekSpy.count >= 2);
            compare(mirekSpy.signalArguments[mirekSpy.count - 1][0], 500);
            for (let i = 0; i < mirekSpy.count; ++i)
                verify(Number.isInteger(mirekSpy.signalArguments[i][0]));
        }

        function test_whiteToneByKeyboard() {
            // Mirek 300 in 153 to 500 shows as 353 on the mirrored scale.
            const slider = findChild(panel, "whiteTone");
            const steps = [[Qt.Key_Right, 353 + 347 / 50], [Qt.Key_Left, 353 - 347 / 50], [Qt.Key_PageUp, 353 + 34.7],
                           [Qt.Key_PageDown, 353 - 34.7], [Qt.Key_Home, 153], [Qt.Key_End, 500]];
            panel.mirekRange = { minimum: 153, maximum: 500 };
            panel.mirek = 300;
            slider.forceActiveFocus(Qt.TabFocusReason);
            mirekSpy.clear();
            steps.forEach(([key]) => keyClick(key));
            compare(mirekSpy.signalArguments.map(args => args[0]), steps.map(([, value]) => WhiteToneRules.mirek(value, 153, 500)));
            compare(slider.value, 353, "the knob shows the owner's white tone again once the key is let go");
        }

        function test_rangeChangeReclamps_data() {
            // A wider range must not leave the value clamped to the narrower one,
            // whichever bound arrives first; a range of one value is one mirek wide.
            return [
                { tag: "wider", from: [153, 454], to: [153, 500], mirek: 153, value: 500, bounds: [153, 500] },
                { tag: "narrower", from: [153, 500], to: [250, 454], mirek: 300, value: 404, bounds: [250, 454] },
                { tag: "moved up", from: [153, 300], to: [400, 500], mirek: 450, value: 450, bounds: [400, 500] },
                { tag: "single value", from: [153, 500], to: [200, 200], mirek: 200, value: 201, bounds: [200, 201] }
            ];
        }

        function test_rangeChangeReclamps(data) {
            const slider = findChild(panel, "whiteTone");
            panel.mirek = data.mirek;
            panel.mirekRange = { minimum: data.from[0], maximum: data.from[1] };
            panel.mirekRange = { minimum: data.to[0], maximum: data.to[1] };
            compare(slider.value, data.value);
            const seen = AccessibleProbe.describe(slider);
            compare([slider.from, slider.to], data.bounds);
            compare([seen.minimum, seen.maximum], data.bounds);
        }
    }
}
