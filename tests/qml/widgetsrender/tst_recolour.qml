import QtQuick 2.15
import QtTest 1.2
import "../support/Pixels.js" as Pixels

// The recolouring shader of the widget views, drawn for real: a strip of coloured cells is passed
// through qrc:/Widgets/Recolour.frag with red as the colour to find and blue as the new colour.
Rectangle {
    id: root

    width: 400
    height: 100
    color: "white"

    readonly property int cell: 20
    readonly property var cells: ["#ff0000", "#808080", "#e60000", "#ff8080", "#00ff00", "#ff3300", "#ffcc00",
        "#ff0033", "#0a0000", "#ffffff"]

    Row {
        id: strip

        Repeater {
            model: root.cells

            Rectangle {
                width: root.cell
                height: root.cell
                color: modelData
            }
        }
    }

    ShaderEffect {
        id: recolour

        y: 40
        width: strip.width
        height: strip.height
        property variant source: ShaderEffectSource {
            sourceItem: strip
            hideSource: true
        }
        property color newColor: "#0000ff"
        property color testColor: "#ff0000"
        property real range: 0.12
        fragmentShader: "qrc:/Widgets/Recolour.frag"
    }

    TestCase {
        name: "Recolour"
        when: windowShown

        function test_cell_data() {
            return [
                { tag: "the colour looked for takes the new colour", index: 0, expected: "#0000ff" },
                { tag: "grey passes", index: 1, expected: "#808080" },
                { tag: "a darker shade keeps its darkness", index: 2, expected: "#0000e6" },
                { tag: "a paler shade keeps its paleness", index: 3, expected: "#8080ff" },
                { tag: "another hue passes", index: 4, expected: "#00ff00" },
                { tag: "a hue inside the range is recoloured", index: 5, expected: "#0000ff" },
                { tag: "a hue outside the range passes", index: 6, expected: "#ffcc00" },
                { tag: "hue distance wraps round", index: 7, expected: "#0000ff" },
                { tag: "near black: far in value, mostly kept", index: 8, expected: "#00000a", tolerance: 6 },
                { tag: "white has no saturation and passes", index: 9, expected: "#ffffff" }
            ];
        }

        function test_cell(data) {
            var image = grabImage(root);
            var x = data.index * root.cell + root.cell / 2;
            Pixels.expect(this, image, x, recolour.y + root.cell / 2, data.expected,
                          data.tolerance === undefined ? 3 : data.tolerance);
        }

        function test_followsNewColourAndOpacity() {
            recolour.newColor = "#00ff00";
            recolour.opacity = 0.5;
            var image = grabImage(root);
            // Half of the new colour over the white page; grey likewise half over white.
            Pixels.expect(this, image, root.cell / 2, recolour.y + 10, "#80ff80", 3, "recoloured");
            Pixels.expect(this, image, root.cell * 1.5, recolour.y + 10, "#c0c0c0", 3, "passed through");
            recolour.newColor = "#0000ff";
            recolour.opacity = 1;
        }
    }
}
