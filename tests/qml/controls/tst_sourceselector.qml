import QtQuick 2.15
import QtTest 1.2

// The source selector's views over a selector of the factory, the unit's side played by `_unit`: the
// combo box shows the current source's name and colour and sends a choice; the swipe box moves with
// its arrows, confirms, and returns to the current source when a choice is not confirmed in time.
// Any QML warning fails the run.
Item {
    id: root

    width: 400
    height: 300

    TestCase {
        name: "SourceSelectorView"
        when: windowShown

        function makeSelector(attributes) {
            var widgets = _application.load('<Layout><Widget id="1" type="zunet_source_sel" x="0" y="0" width="1"'
                                            + ' height="0.2" ' + attributes + '/></Layout>');
            compare(widgets.length, 1);
            var component = Qt.createComponent(_application.viewUrl("zunet_source_sel"));
            compare(component.status, Component.Ready, component.errorString());
            var view = createTemporaryObject(component, root, { runner: true, cppWidget: widgets[0] });
            verify(view !== null);
            _unit.answer(widgets[0], 4);
            verify(!widgets[0].disabled);
            _unit.sources(widgets[0], ["TV", "CD", "Stream"], [4, 6, 3]);
            _unit.current(widgets[0], 1);
            return view;
        }

        function test_comboBox() {
            var view = makeSelector('controlType="combobox"');
            var name = findChild(view, "currentSourceName");
            verify(name !== null);
            compare(name.text, "CD");
            verify(Qt.colorEqual(findChild(view, "currentSource").border.color, "cyan"));
            findChild(view, "comboBox").activated(2);
            compare(view.cppWidget.currentSourceIndex, 2);
            compare(name.text, "Stream");
            // A current source the list does not have shows nothing.
            _unit.current(view.cppWidget, 7);
            compare(name.text, "");
            _unit.sources(view.cppWidget, [], []);
            compare(name.text, "");
        }

        function test_swipeBoxConfirms() {
            var view = makeSelector("");
            var list = findChild(view, "itemListView");
            var ok = findChild(view, "okButton");
            compare(list.currentIndex, 1);
            verify(!ok.enabled, "the current source needs no confirming");
            mouseClick(findChild(view, "nextButton"));
            compare(list.currentIndex, 2);
            verify(ok.enabled);
            compare(view.cppWidget.currentSourceIndex, 1);
            mouseClick(ok);
            compare(view.cppWidget.currentSourceIndex, 2);
            verify(!ok.enabled);
        }

        function test_swipeBoxReverts() {
            var view = makeSelector("");
            var list = findChild(view, "itemListView");
            findChild(view, "acceptTimer").interval = 100;
            mouseClick(findChild(view, "previousButton"));
            compare(list.currentIndex, 0);
            tryCompare(list, "currentIndex", 1, 2000);
            compare(view.cppWidget.currentSourceIndex, 1);
        }
    }
}
