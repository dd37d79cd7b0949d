import QtQuick 2.15
import QtTest 1.2

// The button view over a real button off line (as in demo mode): a click lights a latching button and
// a second darkens it; with a hold time a short press does nothing and a long one acts before its
// release; a release outside the button is no click. The run fails on any QML warning.
Item {
    id: root

    width: 400
    height: 300

    TestCase {
        name: "ZUNetButton"
        when: windowShown

        function button(attributes) {
            var widgets = _application.load('<Layout><Widget id="1" type="zunet_button" x="0" y="0" width="0.5" '
                                            + 'height="0.5" colour="#FF0000" offColour="#00FF00" '
                                            + 'onImageResourceId="_basic" offImageResourceId="_basic" '
                                            + attributes + '/></Layout>');
            compare(widgets.length, 1);
            var component = Qt.createComponent(_application.viewUrl("zunet_button"));
            compare(component.status, Component.Ready, component.errorString());
            var view = createTemporaryObject(component, root, { runner: true, cppWidget: widgets[0] });
            verify(view !== null);
            return view;
        }

        function test_clickLatches() {
            var view = button('function="mute" text="Mute"');
            compare(view.value, false);
            verify(Qt.colorEqual(view.stateColour, "#00ff00"));
            mouseClick(view, 50, 50);
            compare(view.value, true);
            verify(Qt.colorEqual(view.stateColour, "#ff0000"));
            mouseClick(view, 50, 50);
            compare(view.value, false);
        }

        function test_levelButtonPulses() {
            var view = button('function="levelup"');
            mouseClick(view, 50, 50);
            compare(view.value, true);
            tryCompare(view, "value", false, 1000);
        }

        function test_holdTime() {
            var view = button('function="mute" holdTime="300"');
            mousePress(view, 50, 50);
            wait(100);
            mouseRelease(view, 50, 50);
            wait(400);
            compare(view.value, false, "a short press only releases");
            mousePress(view, 50, 50);
            tryCompare(view, "value", true, 1000);
            verify(view.down, "acted while still held");
            mouseRelease(view, 50, 50);
            compare(view.value, true);
        }

        function test_releaseOutsideIsNoClick() {
            var view = button('function="mute"');
            mousePress(view, 50, 50);
            mouseMove(view, view.width + 50, 50);
            mouseRelease(view, view.width + 50, 50);
            compare(view.value, false);
        }
    }
}
