import QtQuick 2.15
import QtTest 1.2

// The fader view over a fader of the factory: the knob where the widget's value puts it, the scale's
// marks, and drags as a person makes them (relative to the press, slower off the track, held at the
// ends), upright and on its side. Any QML warning fails the run.
Item {
    id: root

    width: 400
    height: 300

    TestCase {
        name: "FaderView"
        when: windowShown

        function makeFader(attributes) {
            var widgets = _application.load('<Layout><Widget id="1" type="zunet_fader" ' + attributes + '/></Layout>');
            compare(widgets.length, 1);
            var component = Qt.createComponent(_application.viewUrl("zunet_fader"));
            compare(component.status, Component.Ready, component.errorString());
            var view = createTemporaryObject(component, root, { runner: true, cppWidget: widgets[0] });
            verify(view !== null);
            verify(!widgets[0].disabled, "drivers registered");
            return view;
        }

        function upright() {
            return makeFader('x="0.1" y="0.1" width="0.1" height="0.8"');
        }

        function knobOffset(view) {
            return findChild(view, "knob").transform[0].y;
        }

        function marks(view) {
            var found = 0;
            for (var i = 0; i < view.children.length; ++i)
                found += countMarks(view.children[i]);
            return found;
        }

        function countMarks(item) {
            var found = item.objectName === "scaleMark" ? 1 : 0;
            for (var i = 0; i < item.children.length; ++i)
                found += countMarks(item.children[i]);
            return found;
        }

        function test_knobFollowsTheValue() {
            var view = upright();
            compare([view.width, view.height], [40, 240]);
            var travel = 240 - 0.17 * 240;
            fuzzyCompare(knobOffset(view), travel * (1 - 196 / 255), 0.01);
            view.cppWidget.value = 1;
            compare(knobOffset(view), 0);
            view.cppWidget.value = 0;
            fuzzyCompare(knobOffset(view), travel, 0.01);
            compare(marks(view), 9);
        }

        function test_scaleHidden() {
            var view = makeFader('x="0.1" y="0.1" width="0.1" height="0.8" showFaderScale="off"');
            compare(marks(view), 0);
        }

        function test_dragMovesByTheFingersTravel() {
            var view = upright();
            var area = findChild(view, "touchArea");
            var travel = 240 - 0.17 * 240;
            view.cppWidget.value = 0.5;
            // Pressed away from the knob: the knob does not jump to the finger.
            mousePress(area, 20, 20);
            compare(view.cppWidget.value, 0.5);
            mouseMove(area, 20, 0, -1, Qt.LeftButton);
            fuzzyCompare(view.cppWidget.value, 0.5 + 20 / travel, 1e-9);
            verify(view.pressed);
            // Past the top it holds there, and coming back moves it at once.
            mouseMove(area, 20, -200, -1, Qt.LeftButton);
            compare(view.cppWidget.value, 1);
            mouseMove(area, 20, -190, -1, Qt.LeftButton);
            fuzzyCompare(view.cppWidget.value, 1 - 10 / travel, 1e-9);
            mouseRelease(area, 20, -190);
            verify(!view.pressed);
        }

        function test_sidewaysIsFiner() {
            var view = upright();
            var area = findChild(view, "touchArea");
            var travel = 240 - 0.17 * 240;
            view.cppWidget.value = 0.5;
            mousePress(area, 20, 120);
            // Two track widths to the side: each pixel along counts exp(-1).
            mouseMove(area, 100, 120, -1, Qt.LeftButton);
            compare(view.cppWidget.value, 0.5);
            mouseMove(area, 100, 140, -1, Qt.LeftButton);
            fuzzyCompare(view.cppWidget.value, 0.5 - 20 * Math.exp(-1) / travel, 1e-9);
            mouseRelease(area, 100, 140);
        }

        function test_horizontal() {
            var view = makeFader('x="0.1" y="0.1" width="0.8" height="0.1" orientation="horizontal"');
            compare([view.width, view.height], [320, 30]);
            var area = findChild(view, "touchArea");
            var travel = 320 - 0.17 * 320;
            view.cppWidget.value = 0;
            var knob = findChild(view, "knob");
            // Value 0 is the left end.
            var left = knob.mapToItem(view, 0, 0);
            verify(Math.max(left.x, knob.mapToItem(view, knob.width, knob.height).x) <= 0.17 * 320 + 0.5, left.x);
            // The area turns with the track: a finger moving right moves the knob right.
            var start = area.mapFromItem(view, 40, 15);
            var end = area.mapFromItem(view, 80, 15);
            mousePress(area, start.x, start.y);
            mouseMove(area, end.x, end.y, -1, Qt.LeftButton);
            fuzzyCompare(view.cppWidget.value, 40 / travel, 1e-6);
            mouseRelease(area, end.x, end.y);
        }
    }
}
