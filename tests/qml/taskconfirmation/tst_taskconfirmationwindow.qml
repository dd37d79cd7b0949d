import QtQuick 2.15
import QtTest 1.15

// The window holds one confirmation page, hidden, and its buttons move no page.
TestCase {
    id: testCase
    name: "TaskConfirmationInWindow"
    when: windowShown

    function test_heldHiddenAndInert_data() {
        return [
            { tag: "Ok", signalName: "okClicked" },
            { tag: "Cancel", signalName: "cancelClicked" },
        ];
    }

    function test_heldHiddenAndInert(data) {
        _application.reset(false, false, false);
        var component = Qt.createComponent("qrc:/main.qml");
        compare(component.status, Component.Ready, component.errorString());
        var win = createTemporaryObject(component, testCase, { width: 800, height: 600 });
        verify(win !== null);
        var page = findChild(win, "taskConfirmationPage");
        verify(page !== null);
        var login = findChild(win, "loginPageOpen");
        tryCompare(login, "active", true);
        compare(page.visible, false);
        compare(page.width, win.contentItem.width);

        _application.clear();
        page[data.signalName]();
        wait(0);
        compare(login.active, true);
        compare(page.visible, false);
        verify(findChild(win, "loginPage").visible);
        compare(_application.calls, []);
    }
}
