import QtQuick 2.15
import QtTest 1.15

// The panel PC's quit PIN pad pressed as a user presses it: the program quits only for the whole
// PIN, a wrong entry is emptied, Cancel closes the pad.
Item {
    id: root
    width: 800
    height: 600

    // What lies under the page: it must never see a click while the page is open.
    property int clicksBelow: 0
    MouseArea {
        anchors.fill: parent
        onClicked: root.clicksBelow += 1
    }

    TestCase {
        id: testCase
        name: "QuitPinPad"
        when: windowShown

        function openPad() {
            _application.reset(false, false, false);
            _application.showPinPad = true;
            root.clicksBelow = 0;
            var component = Qt.createComponent("qrc:/QuitPinPad.qml");
            compare(component.status, Component.Ready, component.errorString());
            var pad = createTemporaryObject(component, root);
            verify(pad !== null);
            waitForRendering(pad);
            return pad;
        }

        function press(pad, key) {
            var button = findChild(pad, "pinButton" + key);
            verify(button !== null, "no button " + key);
            mouseClick(button);
        }

        function test_keys_data() {
            return [
                { tag: "the whole PIN", keys: "5307K", pin: "5307", quits: 1, padOpen: false, log: ["Ok clicked", "pin ok"] },
                { tag: "one digit more", keys: "53071K", pin: "", quits: 0, padOpen: true, log: ["Ok clicked", "pin incorrect"] },
                { tag: "one digit short", keys: "530K", pin: "", quits: 0, padOpen: true, log: ["Ok clicked", "pin incorrect"] },
                { tag: "nothing typed", keys: "K", pin: "", quits: 0, padOpen: true, log: ["Ok clicked", "pin incorrect"] },
                { tag: "wrong, then right", keys: "1234K5307K", pin: "5307", quits: 1, padOpen: false,
                  log: ["Ok clicked", "pin incorrect", "Ok clicked", "pin ok"] },
                { tag: "digits have no limit", keys: "12345678901", pin: "12345678901", quits: 0, padOpen: true, log: [] },
                { tag: "cancel", keys: "12C", pin: "", quits: 0, padOpen: false, log: ["Cancel clicked"] },
            ];
        }

        function test_keys(data) {
            var pad = openPad();
            for (var i = 0; i < data.keys.length; ++i) {
                var key = data.keys[i];
                press(pad, key === "K" ? "OK" : key === "C" ? "Cancel" : key);
            }
            compare(pad.pinString, data.pin);
            compare(_application.quitCount, data.quits);
            compare(_application.showPinPad, data.padOpen);
            compare(_application.consoleLines, data.log);
        }

        function test_layout() {
            var pad = openPad();
            var dialog = findChild(pad, "pinDialog");
            compare(dialog.width, 400);
            compare(dialog.height, 300);
            compare(dialog.radius, 10);
            var centre = dialog.mapToItem(root, dialog.width / 2, dialog.height / 2);
            compare(centre.x, root.width / 2);
            compare(centre.y, root.height / 2);
            // Three columns in reading order, "0", "OK" and "Cancel" on the last row, all inside the dialog.
            var rows = [["1", "2", "3"], ["4", "5", "6"], ["7", "8", "9"], ["0", "OK", "Cancel"]];
            for (var r = 0; r < rows.length; ++r) {
                for (var c = 0; c < 3; ++c) {
                    var button = findChild(pad, "pinButton" + rows[r][c]);
                    var at = button.mapToItem(dialog, 0, 0);
                    verify(at.x >= 0 && at.y >= 0 && at.x + button.width <= dialog.width && at.y + button.height <= dialog.height,
                           rows[r][c] + " outside the dialog");
                    if (c > 0) {
                        var left = findChild(pad, "pinButton" + rows[r][c - 1]);
                        compare(left.mapToItem(dialog, 0, 0).y, at.y, rows[r][c] + " not on its row");
                        verify(left.mapToItem(dialog, 0, 0).x < at.x, rows[r][c] + " not right of " + rows[r][c - 1]);
                    }
                    if (r > 0)
                        verify(findChild(pad, "pinButton" + rows[r - 1][c]).mapToItem(dialog, 0, 0).y < at.y);
                }
            }
        }

        // The shade swallows clicks beside the dialog; a click on the dialog's caption does nothing.
        function test_shadeSwallowsClicks() {
            var pad = openPad();
            mouseClick(root, 5, 5);
            mouseClick(root, root.width - 5, root.height - 5);
            var dialog = findChild(pad, "pinDialog");
            mouseClick(dialog, 20, 5);
            compare(root.clicksBelow, 0);
            compare(pad.pinString, "");
            compare(_application.showPinPad, true);
        }
    }
}
