import QtQuick 2.15
import QtTest 1.2
import "../support/Pixels.js" as Pixels

// The control views drawn for real under Xvfb: the fader's knob where its gain puts it, the rotary's
// pointer at its angle, and the source selector's border in the current source's colour.
Rectangle {
    id: root

    width: 400
    height: 400
    color: "white"

    TestCase {
        name: "ControlsRender"
        when: windowShown

        function make(type, attributes) {
            var widgets = _application.load('<Layout><Widget id="1" type="' + type + '" ' + attributes + '/></Layout>');
            compare(widgets.length, 1);
            var component = Qt.createComponent(_application.viewUrl(type));
            compare(component.status, Component.Ready, component.errorString());
            var view = createTemporaryObject(component, root, { runner: true, cppWidget: widgets[0] });
            verify(view !== null);
            return view;
        }

        // The knob's dark body a fifth of the way down it; the page shows through the track elsewhere.
        function test_faderKnob() {
            var view = make("zunet_fader", 'x="0.1" y="0.1" width="0.1" height="0.6" showFaderScale="off"');
            compare([view.x, view.y, view.width, view.height], [40, 40, 40, 240]);
            var knobLength = 0.17 * 240;
            var travel = 240 - knobLength;
            var bodyY = 40 + 0.2 * knobLength;
            view.cppWidget.value = 1;
            waitForRendering(view);
            var image = grabImage(root);
            Pixels.expect(this, image, 45, bodyY, "#404040", 8, "knob at the top");
            Pixels.expect(this, image, 45, bodyY + travel, "white", 8, "nothing at the bottom");
            view.cppWidget.value = 0;
            waitForRendering(view);
            image = grabImage(root);
            Pixels.expect(this, image, 45, bodyY, "white", 8, "nothing at the top");
            Pixels.expect(this, image, 45, bodyY + travel, "#404040", 8, "knob at the bottom");
        }

        function isPointer(p) {
            return p.g > 180 && p.r < 150 && p.b < 230;
        }

        // Centred, the pointer stands straight up; fully anticlockwise it points down and to the left.
        function test_rotaryPointer() {
            var view = make("zunet_rotary", 'x="0.25" y="0.25" width="0.25" height="0.25"');
            compare([view.width, view.height], [100, 100]);
            view.cppWidget.value = 0.5;
            waitForRendering(view);
            var image = grabImage(root);
            verify(isPointer(Pixels.at(image, 150, 130)), Pixels.text(Pixels.at(image, 150, 130)));
            view.cppWidget.value = 0;
            waitForRendering(view);
            image = grabImage(root);
            Pixels.expect(this, image, 150, 130, "#404040", 8, "the dial where the pointer was");
            var down = Pixels.at(image, 150 - 14.14, 150 + 14.14);
            verify(isPointer(down), Pixels.text(down));
        }

        // The combo box's frame takes the current source's colour.
        function test_selectorColour() {
            var view = make("zunet_source_sel", 'x="0" y="0" width="1" height="0.2" controlType="combobox"');
            _unit.answer(view.cppWidget, 4);
            _unit.sources(view.cppWidget, ["TV", "CD"], [4, 6]);
            _unit.current(view.cppWidget, 1);
            var frame = findChild(view, "currentSource");
            compare(findChild(view, "currentSourceName").text, "CD");
            waitForRendering(view);
            var edge = frame.mapToItem(root, 1, frame.height / 2);
            Pixels.expect(this, grabImage(root), edge.x, edge.y, "cyan", 8, "current source's colour");
            _unit.current(view.cppWidget, 0);
            waitForRendering(view);
            Pixels.expect(this, grabImage(root), edge.x, edge.y, "blue", 8, "the other source's colour");
        }
    }
}
