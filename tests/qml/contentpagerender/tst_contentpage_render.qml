import QtQuick 2.15
import QtTest 1.2
import "qrc:/"
import "../support/Pixels.js" as Pixels

// The content page drawn for real: a letterboxed page over the holder's background, its widgets at
// their places, and the connection banner darkening the bottom strip except in demo mode.
Item {
    id: root

    width: 400
    height: 300

    Item {
        id: holder

        width: 400
        height: 300
    }

    Component {
        id: pageComponent

        ContentPage {}
    }

    TestCase {
        name: "ContentPageRendering"
        when: windowShown

        readonly property QtObject connection: _application.currentConfig.connectionInterface

        function swatch(id, x, y, w, h, colour) {
            return '<Widget id="' + id + '" type="swatch:' + colour + '" x="' + x + '" y="' + y + '" width="' + w
                    + '" height="' + h + '"/>';
        }

        function init() {
            _application.clearLayouts();
            _application.qmlUrls = {
                "*": Qt.resolvedUrl("../contentpage/Swatch.qml"),
                "tab_container": "qrc:/Widgets/TabContainer.qml"
            };
            connection.lostCommsLowTTL = false;
            connection.allUnitsConnectedAndAuthenticated = true;
        }

        function cleanup() {
            _application.clearLayouts();
        }

        function test_drawn_data() {
            return [
                { tag: "units well", lost: false, demo: false, strip: "white" },
                { tag: "connection problem", lost: true, demo: false, strip: Qt.rgba(0.5, 0.51, 0.515, 1) },
                { tag: "demo mode", lost: true, demo: true, strip: "white" }
            ];
        }

        function test_drawn(data) {
            // A 2:1 page in a 400 x 300 holder: 400 x 200 at y 50.
            _application.addLayout(0, true, 2, swatch(1, 0.1, 0.1, 0.3, 0.3, "#d02010")
                                   + swatch(2, 0.6, 0.5, 0.3, 0.4, "#1040c0"));
            var page = createTemporaryObject(pageComponent, holder, { demoMode: data.demo });
            connection.lostCommsLowTTL = data.lost;
            page.createContent();
            tryCompare(page, "percentIncubationCompleted", 100);
            waitForRendering(page);

            var image = grabImage(root);
            Pixels.expect(this, image, 200, 20, Qt.rgba(0.07, 0.13, 0.15, 1), 3, "holder above the page");
            Pixels.expect(this, image, 200, 280, Qt.rgba(0.07, 0.13, 0.15, 1), 3, "holder below the page");
            Pixels.expect(this, image, 200, 60, "white", 3, "page");
            // The red swatch covers (40, 70) to (160, 130), the blue one (240, 150) to (360, 230).
            Pixels.expect(this, image, 42, 72, "#d02010", 3, "red swatch's corner");
            Pixels.expect(this, image, 158, 128, "#d02010", 3, "red swatch's far corner");
            Pixels.expect(this, image, 162, 100, "white", 3, "right of the red swatch");
            Pixels.expect(this, image, 300, 170, "#1040c0", 3, "blue swatch");
            Pixels.expect(this, image, 238, 170, "white", 3, "left of the blue swatch");
            // The banner takes the page's bottom 50 rows, 200 to 250.
            Pixels.expect(this, image, 15, 240, data.strip, 3, "banner strip");
            Pixels.expect(this, image, 15, 195, "white", 3, "above the banner");
        }
    }
}
