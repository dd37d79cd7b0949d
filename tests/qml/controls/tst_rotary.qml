import QtQuick 2.15
import QtTest 1.2

// The rotary view over a rotary of the factory: the pointer's angle from the widget's value, and
// drags as a person makes them (a 2-pixel dead zone, one degree per pixel from the press, right or
// up clockwise, held at the ends). Any QML warning fails the run.
Item {
    id: root

    width: 400
    height: 300

    TestCase {
        name: "RotaryView"
        when: windowShown

        function makeRotary(type, attributes) {
            var widgets = _application.load('<Layout><Widget id="1" type="' + type + '" x="0.25" y="0.25" width="0.25"'
                                            + ' height="0.25" ' + attributes + '/></Layout>');
            compare(widgets.length, 1);
            var component = Qt.createComponent(_application.viewUrl(type));
            compare(component.status, Component.Ready, component.errorString());
            var view = createTemporaryObject(component, root, { runner: true, cppWidget: widgets[0] });
            verify(view !== null);
            verify(!widgets[0].disabled, "drivers registered");
            return view;
        }

        function test_pointerAngle_data() {
            return [
                { tag: "pan left", value: 0, angle: -135 },
                { tag: "pan centre", value: 0.5, angle: 0 },
                { tag: "pan right", value: 1, angle: 135 }
            ];
        }

        function test_pointerAngle(data) {
            var view = makeRotary("zunet_rotary", "");
            view.cppWidget.value = data.value;
            compare(findChild(view, "pointer").rotation, data.angle);
        }

        function test_drag() {
            var view = makeRotary("zunet_rotary", "");
            var area = findChild(view, "mouseArea");
            view.cppWidget.value = 0.5; // pan 37, straight up
            mousePress(area, 50, 50);
            // Inside the dead zone nothing turns.
            mouseMove(area, 51, 49, -1, Qt.LeftButton);
            compare(view.cppWidget.value, 0.5);
            verify(view.pressed);
            // 27 pixels right and 0 up: 27 degrees clockwise, a tenth of the travel: pan 44.
            mouseMove(area, 77, 50, -1, Qt.LeftButton);
            compare(view.cppWidget.value, 44 / 74);
            // Down as far turns back; the press point stays where it was.
            mouseMove(area, 77, 77, -1, Qt.LeftButton);
            compare(view.cppWidget.value, 0.5);
            // Far past the end holds it there.
            mouseMove(area, 99, -400, -1, Qt.LeftButton);
            compare(view.cppWidget.value, 1);
            compare(findChild(view, "pointer").rotation, 135);
            mouseRelease(area, 99, -400);
            verify(!view.pressed);
        }

        function test_levelOfTheSecondFamily() {
            var view = makeRotary("vsp_zunet_rotary", 'controlType="corvolevel" audioTaper="off" minGain="-125" maxGain="10"');
            var area = findChild(view, "mouseArea");
            view.cppWidget.value = 0;
            mousePress(area, 10, 70);
            mouseMove(area, 10, -20, -1, Qt.LeftButton);
            // 90 degrees of 270: a third of the way, -80 dB.
            fuzzyCompare(view.cppWidget.value, 1 / 3, 1 / 256 / 135);
            mouseRelease(area, 10, -20);
        }
    }
}
