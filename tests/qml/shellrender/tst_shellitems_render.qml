import QtQuick 2.15
import QtTest 1.15
import "qrc:/"
import "qrc:/Common"
import "../support/Pixels.js" as Pixels

// The shell's small items drawn for real on a white window: the window's menu items and separator,
// the connecting icon, the runner scroll view's two bars, the swipe hint's bubble and the marks of
// the connecting page's units.
Rectangle {
    id: root

    width: 640
    height: 480
    color: "white"

    CustomMenuItem {
        id: exitItem
        width: 200
        text: "Exit"
        shortcutText: "Ctrl+Q"
        iconUrl: "qrc:/Images/RedCross.svg"
    }

    CustomMenuItem {
        id: disabledItem
        y: 40
        width: 200
        text: "Log out"
        enabled: false
    }

    CustomMenuSeparator {
        id: separator
        y: 80
        width: 200
    }

    ConnectingIcon {
        id: icon
        x: 220
        width: 120
        height: 40
    }

    Component {
        id: bubbleComponent
        PopupBubble {
            text: "Swipe from this edge \nto open menu."
            pageWidth: 400
            pageHeight: 400
            pointerX: 400
            pointerY: 300
            popupColour: "#1040c0"
        }
    }

    RunnerScrollView {
        id: scrollView
        x: 400
        y: 0
        width: 200
        height: 100
        Rectangle {
            implicitWidth: 400
            implicitHeight: 300
            color: "#d02010"
        }
    }

    // A connection unit as the page reads it.
    Component {
        id: unitComponent
        QtObject {
            property string name
            property QtObject nameOrIpAddressProperty: QtObject { property string stringValue: name }
            property bool connected: false
            property bool authenticated: false
            property bool authenticationFailed: false
        }
    }

    TestCase {
        name: "ShellItemsRendering"
        when: windowShown

        function grab() {
            waitForRendering(root, 5000);
            return grabImage(root);
        }

        function brightOnes(image, x, y, w, h, colour) {
            return Pixels.count(image, x, y, w, h, colour, 40);
        }

        // Items 30 pixels high on black, the text 50 and the shortcut 137 pixels from the left in
        // "#B3B3B3", dimmed to "#4D4E4E" when disabled, the icon at (10, 5); "#222222" while hovered.
        function test_menuItems() {
            compare(exitItem.height, 30);
            var image = grab();
            Pixels.expect(this, image, 40, 2, "black", 3, "background above the text");
            Pixels.expect(this, image, 100, 32, "white", 3, "below the item");
            verify(brightOnes(image, 50, 5, 80, 20, "#B3B3B3") > 10, "item text");
            verify(brightOnes(image, 137, 5, 60, 20, "#B3B3B3") > 10, "shortcut text");
            compare(brightOnes(image, 0, 0, 49, 30, "#B3B3B3"), 0, "text left of its column");
            verify(brightOnes(image, 10, 5, 20, 20, "#E02424") > 10, "icon");
            compare(brightOnes(image, 0, 0, 8, 30, "#E02424") + brightOnes(image, 32, 0, 16, 30, "#E02424"), 0,
                    "icon outside its square");
            verify(brightOnes(image, 50, 45, 80, 20, "#4D4E4E") > 10, "disabled text");
            compare(brightOnes(image, 0, 40, 200, 30, "#B3B3B3"), 0, "disabled text drawn bright");
            Pixels.expect(this, image, 40, 42, "black", 3, "disabled background");

            mouseMove(exitItem, 40, 2);
            tryVerify(function() { return Pixels.near(Pixels.at(grab(), 40, 2), "#222222", 3); }, 3000,
                      "hovered background");
            mouseMove(root, 400, 470);
            tryVerify(function() { return Pixels.near(Pixels.at(grab(), 40, 2), "black", 3); }, 3000,
                      "background after hovering");
        }

        // One line of one pixel in "#B2B2AE" across a black separator.
        function test_menuSeparator() {
            var image = grab();
            var lines = [];
            for (var y = Math.floor(separator.y); y < separator.y + separator.height; ++y) {
                var p = Pixels.at(image, 100, y);
                if (Pixels.near(p, "#B2B2AE", 3))
                    lines.push(y);
                else
                    verify(Pixels.near(p, "black", 3), "row " + y + " is " + Pixels.text(p));
            }
            compare(lines.length, 1, "line rows " + lines);
            Pixels.expect(this, image, 5, lines[0], "#B2B2AE", 3, "line at the left");
            Pixels.expect(this, image, 195, lines[0], "#B2B2AE", 3, "line at the right");
        }

        // Orange balls at a sixth, a half and five sixths of the width, growing and shrinking in
        // turn; nothing between them or above them.
        function test_connectingIcon() {
            var centres = [icon.x + 20, icon.x + 60, icon.x + 100];
            for (var i = 0; i < 3; ++i) {
                var x = centres[i];
                tryVerify(function() { return Pixels.near(Pixels.at(grab(), x, 20), "orange", 24); }, 3000,
                          "ball " + (i + 1));
            }
            for (var round = 0; round < 10; ++round) {
                var image = grab();
                compare(Pixels.count(image, icon.x + 38, 0, 4, 40, "orange", 60), 0, "between balls 1 and 2");
                compare(Pixels.count(image, icon.x + 78, 0, 4, 40, "orange", 60), 0, "between balls 2 and 3");
                compare(Pixels.count(image, icon.x, 0, 120, 4, "orange", 60), 0, "above the balls");
                wait(50);
            }
        }

        // Content larger than the view both ways: a bar 12 pixels thick along the bottom and the
        // right, the handle "#5A5A5A" at the start of a half-black track.
        function test_runnerScrollView() {
            var image = grab();
            var track = Qt.rgba(0.5 * 0xd0 / 255, 0.5 * 0x20 / 255, 0.5 * 0x10 / 255, 1);
            Pixels.expect(this, image, 400 + 40, 94, "#5A5A5A", 6, "horizontal handle");
            Pixels.expect(this, image, 400 + 170, 94, track, 6, "horizontal track");
            Pixels.expect(this, image, 400 + 170, 86, "#d02010", 6, "above the horizontal bar");
            Pixels.expect(this, image, 400 + 194, 15, "#5A5A5A", 6, "vertical handle");
            Pixels.expect(this, image, 400 + 194, 70, track, 6, "vertical track");
            Pixels.expect(this, image, 400 + 186, 70, "#d02010", 6, "left of the vertical bar");
            Pixels.expect(this, image, 400 + 100, 102, "white", 3, "below the view");
        }

        // The bubble 0.8 opaque, with its pointer's tip at the point on each side, until pressed.
        function test_popupBubble_data() {
            return [
                { tag: "left of the point", side: 0, step: [-1, 0] },
                { tag: "right of the point", side: 1, step: [1, 0] },
                { tag: "above the point", side: 2, step: [0, -1] },
                { tag: "below the point", side: 3, step: [0, 1] },
            ];
        }

        function test_popupBubble(data) {
            var bubble = createTemporaryObject(bubbleComponent, root, { pointerSide: data.side });
            var image = grab();
            compare(Pixels.countOther(image, 300, 200, 200, 200, "white", 3), 0, "hidden bubble drawn");
            bubble.state = "shown";
            tryCompare(bubble, "opacity", 0.8);
            tryVerify(function() { return Math.abs(bubble.scale - 1) < 0.002; }, 5000);
            // 0.8 of the colour over white.
            var shown = Qt.rgba((0.8 * 0x10 + 0.2 * 255) / 255, (0.8 * 0x40 + 0.2 * 255) / 255,
                                (0.8 * 0xc0 + 0.2 * 255) / 255, 1);
            image = grab();
            Pixels.expect(this, image, 400 + 4 * data.step[0], 300 + 4 * data.step[1], shown, 6, "inside the tip");
            Pixels.expect(this, image, 400 - 3 * data.step[0], 300 - 3 * data.step[1], "white", 6, "beyond the tip");
            Pixels.expect(this, image, bubble.x + bubble.width / 2, bubble.y + 3, shown, 6, "bubble");
            Pixels.expect(this, image, bubble.x + bubble.width / 2, bubble.y - 12, "white", 6, "above the bubble");
            // The text, 0.8 opaque over the bubble.
            var text = Qt.rgba(0.8 * 0.8 + 0.2 * shown.r, 0.8 * 0.79 + 0.2 * shown.g, 0.8 * 0.79 + 0.2 * shown.b, 1);
            verify(Pixels.count(image, bubble.x, bubble.y, bubble.width, bubble.height, text, 40) > 20, "text");
            mousePress(bubble, bubble.width / 2, 3);
            tryCompare(bubble, "opacity", 0);
        }

        function marks(item, found) {
            if (item.objectName === "unitMark")
                found.push(item);
            for (var i = 0; i < item.children.length; ++i)
                marks(item.children[i], found);
            return found;
        }

        // Each unit's mark: the connecting icon, a blue dot, the green tick or the red cross.
        function test_connectingPageMarks() {
            var units = [
                unitComponent.createObject(root, { name: "Stage" }),
                unitComponent.createObject(root, { name: "Foyer", connected: true }),
                unitComponent.createObject(root, { name: "Rack", connected: true, authenticated: true }),
                unitComponent.createObject(root, { name: "Desk", connected: true, authenticationFailed: true }),
            ];
            var iface = Qt.createQmlObject("import QtQml 2.15; QtObject { property var units }", root);
            iface.units = units;
            var page = createTemporaryQmlObject(
                "import \"qrc:/\"; ConnectingToUnitsPage { width: 640; height: 480; platformName: \"linux\" }", root);
            page.connectionInterface = iface;
            var found = [];
            tryVerify(function() { found = marks(page, []); return found.length === 4; }, 3000);
            var image = grab();
            var rects = [];
            for (var i = 0; i < 4; ++i) {
                var p = found[i].mapToItem(root, 0, 0);
                rects.push({ x: p.x, y: p.y, w: found[i].width, h: found[i].height });
                verify(rects[i].w > 10, "mark " + i + " " + rects[i].w);
            }
            var r = rects[1];
            Pixels.expect(this, image, r.x + r.w / 2, r.y + r.h / 2, "blue", 3, "connected: dot");
            // Half the mark's height: its corner stays the list's background.
            verify(!Pixels.near(Pixels.at(image, r.x + 1, r.y + 1), "blue", 60), "connected: dot too large");
            r = rects[2];
            verify(brightOnes(image, r.x, r.y, r.w, r.h, "#2EB82E") > 10, "authenticated: green tick");
            compare(brightOnes(image, r.x, r.y, r.w, r.h, "#E02424"), 0, "authenticated: no cross");
            r = rects[3];
            verify(brightOnes(image, r.x, r.y, r.w, r.h, "#E02424") > 10, "failed: red cross");
            compare(brightOnes(image, r.x, r.y, r.w, r.h, "#2EB82E"), 0, "failed: no tick");
            compare(brightOnes(image, rects[3].x, rects[3].y, rects[3].w, rects[3].h, "blue"), 0, "failed: no dot");
            r = rects[0];
            compare(brightOnes(image, r.x, r.y, r.w, r.h, "blue"), 0, "connecting: no dot");
            tryVerify(function() { return brightOnes(grab(), r.x, r.y, r.w, r.h, "orange") > 0; }, 3000,
                      "connecting: the icon");
            // The icon runs only while its unit connects.
            units[0].connected = true;
            units[0].authenticated = true;
            tryVerify(function() {
                var now = grab();
                return brightOnes(now, r.x, r.y, r.w, r.h, "orange") === 0 && brightOnes(now, r.x, r.y, r.w, r.h, "#2EB82E") > 10;
            }, 3000, "connected at last: the tick");
        }
    }
}
