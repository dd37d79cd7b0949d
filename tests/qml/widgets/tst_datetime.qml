import QtQuick 2.15
import QtTest 1.2
import "qrc:/Widgets"

// The date-and-time view makes only the face it shows, and every shown clock follows one shared
// tick; a hidden clock follows none and takes the shared time again when shown.
Item {
    id: root

    width: 400
    height: 300

    function view(attributes, parentItem) {
        var widgets = _application.load('<Layout><Widget id="1" type="datetime" x="0" y="0" width="0.5"'
                                         + ' height="0.5" ' + attributes + '/></Layout>');
        var component = Qt.createComponent(_application.viewUrl("datetime"));
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

        name: "DateTimeWidget"
        when: windowShown

        function test_onlyTheShownFace_data() {
            return [
                { tag: "digital", face: "digital", made: "digitalFace", notMade: "analogueFace" },
                { tag: "date only", face: "date", made: "digitalFace", notMade: "analogueFace" },
                { tag: "analogue", face: "analogue", made: "analogueFace", notMade: "digitalFace" }
            ];
        }

        function test_onlyTheShownFace(data) {
            var clock = root.view('faceFormat="' + data.face + '"');
            verify(findChild(clock, data.made) !== null, data.made);
            compare(findChild(clock, data.notMade), null, data.notMade);
            compare(findChild(clock, "hands") !== null, data.face === "analogue");
        }

        function test_sharedTick() {
            var first = root.view('digitalTimeFormat="hh:mm:ss"');
            var second = root.view('digitalTimeFormat="hh:mm:ss"');
            var hidden = root.view('digitalTimeFormat="hh:mm:ss"', hiddenTab);
            verify(WidgetClock.tick.running);
            var hiddenTime = hidden.now.getTime();
            var start = first.now.getTime();
            tryVerify(function() { return first.now.getTime() !== start; }, 2000, "the clock ticks");
            compare(second.now.getTime(), first.now.getTime());
            compare(findChild(first, "timeText").text, Qt.formatTime(first.now, "hh:mm:ss"));
            compare(hidden.now.getTime(), hiddenTime, "a hidden clock follows no tick");

            hiddenTab.visible = true;
            compare(hidden.now.getTime(), first.now.getTime());
            compare(findChild(hidden, "timeText").text, Qt.formatTime(first.now, "hh:mm:ss"));
            hiddenTab.visible = false;
        }

        function test_tickStopsWithoutClocks() {
            var clock = root.view("");
            verify(WidgetClock.tick.running);
            clock.destroy();
            tryVerify(function() { return !WidgetClock.tick.running; }, 1000);
            compare(WidgetClock.views, 0);
        }
    }
}
