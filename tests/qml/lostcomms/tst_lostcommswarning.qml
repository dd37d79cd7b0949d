import QtQuick 2.15
import QtTest 1.2
import "qrc:/"
import "../support/Pixels.js" as Pixels

// The lost-communications overlay driven by the connection interface of the application's
// configuration (the fake application's), drawn for real over a white page.
Rectangle {
    id: root

    width: 400
    height: 300
    color: "white"

    property int clicksBeneath: 0
    property int wheelsBeneath: 0

    MouseArea {
        anchors.fill: parent
        onClicked: ++root.clicksBeneath
        onWheel: ++root.wheelsBeneath
    }

    Component {
        id: bannerComponent

        LostCommsWarningRectangle {}
    }

    TestCase {
        name: "LostCommsWarningRectangle"
        when: windowShown

        property QtObject connection: _application.currentConfig.connectionInterface

        function init() {
            connection.lostCommsLowTTL = false;
            root.clicksBeneath = 0;
            root.wheelsBeneath = 0;
        }

        function createBanner(properties) {
            var banner = createTemporaryObject(bannerComponent, root, properties || {});
            verify(banner);
            return banner;
        }

        function test_hiddenAtFirst() {
            var banner = createBanner();
            compare(banner.opacity, 0);
            compare(banner.visible, false);
            verify(Qt.colorEqual(banner.progressColour, "#B3B3B3"));
            compare(findChild(banner, "countdownRing").running, false);
            compare(findChild(banner, "warningText").text, "Connection problem...\nPlease wait");
        }

        // A low time to live fades the overlay in and starts the countdown; its end fades the overlay
        // out and stops the countdown.
        function test_fadesWithLowTimeToLive() {
            var banner = createBanner();
            var ring = findChild(banner, "countdownRing");
            connection.lostCommsLowTTL = true;
            verify(banner.visible);
            compare(ring.running, true);
            compare(ring.duration, 24500);
            tryCompare(banner, "opacity", 1);

            connection.lostCommsLowTTL = false;
            verify(banner.visible, "still shown while fading out");
            tryCompare(banner, "visible", false);
            compare(banner.opacity, 0);
            compare(ring.running, false);
            compare(ring.progress, 0);
        }

        // hide() ends a fade at once, whichever way it ran.
        function test_hide_data() {
            return [
                { tag: "while fading in", lowTTL: [true] },
                { tag: "when shown", lowTTL: [true], settle: true },
                { tag: "while fading out", lowTTL: [true, false], settleBefore: true },
            ];
        }

        function test_hide(data) {
            var banner = createBanner();
            for (var i = 0; i < data.lowTTL.length; ++i) {
                connection.lostCommsLowTTL = data.lowTTL[i];
                if (data.settleBefore && i === 0)
                    tryCompare(banner, "opacity", 1);
            }
            if (data.settle)
                tryCompare(banner, "opacity", 1);
            verify(banner.visible);
            banner.hide();
            compare(banner.opacity, 0);
            // Not visible means no fade is running either.
            compare(banner.visible, false);
            compare(findChild(banner, "countdownRing").running, false);
        }

        // While shown the overlay takes clicks and wheel turns; hidden, they reach the page again.
        function test_blocksInputWhileShown() {
            var banner = createBanner();
            connection.lostCommsLowTTL = true;
            tryCompare(banner, "opacity", 1);
            mouseClick(root, 20, 20);
            mouseWheel(root, 20, 20, 0, -120);
            compare(root.clicksBeneath, 0);
            compare(root.wheelsBeneath, 0);

            banner.hide();
            mouseClick(root, 20, 20);
            mouseWheel(root, 20, 20, 0, -120);
            compare(root.clicksBeneath, 1);
            compare(root.wheelsBeneath, 1);
        }

        // Over the white page the overlay darkens it to a fifth; the ring is drawn in the progress
        // colour half the smaller side high; the text is white.
        function test_looks_data() {
            return [
                { tag: "default colour", properties: {}, ring: "#B3B3B3" },
                { tag: "own colour", properties: { progressColour: "#20c040" }, ring: "#20c040" },
            ];
        }

        function test_looks(data) {
            var banner = createBanner(data.properties);
            connection.lostCommsLowTTL = true;
            tryCompare(banner, "opacity", 1);
            waitForRendering(banner);
            var image = grabImage(root);
            var dark = Qt.rgba(0.2, 0.2, 0.2, 1);
            Pixels.expect(this, image, 5, 5, dark, 3, "corner");
            Pixels.expect(this, image, 395, 295, dark, 3, "opposite corner");
            // Ring: 150 high and centred, stroke 3.75; the bottom of it stays drawn for half the countdown.
            var radius = (150 - 3.75) / 2;
            Pixels.expect(this, image, 200, 150 + radius, data.ring, 24, "bottom of the ring");
            Pixels.expect(this, image, 200, 150 + radius + 8, dark, 3, "below the ring");
            var text = findChild(banner, "warningText");
            var place = text.mapToItem(root, 0, 0);
            verify(Pixels.count(image, place.x, place.y, text.width, text.height, "white", 40) > 50,
                   "white text drawn");
        }
    }
}
