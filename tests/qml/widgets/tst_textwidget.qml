import QtQuick 2.15
import QtTest 1.2

// The texts of the text and date-and-time views are fitted to their boxes as texts fitting themselves
// would be, whether their size was worked out for them or for another view, and a view on a tab not
// shown holds its text only once it shows.
Item {
    id: root

    width: 400
    height: 300

    function view(type, attributes, parentItem, side) {
        side = side || 0.25;
        var widgets = _application.load('<Layout><Widget id="1" type="' + type + '" x="0" y="0" width="' + side
                                         + '" height="' + side + '" ' + attributes + '/></Layout>');
        var component = Qt.createComponent(_application.viewUrl(type));
        if (component.status !== Component.Ready)
            throw new Error(component.errorString());
        return testCase.createTemporaryObject(component, parentItem || root, { cppWidget: widgets[0], runner: true });
    }

    Component {
        id: fitting

        Text {
            textFormat: Text.PlainText
            fontSizeMode: Text.Fit
            minimumPixelSize: 1
            visible: false
        }
    }

    Item {
        id: hiddenTab

        anchors.fill: parent
        visible: false
    }

    TestCase {
        id: testCase

        name: "FittedTexts"
        when: windowShown

        function test_fitted_data() {
            return [
                { tag: "text", type: "text", attributes: 'text="Channel 12 left and right"', name: "text" },
                { tag: "time", type: "datetime", attributes: 'faceFormat="digital" digitalTimeFormat="hh:mm:ss"',
                  name: "timeText" },
                { tag: "date", type: "datetime", attributes: 'faceFormat="digital" dateFormat="dd.MM.yyyy"',
                  name: "dateText" }
            ];
        }

        // Fitted as a text fitting itself in the same box is: the same size, lines and extent.
        function compareWithSelfFitted(text) {
            var reference = createTemporaryObject(fitting, root, {
                text: text.text, width: text.width, height: text.height, wrapMode: text.wrapMode,
                "font.family": text.font.family, "font.pixelSize": Math.max(1, text.height)
            });
            compare(text.fontInfo.pixelSize, reference.fontInfo.pixelSize);
            compare(text.lineCount, reference.lineCount);
            compare([text.contentWidth, text.contentHeight], [reference.contentWidth, reference.contentHeight]);
        }

        // Shrunk below the box's height until it fits inside the box.
        function test_fitted(data) {
            var text = findChild(root.view(data.type, data.attributes), data.name);
            verify(text.text !== "");
            compareWithSelfFitted(text);
            verify(text.fontInfo.pixelSize > 1, "pixel size " + text.fontInfo.pixelSize);
            verify(text.fontInfo.pixelSize < text.height, "pixel size " + text.fontInfo.pixelSize);
            verify(text.contentWidth <= text.width, text.contentWidth + " wide in " + text.width);
            verify(text.contentHeight <= text.height, text.contentHeight + " high in " + text.height);
        }

        // The size found for one view serves another only in the same box and font.
        function test_sameTextOtherBoxOrFont() {
            var small = findChild(root.view("text", 'text="Mix 12"'), "text");
            var again = findChild(root.view("text", 'text="Mix 12"'), "text");
            var large = findChild(root.view("text", 'text="Mix 12"', root, 0.5), "text");
            var mono = findChild(root.view("text", 'text="Mix 12" textFont="ibmplexmono"'), "text");
            compare(again.fontInfo.pixelSize, small.fontInfo.pixelSize);
            verify(large.fontInfo.pixelSize > small.fontInfo.pixelSize);
            compareWithSelfFitted(small);
            compareWithSelfFitted(large);
            compareWithSelfFitted(mono);
        }

        function test_hiddenTextLaidOutWhenShown() {
            var view = root.view("text", 'text="Mix 12"', hiddenTab);
            var text = findChild(view, "text");
            compare(text.text, "");
            hiddenTab.visible = true;
            compare(text.text, "Mix 12");
            waitForRendering(text);
            verify(text.fontInfo.pixelSize > 1 && text.fontInfo.pixelSize < text.height);
            verify(text.contentWidth <= text.width && text.contentHeight <= text.height);
            hiddenTab.visible = false;
            compare(text.text, "");
        }
    }
}
