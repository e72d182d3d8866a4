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

    function findChild(item, typeName) {
        for (let i = 0; i < item.children.length; ++i) {
            const child = item.children[i];
            if (child.objectName === typeName)
                return child;
            const found = findChild(child, typeName);
            if (found)
                return found;
        }
        return null;
    }

    TestCase {
        name: "ColorPicker"
        when: windowShown

        function init() {
            wheelSpy.clear();
            mirekSpy.clear();
            colorSpy.clear();
        }

        function test_centrePicksWhite() {
            mouseClick(wheel, 110, 110);
            compare(wheelSpy.count, 1);
            const c = wheelSpy.signalArguments[0][0];
            compare(c.hsvSaturation, 0);
            compare(c.r, 1);
            compare(c.g, 1);
            compare(c.b, 1);
        }

        function test_belowAndAbove() {
            mouseClick(wheel, 110, 200);
            mouseClick(wheel, 110, 20);
            compare(wheelSpy.count, 2);
            fuzzyCompare(wheelSpy.signalArguments[0][0].hsvHue, 0.25, 0.002);
            fuzzyCompare(wheelSpy.signalArguments[1][0].hsvHue, 0.75, 0.002);
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
            mouseMove(wheel, -200, 110, -1, Qt.LeftButton);
            compare(wheelSpy.count, 4);
            const rim = wheelSpy.signalArguments;
            for (let i = 1; i < 4; ++i)
                fuzzyCompare(rim[i][0].hsvSaturation, 1, 0.002);
            fuzzyCompare(rim[1][0].hsvHue, 0, 0.002);
            fuzzyCompare(rim[2][0].hsvHue, 0.25, 0.002);
            fuzzyCompare(rim[3][0].hsvHue, 0.5, 0.002);
            // The marker follows the drag even when the selection changes meanwhile.
            wheel.selection = "#00ff00";
            fuzzyCompare(wheel.markerPoint.x, 0, 1e-6);
            mouseRelease(wheel, -200, 110);
            compare(wheelSpy.count, 4);
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
            verify(panelWheel !== null);
            compare(panelWheel.hasMarker, false);
            mousePress(panelWheel, 110, 60);
            compare(panelWheel.hasMarker, true);
            mouseRelease(panelWheel, 110, 60);
            compare(colorSpy.count, 1);
            compare(panelWheel.hasMarker, false);
        }

        function test_whiteToneSlider() {
            const slider = findChild(panel, "whiteTone");
            verify(slider !== null);
            compare(slider.from, 153);
            compare(slider.to, 500);
            compare(slider.value, 500, "the coolest white tone sits at the right end");
            compare(slider.stopColors.length, 18);
            // Drag the handle to the far left: the warmest white tone, 500 mirek.
            const handle = slider.handle;
            const hx = handle.x + handle.width / 2;
            const hy = handle.y + handle.height / 2;
            mousePress(slider, hx, hy);
            mouseMove(slider, hx - 60, hy, -1, Qt.LeftButton);
            mouseMove(slider, -100, hy, -1, Qt.LeftButton);
            mouseRelease(slider, -100, hy);
            verify(mirekSpy.count >= 2);
            const last = mirekSpy.signalArguments[mirekSpy.count - 1][0];
            compare(last, 500);
            for (let i = 0; i < mirekSpy.count; ++i)
                verify(Number.isInteger(mirekSpy.signalArguments[i][0]));
        }

        function test_rangeChangeReclamps_data() {
            // A wider range must not leave the value clamped to the narrower one,
            // whichever bound arrives first.
            return [
                { tag: "wider", from: { minimum: 153, maximum: 454 }, to: { minimum: 153, maximum: 500 }, mirek: 153, value: 500 },
                { tag: "narrower", from: { minimum: 153, maximum: 500 }, to: { minimum: 250, maximum: 454 }, mirek: 300, value: 404 },
                { tag: "moved up", from: { minimum: 153, maximum: 300 }, to: { minimum: 400, maximum: 500 }, mirek: 450, value: 450 }
            ];
        }

        function test_rangeChangeReclamps(data) {
            const slider = findChild(panel, "whiteTone");
            panel.mirek = data.mirek;
            panel.mirekRange = data.from;
            panel.mirekRange = data.to;
            compare(slider.value, data.value);
            const seen = AccessibleProbe.describe(slider);
            compare(seen.minimum, data.to.minimum);
            compare(seen.maximum, data.to.maximum);
            panel.mirekRange = { minimum: 153, maximum: 500 };
            panel.mirek = 153;
        }

        function test_singleValueRange() {
            const slider = findChild(panel, "whiteTone");
            panel.mirekRange = { minimum: 200, maximum: 200 };
            panel.mirek = 200;
            compare(slider.from, 200);
            compare(slider.to, 201);
            compare(slider.value, 201);
            panel.mirekRange = { minimum: 153, maximum: 500 };
            panel.mirek = 153;
        }
    }
}
