import QtQuick 2.15
import QtTest 1.15

// The kiosk unlock-password dialog typed into and clicked as a user does, in both of its uses:
// setting a new password (two fields that must agree) and checking one.
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
        name: "UnlockPasswordDialog"
        when: windowShown

        property var dialog: null

        Component {
            id: spyComponent
            SignalSpy {}
        }

        function open(setting, prefill) {
            _application.reset(false, false, false);
            var component = Qt.createComponent("qrc:/UnlockPasswordDialog.qml");
            compare(component.status, Component.Ready, component.errorString());
            dialog = createTemporaryObject(component, root, { width: root.width, height: root.height,
                                                                  visible: false });
            verify(dialog !== null);
            field("firstField").text = prefill === undefined ? "" : prefill;
            dialog.settingPassword(setting);
            waitForRendering(dialog);
            return dialog;
        }

        function field(name) {
            var found = findChild(dialog, name);
            verify(found !== null, "no " + name);
            return found;
        }

        function spy(signalName) {
            return createTemporaryObject(spyComponent, testCase, { target: dialog, signalName: signalName });
        }

        function typeInto(name, text) {
            if (text.length === 0)
                return;
            mouseClick(field(name));
            tryCompare(field(name), "activeFocus", true);
            for (var i = 0; i < text.length; ++i)
                keyClick(text[i]);
        }

        function isRed(item) {
            return Qt.colorEqual(item.color, "red");
        }

        function test_setting_data() {
            return [
                { tag: "both typed alike", first: "pass1", second: "pass1", ok: true },
                { tag: "confirmation differs", first: "pass1", second: "pass2", ok: false },
                { tag: "confirmation missing", first: "pass1", second: "", ok: false },
                { tag: "confirmation taken from the first field", prefill: "held", first: "", second: "", ok: true,
                  password: "held" },
                { tag: "first field changed after the copy", prefill: "held", first: "x", second: "", ok: false },
            ];
        }

        function test_setting(data) {
            open(true, data.prefill);
            compare(field("prompt").text, "Set a password for exiting kiosk mode");
            verify(dialog.visible);
            verify(field("firstField").activeFocus, "the first field has no focus");
            verify(field("secondField").visible);
            verify(!field("failText").visible);
            typeInto("firstField", data.first);
            typeInto("secondField", data.second);
            var okSpy = spy("okClicked");
            compare(field("okButton").enabled, data.ok);
            compare(isRed(field("mismatchText")), !data.ok, "mismatch text colour " + field("mismatchText").color);
            verify(field("mismatchText").visible);
            mouseClick(field("okButton"));
            compare(okSpy.count, data.ok ? 1 : 0);
            if (data.ok)
                compare(dialog.password, data.password === undefined ? data.first : data.password);
        }

        function test_checking() {
            open(false, "left over");
            compare(field("prompt").text, "Enter password to exit kiosk mode");
            compare(field("firstField").text, "");
            verify(!field("secondField").visible);
            verify(!field("mismatchText").visible);
            verify(field("failText").visible);
            verify(!isRed(field("failText")));
            typeInto("firstField", "guess");
            verify(field("okButton").enabled);
            var okSpy = spy("okClicked");
            mouseClick(field("okButton"));
            compare(okSpy.count, 1);
            compare(dialog.password, "guess");

            // The machine finds it wrong: red until the user types again.
            dialog.showPasswordFail();
            verify(isRed(field("failText")));
            typeInto("firstField", "x");
            verify(!isRed(field("failText")));

            // Hidden after a failure: the next showing starts clean, with no field focused while hidden.
            dialog.showPasswordFail();
            dialog.visible = false;
            verify(!isRed(field("failText")));
            verify(!field("firstField").activeFocus && !field("secondField").activeFocus);
        }

        function test_showButtons_data() {
            return [
                { tag: "first field", field: "firstField", flag: "showUnlockPassword", setting: false },
                { tag: "confirmation field", field: "secondField", flag: "showUnlockPassword2", setting: true },
            ];
        }

        function test_showButtons(data) {
            open(data.setting);
            typeInto(data.field, "secret");
            var input = field(data.field);
            compare(input.echoMode, TextInput.Password);
            var button = field(data.field + "ShowButton");
            verify(button.visible);
            mouseClick(button);
            compare(dialog[data.flag], true);
            compare(input.echoMode, TextInput.Normal);
            verify(input.activeFocus, "the show button took the focus");
            mouseClick(button);
            compare(dialog[data.flag], false);
            mouseClick(button);
            // Leaving the field hides its text again.
            dialog.forceActiveFocus();
            compare(dialog[data.flag], false);
        }

        function test_buttonsClearShowFlags_data() {
            return [
                { tag: "Ok", button: "okButton", signal: "okClicked" },
                { tag: "Cancel", button: "cancelButton", signal: "cancelClicked" },
            ];
        }

        function test_buttonsClearShowFlags(data) {
            open(true);
            mouseClick(field("firstFieldShowButton"));
            mouseClick(field("secondFieldShowButton"));
            verify(dialog.showUnlockPassword && dialog.showUnlockPassword2);
            var signalSpy = spy(data.signal);
            mouseClick(field(data.button));
            compare(signalSpy.count, 1);
            verify(!dialog.showUnlockPassword && !dialog.showUnlockPassword2);
        }

        function test_backKeyCancels() {
            open(false);
            var cancelSpy = spy("cancelClicked");
            var okSpy = spy("okClicked");
            keyClick(Qt.Key_Back);
            compare(cancelSpy.count, 1);
            compare(okSpy.count, 0);
        }

        function test_blocksInput() {
            open(false);
            root.clicksBelow = 0;
            mouseClick(root, 5, 5);
            mouseClick(root, root.width - 5, root.height - 5);
            compare(root.clicksBelow, 0);
        }
    }
}
