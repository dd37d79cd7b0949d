import QtQuick 2.15
import QtTest 1.15

// The login page used as a user uses it: pick a row, type the user and password, press Connect;
// what the page tells the window and the application, and its password rules.
Item {
    id: root
    width: 800
    height: 600

    TestCase {
        id: testCase
        name: "LoginPage"
        when: windowShown

        property var page: null
        readonly property var manager: _application.foundUnitsManager

        Component {
            id: spyComponent
            SignalSpy {}
        }

        function open(setup) {
            _application.reset(false, setup.kiosk === true, false);
            _application.isProDVX = setup.panel === true;
            _application.passwordStored = setup.stored === true;
            manager.addUnit("Stage Rack", "10.0.0.5", 2, ["1", "8", "1"], "");
            if (setup.users !== undefined) {
                manager.selectedUnitUserList = setup.users;
                manager.selectedUnitUserHasPasswordList = setup.hasPassword;
            }
            var component = Qt.createComponent("qrc:/LoginPage.qml");
            compare(component.status, Component.Ready, component.errorString());
            page = createTemporaryObject(component, root, { width: root.width, height: root.height,
                                                                rememberDetails: setup.remember !== false,
                                                                usingStoredPassword: setup.stored === true });
            verify(page !== null);
            waitForRendering(page);
            return page;
        }

        function child(name) {
            var found = findChild(page, name);
            verify(found !== null, "no " + name);
            return found;
        }

        function spy(signalName) {
            return createTemporaryObject(spyComponent, testCase, { target: page, signalName: signalName });
        }

        function pickRow(index) {
            var item = child("unitList").itemAtIndex(index);
            verify(item !== null, "no row " + index);
            mouseClick(item, item.width * 0.2, item.height / 2);
            compare(manager.selectedUnitIndex, index);
        }

        // The typed-address field of the "Other..." row (each row has one, shown only there).
        function addressField() {
            var found = findChild(child("unitList").itemAtIndex(1), "ipAddressField");
            verify(found !== null && found.visible);
            return found;
        }

        function typeInto(name, text) {
            var field = name === "ipAddressField" ? addressField() : child(name);
            mouseClick(field);
            tryCompare(field, "activeFocus", true);
            for (var i = 0; i < text.length; ++i)
                keyClick(text[i]);
        }

        function pickUser(index) {
            var combo = child("userCombo");
            mouseClick(combo);
            tryCompare(combo.popup, "opened", true);
            var entry = combo.popup.contentItem.itemAtIndex(index);
            verify(entry !== null, "no user " + index);
            mouseClick(entry);
            tryCompare(combo.popup, "visible", false);
            compare(combo.currentIndex, index);
        }

        // Connect in each situation: the signal to the window, the calls in order, what stays in the fields.
        function test_connect_data() {
            return [
                { tag: "found unit", row: 2, user: "ann", password: "pw", signal: "loginClicked", args: [2],
                  calls: ["setPassword(pw)", "setLastUnitNameFromIndex(2)"], username: "ann", kept: ["ann", "pw"] },
                { tag: "typed address", row: 1, ip: "10.0.0.9", user: "ann", password: "pw", signal: "loginIpClicked",
                  args: ["10.0.0.9"], calls: ["setPassword(pw)", "setLastUnitNameAndIndex(1,10.0.0.9)"], username: "ann",
                  kept: ["ann", "pw"] },
                { tag: "demo", row: 0, signal: "loginDemoClicked", args: [], calls: ["setPassword()"], username: "",
                  kept: ["", ""] },
                { tag: "details not remembered", remember: false, row: 2, user: "ann", password: "pw",
                  signal: "loginClicked", args: [2], calls: ["setPassword(pw)", "setLastUnitNameFromIndex(2)"],
                  username: "ann", kept: ["", ""] },
                { tag: "stored password used", stored: true, row: 2, user: "", password: "", signal: "loginClicked",
                  args: [2], calls: ["setLastUnitNameFromIndex(2)"], username: "", kept: ["", ""] },
                { tag: "user without a password", users: ["ann", "bob"], hasPassword: [true, false], pick: 1, row: 2,
                  signal: "loginClicked", args: [2], calls: ["setPassword()", "setPassword()", "setLastUnitNameFromIndex(2)"],
                  username: "bob", kept: ["bob", ""] },
                { tag: "user with a password from the list", users: ["ann", "bob"], hasPassword: [true, false], pick: 0,
                  password: "pw", row: 2, signal: "loginClicked", args: [2],
                  calls: ["setPassword(pw)", "setLastUnitNameFromIndex(2)"], username: "ann", kept: ["ann", "pw"] },
            ];
        }

        function test_connect(data) {
            open(data);
            pickRow(data.row);
            if (data.ip !== undefined)
                typeInto("ipAddressField", data.ip);
            if (data.pick !== undefined)
                pickUser(data.pick);
            if (data.user)
                typeInto("usernameField", data.user);
            if (data.password)
                typeInto("passwordField", data.password);
            var spies = {};
            for (var name of ["loginClicked", "loginIpClicked", "loginDemoClicked"])
                spies[name] = spy(name);
            _application.clear();
            mouseClick(child("connectButton"));
            for (name in spies)
                compare(spies[name].count, name === data.signal ? 1 : 0, name);
            compare(Array.prototype.slice.call(spies[data.signal].signalArguments[0]), data.args);
            compare(_application.calls, data.calls);
            compare(_application.username, data.username);
            compare(page.username, data.kept[0]);
            compare(page.password, data.kept[1]);
            var expectedLog = "app.username " + data.username + "  and set " + data.username;
            verify(_application.consoleLines.indexOf(expectedLog) >= 0, "no log line: " + expectedLog);
        }

        // Whether the password field shows for the picked user, and its caption.
        function test_passwordField_data() {
            return [
                { tag: "no user list", users: [], hasPassword: [], shown: true },
                { tag: "user with a password", users: ["a", "b"], hasPassword: [true, false], pick: 0, shown: true },
                { tag: "user without a password", users: ["a", "b"], hasPassword: [true, false], pick: 1, shown: false },
                { tag: "flag list shorter than the users", users: ["a", "b"], hasPassword: [true], pick: 1, shown: true },
                { tag: "no flags at all", users: ["a"], hasPassword: [], pick: 0, shown: true },
            ];
        }

        function test_passwordField(data) {
            open({ users: data.users, hasPassword: data.hasPassword });
            pickRow(2);
            compare(child("userCombo").visible, data.users.length > 0);
            compare(child("usernameField").visible, data.users.length === 0);
            if (data.pick !== undefined) {
                pickUser(data.pick);
                compare(page.username, data.users[data.pick]);
            }
            compare(child("passwordField").visible, data.shown);
            compare(child("passwordCaption").text, data.shown ? "Password: " : "       ");
        }

        // The combo box picks the user already typed when its list arrives, else the first.
        function test_userListArrives_data() {
            return [
                { tag: "typed user in the list", typed: "bob", users: ["ann", "bob"], index: 1, username: "bob" },
                { tag: "typed user not in the list", typed: "cy", users: ["ann", "bob"], index: 0, username: "ann" },
                { tag: "nothing typed", typed: "", users: ["ann", "bob"], index: 0, username: "ann" },
                { tag: "list emptied", typed: "bob", users: [], index: -1, username: "bob" },
            ];
        }

        function test_userListArrives(data) {
            open({});
            pickRow(2);
            typeInto("usernameField", data.typed);
            manager.selectedUnitUserList = data.users;
            compare(child("userCombo").currentIndex, data.index);
            compare(page.username, data.username);
        }

        function test_storedPassword() {
            open({ stored: true });
            pickRow(2);
            var field = child("passwordField");
            var show = child("showPasswordButton");
            compare(field.placeholderText, "\u2022\u2022\u2022\u2022\u2022\u2022");
            compare(show.opacity, 0.2);
            mouseClick(show);
            verify(!page.showPassword, "the show button works over a stored password");
            // Focusing the field gives up the stored password.
            mouseClick(field);
            verify(!page.usingStoredPassword);
            compare(field.placeholderText, "");
            compare(show.opacity, 1);
            keyClick("x");
            mouseClick(show);
            verify(page.showPassword);
            compare(field.echoMode, TextInput.Normal);
            verify(field.activeFocus, "the show button took the focus");
            // Leaving the field hides the password again.
            mouseClick(child("usernameField"));
            verify(!page.showPassword);
            compare(field.echoMode, TextInput.Password);
        }

        function test_typingClearsStoredPassword() {
            open({ stored: true });
            pickRow(2);
            // Focus given without a click (as the keyboard's tab would): typing alone must clear it.
            page.usingStoredPassword = false;
            child("passwordField").forceActiveFocus();
            page.usingStoredPassword = true;
            keyClick("y");
            verify(!page.usingStoredPassword);
        }

        function test_rows_data() {
            return [
                { tag: "demo", row: 0, button: "Start Demo", fields: false },
                { tag: "typed address", row: 1, button: "Connect", fields: true },
                { tag: "found unit", row: 2, button: "Connect", fields: true },
            ];
        }

        function test_rows(data) {
            open({});
            pickRow(data.row);
            compare(child("connectButton").text, data.button);
            var grid = child("loginGrid");
            compare(grid.opacity, data.fields ? 1 : 0.2);
            compare(child("usernameField").enabled, data.fields);
            compare(child("passwordField").enabled, data.fields);
        }

        function test_userListRequest_data() {
            return [
                { tag: "typed address", row: 1, button: true, text: "Request Users" },
                { tag: "typed address with users", row: 1, users: ["ann"], button: true, text: "Refresh Users" },
                { tag: "typed address while asking", row: 1, error: "Contacting unit...", button: false },
                { tag: "found unit", row: 2, button: false },
            ];
        }

        function test_userListRequest(data) {
            open({ users: data.users, hasPassword: [] });
            pickRow(data.row);
            if (data.row === 1)
                typeInto("ipAddressField", "10.2.3.4");
            if (data.error !== undefined)
                manager.userListIPAddressError = data.error;
            var button = child("requestUsersButton");
            var error = child("userListErrorText");
            compare(button.visible, data.button);
            compare(error.visible, data.error !== undefined);
            if (data.error !== undefined)
                compare(error.text, data.error);
            if (data.button) {
                compare(button.text, data.text);
                _application.clear();
                mouseClick(button);
                compare(_application.calls, ["requestIPAddressUserList(10.2.3.4)"]);
            }
        }

        // Each edit of the typed address tells the manager, which empties that entry's users.
        function test_addressEditsTellTheManager() {
            open({});
            pickRow(1);
            _application.clear();
            typeInto("ipAddressField", "10.1");
            compare(_application.calls.filter(function(c) { return c === "unitIPAddressChanged()"; }).length, 4);
        }

        function test_backKey_data() {
            return [
                { tag: "runner", kiosk: false, panel: false, quits: 1 },
                { tag: "kiosk mode", kiosk: true, panel: false, quits: 0 },
                { tag: "panel PC", kiosk: false, panel: true, quits: 0 },
            ];
        }

        function test_backKey(data) {
            // The version keeps its place whether or not the privacy link beside it shows.
            open({});
            var versionX = child("versionText").x;
            verify(versionX > child("privacyLink").x);
            open({ kiosk: data.kiosk, panel: data.panel });
            page.forceActiveFocus();
            keyClick(Qt.Key_Back);
            compare(_application.quitCount, data.quits);
            compare(child("privacyLink").visible, !data.kiosk && !data.panel);
            compare(child("versionText").text, "V1.3.1");
            compare(child("versionText").x, versionX);
        }
    }
}
