import QtQuick 2.15
import QtTest 1.2
import ZUQml 1.0
import "qrc:/Widgets"

// Every font code a widget can hold, shown by the text widget: a code whose file the resources lack
// must load the default font rather than warn and fall back to whatever the system has.
Item {
    id: page

    width: 200
    height: 100

    TestCase {
        id: testCase

        name: "Fonts"
        when: windowShown

        function textView(code) {
            var widgets = _application.load('<Layout><Widget id="1" type="text" x="0" y="0" width="1" height="1"'
                                            + ' text="Mix 12" textFont="' + code + '"/></Layout>');
            compare(widgets.length, 1);
            var component = Qt.createComponent("qrc:/Widgets/TextWidget.qml");
            compare(component.status, Component.Ready, component.errorString());
            return createTemporaryObject(component, page, { cppWidget: widgets[0], runner: true });
        }

        function test_codes_data() {
            var rows = [];
            for (var i = 0; i < _application.fontCodes.length; ++i)
                rows.push({ tag: _application.fontCodes[i], code: _application.fontCodes[i] });
            return rows;
        }

        function test_codes(data) {
            verify(_application.fontCodes.length === 18, "the whole font table");
            var source = QuendleFonts.fontSource(data.code);
            verify(source === "qrc:/" + data.code || source === "qrc:/lato", source);
            var view = textView(data.code);
            var text = findChild(view, "text");
            verify(text !== null);
            tryVerify(function() { return text.font.family !== ""; }, 2000, "font loaded");
            if (source === "qrc:/lato")
                compare(text.font.family, "Lato");
        }

        // Texts that are no code of the table, or name some other file of the resources.
        function test_notACode_data() {
            return [{ tag: "unknown", code: "comicsans" }, { tag: "empty", code: "" },
                    { tag: "other file", code: "Widgets/TextWidget.qml" }, { tag: "alias", code: "disabledWidget" },
                    { tag: "a script object's key", code: "constructor" }, { tag: "prototype", code: "__proto__" }];
        }

        // The default font drawn, and the text kept nowhere: the views' shared loaders stay one per
        // font file.
        function test_notACode(data) {
            compare(QuendleFonts.fontSource(data.code), "qrc:/lato");
            var text = findChild(textView(data.code), "text");
            tryCompare(text.font, "family", "Lato");
            compare(Object.keys(WidgetFonts.loaders).indexOf(data.code), -1);
            verify(Object.keys(WidgetFonts.loaders).length <= _application.fontCodes.length);
        }
    }
}
