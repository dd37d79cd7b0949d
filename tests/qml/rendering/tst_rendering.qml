import QtQuick 2.15
import QtTest 1.2
import "../support/Pixels.js" as Pixels

// The real-rendering test support itself: the window is drawn through OpenGL, a grab shows what
// was drawn at the places asked, and a check of a blank item fails.
Rectangle {
    id: root

    width: 320
    height: 240
    color: "white"

    Item {
        id: blank

        x: 10
        y: 10
        width: 60
        height: 40
    }

    Rectangle {
        id: box

        x: 100
        y: 10
        width: 60
        height: 40
        color: "#d02010"

        Rectangle {
            x: 30
            width: 30
            height: 40
            color: "#1040c0"
        }
    }

    Text {
        id: label

        x: 10
        y: 80
        width: 140
        height: 40
        text: "Mixer 12"
        font.pixelSize: 28
        color: "black"
    }

    // Runs only on a real OpenGL scene graph: the software one draws nothing for it.
    ShaderEffect {
        id: shader

        x: 180
        y: 10
        width: 60
        height: 40
        property color tint: "#20c040"
        fragmentShader: "
            uniform lowp vec4 tint;
            uniform lowp float qt_Opacity;
            void main() { gl_FragColor = tint * qt_Opacity; }"
    }

    TestCase {
        name: "Rendering"
        when: windowShown

        function test_openGLSceneGraph() {
            compare(root.GraphicsInfo.api, GraphicsInfo.OpenGL);
        }

        function test_grabShowsEachPlace() {
            var image = grabImage(root);
            compare([image.width, image.height], [320, 240]);
            Pixels.expect(this, image, 110, 30, "#d02010", 3, "left of the box");
            Pixels.expect(this, image, 150, 30, "#1040c0", 3, "right of the box");
            Pixels.expect(this, image, 99, 30, "white", 3, "beside the box");
            Pixels.expect(this, image, 210, 30, "#20c040", 3, "shader");
            verify(Pixels.countOther(image, label.x, label.y, label.width, label.height, "white") > 40,
                   "the text left dark pixels");
        }

        function test_blankItemFails() {
            var image = grabImage(root);
            compare(Pixels.countOther(image, blank.x, blank.y, blank.width, blank.height, "white"), 0);
            expectFail("", "a blank place has no colour of its own");
            Pixels.expect(this, image, blank.x + 30, blank.y + 20, "#d02010", 3, "blank item");
        }

        function test_expectedColourIsParsed_data() {
            return [
                { tag: "named", colour: "red", rgba: [255, 0, 0, 255] },
                { tag: "hex", colour: "#102030", rgba: [16, 32, 48, 255] },
                { tag: "argb", colour: "#80ff0000", rgba: [255, 0, 0, 128] }
            ];
        }

        function test_expectedColourIsParsed(data) {
            var c = Pixels.rgba(data.colour);
            compare([c.r, c.g, c.b, c.a], data.rgba);
        }
    }
}
