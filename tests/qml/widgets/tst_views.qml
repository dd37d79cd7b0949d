import QtQuick 2.15
import QtTest 1.2

// Every row of the widget factory's type table whose class is built: its view, reached by the path the
// table gives as the content page reaches it, loads with a widget made from a `Widget` element and
// without one, and draws without a single QML warning (the run fails on any). A new widget is checked
// here as soon as its row is in the table.
Item {
    id: root

    width: 400
    height: 300

    TestCase {
        name: "WidgetViews"
        when: windowShown

        function test_view_data() {
            var rows = [];
            var types = _application.builtTypes;
            for (var i = 0; i < types.length; ++i) {
                rows.push({ tag: types[i] + " with its widget", type: types[i], withWidget: true });
                rows.push({ tag: types[i] + " without a widget", type: types[i], withWidget: false });
            }
            return rows;
        }

        function test_view(data) {
            // The plain widgets at least; a table that lost them would test nothing.
            verify(_application.builtTypes.length >= 5, _application.builtTypes.join(","));
            var component = Qt.createComponent(_application.viewUrl(data.type));
            compare(component.status, Component.Ready, component.errorString());
            var properties = { runner: true };
            if (data.withWidget) {
                var widgets = _application.load('<Layout><Widget id="1" type="' + data.type
                                                + '" x="0.25" y="0.25" width="0.5" height="0.5"/></Layout>');
                compare(widgets.length, 1);
                compare(widgets[0].type, data.type);
                properties.cppWidget = widgets[0];
            }
            var view = createTemporaryObject(component, root, properties);
            verify(view !== null);
            compare(view.widgetType, data.withWidget ? data.type : "");
            verify(view.contentWidth !== undefined, "a widget base");
            if (data.withWidget)
                compare([view.x, view.y, view.width, view.height], [100, 75, 200, 150]);
            // Time for the first frames, font and image loads.
            wait(100);
        }
    }
}
