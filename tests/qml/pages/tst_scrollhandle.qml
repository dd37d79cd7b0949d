import QtQuick 2.15
import QtTest 1.15

// The scroll handle of the long texts (about page, licence page): shown while the text moves,
// faded out over half a second when the page opens and after each movement.
Item {
    id: root
    width: 400
    height: 800

    TestCase {
        id: testCase
        name: "ScrollHandle"
        when: windowShown

        function test_handle_data() {
            return [
                { tag: "about page", url: "qrc:/Common/AboutPage.qml", view: "licenceFlickable",
                  bar: "licenceScrollBar", colour: Qt.rgba(0.2, 0.27, 0.31, 0.5), properties: { platformName: "android", width: 400, height: 800 } },
                { tag: "licence page", url: "qrc:/EULA.qml", view: "eulaFlickable", bar: "eulaScrollBar",
                  colour: Qt.rgba(0.8, 0.79, 0.79, 0.5), properties: { width: 320, height: 300 } },
            ];
        }

        function test_handle(data) {
            _application.reset(false, false, false);
            var component = Qt.createComponent(data.url);
            compare(component.status, Component.Ready, component.errorString());
            var page = createTemporaryObject(component, root, data.properties);
            verify(page !== null);
            var view = findChild(page, data.view);
            var bar = findChild(page, data.bar);
            var handle = findChild(bar, "scrollHandle");
            verify(view.contentHeight > view.height, "nothing to scroll");
            verify(Qt.colorEqual(handle.color, data.colour), "handle " + handle.color);
            compare(handle.radius, handle.width / 2);
            // Opening: shown, then faded out.
            verify(handle.opacity > 0.5, "handle hidden at once: " + handle.opacity);
            tryCompare(handle, "opacity", 0, 1500);

            // A drag shows it for as long as the text moves.
            var x = view.width / 2;
            var y = view.height * 0.8;
            mousePress(view, x, y);
            for (var step = 1; step <= 10; ++step)
                mouseMove(view, x, y - step * 8);
            tryCompare(view, "moving", true);
            compare(handle.opacity, 0.75);
            mouseRelease(view, x, y - 80);
            tryCompare(view, "moving", false, 3000);
            tryCompare(handle, "opacity", 0, 1500);
            verify(view.contentY > 0, "the drag did not scroll");
        }
    }
}
