import QtQuick 2.15
import QtTest 1.2

// The texts of the text and date-and-time views are fitted to their boxes, and a view on a tab not
// shown holds its text only once it shows.
Item {
    id: root

    width: 400
    height: 300

    function view(type, attributes, parentItem) {
        var widgets = _application.load('<Layout><Widget id="1" type="' + type + '" x="0" y="0" width="0.25"'
                                         + ' height="0.25" ' + attributes + '/></Layout>');
        var component = Qt.createComponent(_application.viewUrl(type));
        if (component.status !== Component.Ready)
            throw new Error(component.errorString());
        return testCase.createTemporaryObject(component, parentItem || root, { cppWidget: widgets[0], runner: true });
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

        // Shrunk below the box's height until it fits inside the box, by the first frame.
        function test_fitted(data) {
            var text = findChild(root.view(data.type, data.attributes), data.name);
            verify(text.text !== "");
            compare(text.fontSizeMode, Text.Fit);
            waitForRendering(text);
            verify(text.fontInfo.pixelSize > 1, "pixel size " + text.fontInfo.pixelSize);
            verify(text.fontInfo.pixelSize < text.height, "pixel size " + text.fontInfo.pixelSize);
            verify(text.contentWidth <= text.width, text.contentWidth + " wide in " + text.width);
            verify(text.contentHeight <= text.height, text.contentHeight + " high in " + text.height);
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
