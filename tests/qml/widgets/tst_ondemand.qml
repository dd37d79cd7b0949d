import QtQuick 2.15
import QtTest 1.2

// The parts a view needs only for some widgets are made for those alone: a rectangle's gradient and an
// image's recolouring.
Item {
    id: root

    width: 400
    height: 300

    function view(type, attributes) {
        var widgets = _application.load('<Layout><Widget id="1" type="' + type + '" x="0" y="0" width="0.5"'
                                         + ' height="0.5" ' + attributes + '/></Layout>');
        var component = Qt.createComponent(_application.viewUrl(type));
        if (component.status !== Component.Ready)
            throw new Error(component.errorString());
        return testCase.createTemporaryObject(component, root, { cppWidget: widgets[0], runner: true });
    }

    TestCase {
        id: testCase

        name: "PartsOnDemand"
        when: windowShown

        function test_gradient_data() {
            return [
                { tag: "solid", attributes: 'colour="#2050a0"', made: false },
                { tag: "gradient", attributes: 'colourMode="gradient" gradientMode="t-b" gradientStartColour="#ff0000"'
                  + ' gradientEndColour="#0000ff"', made: true }
            ];
        }

        function test_gradient(data) {
            var view = root.view("rect", data.attributes);
            compare(view.fill !== null, data.made);
            var gradient = findChild(view, "rectangle").gradient;
            if (!data.made)
                verify(!gradient, "no gradient drawn");
            if (data.made) {
                verify(gradient === view.fill, "the rectangle draws it");
                compare(view.fill.stops.length, 2);
                verify(Qt.colorEqual(view.fill.stops[0].color, "#ff0000"));
                verify(Qt.colorEqual(view.fill.stops[1].color, "#0000ff"));
                compare(view.fill.orientation, Gradient.Vertical);
            }
        }

        function test_recolouring_data() {
            return [
                { tag: "plain image", resource: "2", made: false },
                { tag: "recolourable image", resource: "1", made: true }
            ];
        }

        function test_recolouring(data) {
            var view = root.view("image", 'resourceId="' + data.resource + '" colour="#00c000"');
            var effect = findChild(view, "recolouredImage");
            compare(effect !== null, data.made);
            if (data.made) {
                verify(Qt.colorEqual(effect.newColor, "#00c000"));
                verify(Qt.colorEqual(effect.testColor, "#ff0000"));
                verify(effect.source.hideSource);
            }
        }
    }
}
