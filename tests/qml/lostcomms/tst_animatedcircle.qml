import QtQuick 2.15
import QtTest 1.2
import "qrc:/"
import "../support/Pixels.js" as Pixels

// The countdown ring drawn for real: which parts of the ring are left at points of the countdown,
// and the countdown itself run by the ring's own animation.
Rectangle {
    id: root

    width: 200
    height: 200
    color: "white"

    Component {
        id: ringComponent

        AnimatedCircle {
            x: 50
            y: 50
            width: 100
            height: 100
            strokeWidth: 10
            strokeColor: "#1040c0"
        }
    }

    TestCase {
        name: "AnimatedCircle"
        when: windowShown

        // Eight places on the middle of the stroke, clockwise from just right of twelve o'clock, each
        // in the middle of its eighth of the ring.
        function ringPlaces() {
            var places = [];
            for (var i = 0; i < 8; ++i) {
                var angle = (-90 + 22.5 + 45 * i) * Math.PI / 180;
                places.push({ x: 100 + 45 * Math.cos(angle), y: 100 + 45 * Math.sin(angle) });
            }
            return places;
        }

        function expectRing(ring, drawn) {
            var image = grabImage(root);
            var places = ringPlaces();
            for (var i = 0; i < 8; ++i)
                Pixels.expect(this, image, places[i].x, places[i].y, drawn[i] === "1" ? ring.strokeColor : "white",
                              24, "eighth " + (i + 1) + " of the ring");
            Pixels.expect(this, image, 100, 100, "white", 3, "inside the ring");
        }

        // "1" where the ring is still drawn, eighths clockwise from twelve o'clock: the right half goes
        // from the top down, then the left half from the bottom up.
        function test_ringLeftAt_data() {
            return [
                { tag: "start", progress: 0, drawn: "11111111" },
                { tag: "an eighth", progress: 0.125, drawn: "01111111" },
                { tag: "a quarter", progress: 0.25, drawn: "00111111" },
                { tag: "half", progress: 0.5, drawn: "00001111" },
                { tag: "five eighths", progress: 0.625, drawn: "00000111" },
                { tag: "three quarters", progress: 0.75, drawn: "00000011" },
                { tag: "end", progress: 1, drawn: "00000000" },
            ];
        }

        function test_ringLeftAt(data) {
            var ring = createTemporaryObject(ringComponent, root, { progress: data.progress });
            waitForRendering(ring);
            expectRing(ring, data.drawn);
        }

        // Running counts the whole ring away over the duration and stays empty; stopped, the ring is
        // whole again, and running again starts from the full ring.
        function test_runsDownAndRestarts() {
            var ring = createTemporaryObject(ringComponent, root, { duration: 1500 });
            compare(ring.progress, 0);
            // Every value the countdown passes through, so a slow machine cannot skip the check.
            var seen = [];
            ring.progressChanged.connect(function () { seen.push(ring.progress); });
            ring.running = true;
            tryCompare(ring, "progress", 1, 10000);
            verify(seen.some(function (v) { return v > 0 && v < 1; }), "counted down through " + seen);
            for (var i = 1; i < seen.length; ++i)
                verify(seen[i] >= seen[i - 1], "never counts back up: " + seen);
            waitForRendering(ring);
            expectRing(ring, "00000000");

            ring.running = false;
            compare(ring.progress, 0);
            waitForRendering(ring);
            expectRing(ring, "11111111");

            ring.running = true;
            verify(ring.progress < 1);
            tryCompare(ring, "progress", 1, 10000);
        }

        function test_defaults() {
            var ring = createTemporaryQmlObject("import QtQuick 2.15; import \"qrc:/\"; AnimatedCircle {}", root);
            compare(ring.strokeWidth, 10);
            verify(Qt.colorEqual(ring.strokeColor, "blue"));
            compare(ring.duration, 10000);
            compare(ring.running, false);
        }
    }
}
