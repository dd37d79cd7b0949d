import QtQuick 2.15
import QtTest 1.2
import "qrc:/WidgetBase"
import "../support/Pixels.js" as Pixels

// The tab container drawn for real: the tab buttons in their colours with their captions, and only
// the current tab's widgets on screen.
Rectangle {
    id: root

    width: 400
    height: 400
    color: "white"

    Component {
        id: colouredView

        WidgetBase {
            id: view

            property color fill: "black"

            Rectangle {
                x: view.contentX
                y: view.contentY
                width: view.contentWidth
                height: view.contentHeight
                color: view.fill
            }
        }
    }

    TestCase {
        name: "TabContainerRendering"
        when: windowShown

        function test_onlyCurrentTabDrawn() {
            var widgets = _application.load('<Layout><Widget id="1" type="tab_container" x="0" y="0" width="1" height="1"'
                                      + ' numTabs="2" tabOnColour="#20c040" tabOffColour="#404040">'
                                      + '<Tab tabName="Inputs"><Widget id="10" type="rect" x="0.1" y="0.1" width="0.3"'
                                      + ' height="0.3"/></Tab><Tab tabName="Outputs"><Widget id="11" type="rect"'
                                      + ' x="0.5" y="0.5" width="0.3" height="0.3"/></Tab></Widget></Layout>');
            compare(widgets.length, 1);
            var container = widgets[0];
            var component = Qt.createComponent("qrc:/Widgets/TabContainer.qml");
            verify(component.status === Component.Ready, component.errorString());
            var view = createTemporaryObject(component, root, { cppWidget: container });
            verify(view);
            var colours = { 10: "#d02010", 11: "#1040c0" };
            for (var i = 0; i < container.widgetChildren.count; ++i) {
                var child = container.widgetChildren.get(i);
                verify(createTemporaryObject(colouredView, view.getContainer(container.getContainerLocation(child)),
                                             { cppWidget: child, fill: colours[child.widgetId] }));
            }
            waitForRendering(view);

            // Bar 40 high; pages 360 high below it. Widget 10 covers (40, 76) to (160, 184), widget 11
            // (200, 220) to (320, 328).
            var image = grabImage(root);
            Pixels.expect(this, image, 100, 130, "#d02010", 3, "first tab's widget");
            Pixels.expect(this, image, 260, 274, "white", 3, "second tab's widget hidden");
            Pixels.expect(this, image, 8, 6, "#20c040", 3, "selected tab button");
            Pixels.expect(this, image, 208, 6, "#404040", 3, "other tab button");
            verify(Pixels.countOther(image, 2, 2, 196, 36, "#20c040") > 20, "caption drawn on the first button");

            mouseClick(findChild(view, "tabButton1"));
            compare(container.currentTabIndex, 1);
            waitForRendering(view);
            image = grabImage(root);
            Pixels.expect(this, image, 100, 130, "white", 3, "first tab's widget hidden");
            Pixels.expect(this, image, 260, 274, "#1040c0", 3, "second tab's widget");
            Pixels.expect(this, image, 8, 6, "#404040", 3, "first button now off");
            Pixels.expect(this, image, 208, 6, "#20c040", 3, "second button now on");
        }
    }
}
