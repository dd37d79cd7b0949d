import QtQuick 2.15
import QtTest 1.2

Item {
    id: root

    width: 400
    height: 400

    TestCase {
        name: "TabContainer"
        when: windowShown

        property var created: []

        function widgetXml(id) {
            return '<Widget id="' + id + '" type="text" x="0.1" y="0.1" width="0.5" height="0.5"/>';
        }

        // What the content page does: one view per widget, children placed by their location.
        function createWidget(cppWidget, parentItem, views) {
            var url = cppWidget.type === "tab_container" ? "qrc:/Widgets/TabContainer.qml"
                      : cppWidget.type === "datetime"    ? "qrc:/Widgets/DateTimeWidget.qml"
                                                         : "qrc:/WidgetBase/WidgetBase.qml";
            var component = Qt.createComponent(url);
            verify(component.status === Component.Ready, component.errorString());
            var item = component.createObject(parentItem, { cppWidget: cppWidget, runner: true });
            verify(item !== null);
            views[cppWidget.widgetId] = item;
            created.push(item);
            if (cppWidget.isContainer) {
                for (var i = 0; i < cppWidget.widgetChildren.count; ++i) {
                    var child = cppWidget.widgetChildren.get(i);
                    createWidget(child, item.getContainer(cppWidget.getContainerLocation(child)), views);
                }
            }
            return item;
        }

        function load(document) {
            var widgets = _application.load("<Layout>" + document + "</Layout>");
            compare(widgets.length, 1);
            var views = {};
            createWidget(widgets[0], root, views);
            return { widget: widgets[0], views: views };
        }

        function cleanup() {
            // Destruction is deferred: hide the views so that they take no clicks meanwhile.
            for (var i = created.length - 1; i >= 0; --i) {
                created[i].visible = false;
                created[i].destroy();
            }
            created = [];
        }

        function test_tabCounts_data() {
            var rows = [];
            for (var n = 1; n <= 10; ++n)
                rows.push({ tag: n + " tabs", numTabs: n, tabs: n });
            rows.push({ tag: "12 gives 10", numTabs: 12, tabs: 10 });
            rows.push({ tag: "0 gives 1", numTabs: 0, tabs: 1 });
            return rows;
        }

        function test_tabCounts(data) {
            var tabsXml = "";
            for (var i = 0; i < Math.max(data.numTabs, data.tabs); ++i)
                tabsXml += '<Tab tabName="Tab' + i + '">' + widgetXml(100 + i) + "</Tab>";
            var loaded = load('<Widget id="1" type="tab_container" x="0" y="0" width="1" height="1" numTabs="'
                              + data.numTabs + '">' + tabsXml + "</Widget>");
            var view = loaded.views[1];
            compare(loaded.widget.tabs.count, data.tabs);
            compare(loaded.widget.widgetChildren.count, data.tabs);
            for (i = 0; i < data.tabs; ++i) {
                var button = findChild(view, "tabButton" + i);
                verify(button, "tab button " + i);
                fuzzyCompare(button.width, 400 / data.tabs, 0.01);
                compare(findChild(button, "tabCaption").text, "Tab" + i);
                // Only the first tab's widget shows.
                var child = loaded.views[100 + i];
                compare(child.visible, i === 0, "widget " + (100 + i));
                compare(child.cppWidget.isVisible, i === 0);
            }
            verify(!findChild(view, "tabButton" + data.tabs));
        }

        // The content page destroys a container whole, its children's views with it: no view may
        // read a parent that is already gone.
        function test_destroyedWithItsChildren() {
            var before = root.children.length;
            var clock = '<Widget id="ID" type="datetime" x="0.1" y="0.1" width="0.5" height="0.5" FACE/>';
            var loaded = load('<Widget id="1" type="tab_container" x="0" y="0" width="1" height="1" numTabs="2">'
                              + "<Tab>" + clock.replace("ID", 10).replace("FACE", "") + "</Tab><Tab>"
                              + clock.replace("ID", 11).replace("FACE", 'faceFormat="analogue"') + "</Tab></Widget>");
            verify(findChild(loaded.views[10], "dateText").visible);
            mouseClick(findChild(loaded.views[1], "tabButton1"));
            verify(findChild(loaded.views[11], "analogueDateText").visible);
            created = [];
            loaded.views[1].destroy();
            tryVerify(function() { return root.children.length === before; });
            wait(0);
        }

        function test_currentTab() {
            var loaded = load('<Widget id="1" type="tab_container" x="0" y="0" width="1" height="1" numTabs="3">'
                              + "<Tab>" + widgetXml(10) + widgetXml(11) + "</Tab><Tab>" + widgetXml(12)
                              + "</Tab><Tab/></Widget>");
            var view = loaded.views[1];
            var ten = loaded.views[10];
            var twelve = loaded.views[12];
            // Children take their fractions from the page.
            var page = findChild(view, "tabPage0");
            compare(ten.parent, page);
            compare(page.height, 360);
            compare([ten.x, ten.y, ten.width, ten.height], [40, 36, 200, 180]);
            verify(ten.visible && loaded.views[11].visible && !twelve.visible);

            mouseClick(findChild(view, "tabButton1"));
            compare(loaded.widget.currentTabIndex, 1);
            verify(!ten.visible && !loaded.views[11].visible && twelve.visible);
            compare(ten.cppWidget.isVisible, false);
            compare(twelve.cppWidget.isVisible, true);
            verify(Qt.colorEqual(findChild(view, "tabButton1").color, "white"));
            verify(Qt.colorEqual(findChild(view, "tabButton0").color, "darkgrey"));

            mouseClick(findChild(view, "tabButton2"));
            verify(!ten.visible && !twelve.visible);
            loaded.widget.currentTabIndex = 0;
            verify(ten.visible && !twelve.visible);
        }

        function test_tabPosition_data() {
            return [
                { tag: "top", position: "top", barY: 0, pageY: 40 },
                { tag: "bottom", position: "bottom", barY: 360, pageY: 0 },
                { tag: "unknown code is top", position: "BOTTOM", barY: 0, pageY: 40 }
            ];
        }

        function test_tabPosition(data) {
            var loaded = load('<Widget id="1" type="tab_container" x="0" y="0" width="1" height="1" numTabs="2"'
                              + ' tabPosition="' + data.position + '" tabOnColour="#ff0000" tabOffColour="#0000ff">'
                              + "<Tab/><Tab/></Widget>");
            var view = loaded.views[1];
            compare(findChild(view, "tabBar").y, data.barY);
            compare(findChild(view, "pageArea").y, data.pageY);
            verify(Qt.colorEqual(findChild(view, "tabButton0").color, "#ff0000"));
            verify(Qt.colorEqual(findChild(view, "tabButton1").color, "#0000ff"));
        }

        function test_nested() {
            var loaded = load('<Widget id="1" type="tab_container" x="0" y="0" width="1" height="1" numTabs="2">'
                              + "<Tab>" + widgetXml(10) + "</Tab><Tab>"
                              + '<Widget id="2" type="tab_container" x="0" y="0" width="1" height="1" numTabs="2">'
                              + "<Tab>" + widgetXml(20) + "</Tab><Tab>" + widgetXml(21) + "</Tab></Widget>"
                              + "</Tab></Widget>");
            var outer = loaded.views[1];
            var inner = loaded.views[2];
            var twenty = loaded.views[20];
            var twentyOne = loaded.views[21];
            verify(loaded.views[10].visible && !inner.visible && !twenty.visible && !twentyOne.visible);
            compare(twenty.cppWidget.isVisible, false);

            mouseClick(findChild(outer, "tabButton1"));
            verify(!loaded.views[10].visible && inner.visible && twenty.visible && !twentyOne.visible);
            compare(twenty.cppWidget.isVisible, true);

            mouseClick(findChild(inner, "tabButton1"));
            verify(inner.visible && !twenty.visible && twentyOne.visible);
            compare(loaded.widget.currentTabIndex, 1);
            compare(inner.cppWidget.currentTabIndex, 1);
        }

        function test_unplacedLocation() {
            var loaded = load('<Widget id="1" type="tab_container" x="0" y="0" width="1" height="1" numTabs="2"/>');
            var view = loaded.views[1];
            compare(view.getContainer(0), findChild(view, "tabPage0"));
            compare(view.getContainer(5).objectName, "unplaced");
            compare(view.getContainer(-1).visible, false);
            compare(loaded.widget.getContainerLocation(loaded.widget), -1);
        }
    }
}
