import QtQuick 2.15
import QtTest 1.2
import "qrc:/Common"
import "../support/Pixels.js" as Pixels

// The layout editor's drop area: it makes itself known to its layout, and its frame is drawn for
// real.
Rectangle {
    id: root

    width: 120
    height: 100
    color: "white"

    Component {
        id: layoutComponent

        QtObject {
            property var registered: []
            function registerDropArea(area) {
                registered = registered.concat([area]);
            }
        }
    }

    Component {
        id: areaComponent

        EditorDropArea {
            x: 10
            y: 10
            width: 100
            height: 80
        }
    }

    TestCase {
        name: "EditorDropArea"
        when: windowShown

        function test_defaults() {
            var area = createTemporaryObject(areaComponent, root);
            compare(area.containerLocation, -1);
            compare(area.highlight, false);
            compare(area.disableHighlight, false);
            compare(area.layout, undefined);
            // With no layout there is nobody to tell, and no error either.
            area.registerDropArea();
        }

        // A layout given at creation is told once; every later layout is told when it is set.
        function test_registersWithItsLayout() {
            var first = createTemporaryObject(layoutComponent, root);
            var second = createTemporaryObject(layoutComponent, root);
            var area = createTemporaryObject(areaComponent, root, { layout: first });
            compare(first.registered.length, 1);
            verify(first.registered[0] === area);

            area.layout = second;
            compare(second.registered.length, 1);
            verify(second.registered[0] === area);
            compare(first.registered.length, 1);

            area.layout = null;
            area.layout = first;
            compare(first.registered.length, 2);
        }

        function test_layoutSetAfterCreation() {
            var layout = createTemporaryObject(layoutComponent, root);
            var area = createTemporaryObject(areaComponent, root);
            area.layout = layout;
            compare(layout.registered.length, 1);
        }

        // A red frame one pixel wide, one pixel in from the edge, only while highlighted and allowed.
        function test_frame_data() {
            return [
                { tag: "plain", highlight: false, disable: false, frame: false },
                { tag: "highlighted", highlight: true, disable: false, frame: true },
                { tag: "highlight disabled", highlight: true, disable: true, frame: false },
                { tag: "disabled only", highlight: false, disable: true, frame: false },
            ];
        }

        function test_frame(data) {
            var area = createTemporaryObject(areaComponent, root,
                                             { highlight: data.highlight, disableHighlight: data.disable });
            waitForRendering(area);
            var image = grabImage(root);
            var line = data.frame ? "red" : "white";
            // The area covers x 10..109 and y 10..89; the frame runs along x 11 and 108, y 11 and 88.
            Pixels.expect(this, image, 11, 50, line, 3, "left side");
            Pixels.expect(this, image, 108, 50, line, 3, "right side");
            Pixels.expect(this, image, 60, 11, line, 3, "top side");
            Pixels.expect(this, image, 60, 88, line, 3, "bottom side");
            Pixels.expect(this, image, 10, 50, "white", 3, "edge of the area");
            Pixels.expect(this, image, 12, 50, "white", 3, "inside the frame");
            Pixels.expect(this, image, 60, 50, "white", 3, "middle");
            compare(Pixels.countOther(image, 0, 0, 120, 100, "white", 24), data.frame ? 2 * (98 + 78) - 4 : 0);
        }
    }
}
