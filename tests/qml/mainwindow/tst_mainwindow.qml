import QtQuick 2.15
import QtQuick.Window 2.15
import QtTest 1.15

// The window's pages driven as a user and the application would drive them: page signals and
// application outcomes in, the page shown and the application calls made out.
TestCase {
    id: testCase
    name: "MainWindow"
    when: windowShown

    property var win: null

    function start(autoLogin, kiosk, demoAtOnce, platform, noUnitRemembered) {
        _application.reset(autoLogin, kiosk, demoAtOnce);
        if (noUnitRemembered)
            _application.autoLoginUnitRemembered = false;
        var component = Qt.createComponent("qrc:/main.qml");
        compare(component.status, Component.Ready, component.errorString());
        var properties = { width: 800, height: 600 };
        if (platform !== undefined)
            properties.platformName = platform;
        win = createTemporaryObject(component, testCase, properties);
        verify(win !== null);
    }

    function child(name) {
        var found = findChild(win, name);
        verify(found !== null, "no " + name);
        return found;
    }

    function waitForState(name, timeout) {
        tryCompare(child(name), "active", true, timeout === undefined ? 3000 : timeout, name);
    }

    function apply(event) {
        var parts = event.split(":");
        var what = parts[0];
        var argument = parts.slice(1).join(":");
        var iface = _application.currentConfig.connectionInterface;
        if (what === "state")
            waitForState(argument);
        else if (what === "login")
            child("loginPage").loginClicked(parseInt(argument));
        else if (what === "loginIp")
            child("loginPage").loginIpClicked(argument);
        else if (what === "demo")
            child("loginPage").loginDemoClicked();
        else if (what === "app")
            _application[argument]();
        else if (what === "allUnits") {
            iface.allUnitsConnectedAndAuthenticated = true;
            iface.allUnitsConnectedAndAuthenticatedChanged();
        } else if (what === "someUnits")
            iface.someUnitsConnectedAndAuthenticatedChanged();
        else if (what === "authFailed")
            iface.someUnitsAuthenticationFailed();
        else if (what === "cancel")
            child("taskInProgressPage").requestCancelSignal();
        else if (what === "failureOk")
            child("taskFailurePage").okClicked();
        else if (what === "unitsCancel")
            child("connectingToUnitsPage").cancelPressed();
        else if (what === "unitsContinue")
            child("connectingToUnitsPage").continuePressed();
        else if (what === "newerOk")
            child("newerVersionPage").okClickedSignal();
        else if (what === "newer")
            _application.currentConfig.configVersionIsNewer = true;
        else if (what === "logout")
            child("slideOutMenuRectangle").logoutClicked();
        else if (what === "showUnits")
            child("contentPage").showConnectingToUnitsPage();
        else if (what === "clear")
            _application.clear();
        else if (what === "sleep")
            wait(parseInt(argument));
        else
            fail("unknown event " + event);
        wait(10);
    }

    function test_road_data() {
        var toUnits = ["state:loginPageOpen", "login:2", "state:connectingPageOpen", "app:connectionAttemptSuccessful",
                       "state:downloadingConfigPageOpen", "app:downloadConfigSuccessful", "state:connectingToUnitsPageOpen"];
        var toContent = toUnits.concat(["allUnits", "state:contentPageOpen"]);
        return [
            { tag: "manual road", events: ["state:loginPageOpen", "clear"].concat(toContent.slice(1)), state: "contentPageOpen",
              calls: ["pauseUserListQuery(true)", "connectToPrimaryUnit(unit2)", "downloadConfig()", "setOnline()"] },
            { tag: "typed address", events: ["state:loginPageOpen", "clear", "loginIp:10.77.0.9"], state: "connectingPageOpen",
              calls: ["pauseUserListQuery(true)", "connectToPrimaryUnit(10.77.0.9)"] },
            { tag: "connection fails", events: ["state:loginPageOpen", "login:3", "app:connectionAttemptFailed"],
              state: "connectionAttemptFailedPageOpen", headline: "Connection attempt failed", reason: "Unit not found" },
            { tag: "failure page back to login", events: ["state:loginPageOpen", "login:3", "app:connectionAttemptFailed",
              "state:connectionAttemptFailedPageOpen", "clear", "failureOk"], state: "loginPageOpen",
              calls: ["disconnectAllUnits()", "disconnectAndRemovePrimaryUnit()", "pauseUserListQuery(false)"] },
            { tag: "download fails", events: toUnits.slice(0, 5).concat(["app:downloadConfigFailed"]),
              state: "downloadConfigFailedPageOpen", headline: "Failed to download data", reason: "Username or password incorrect" },
            { tag: "demo fails", events: ["state:loginPageOpen", "demo", "app:loadDemoConfigFailed"],
              state: "demoModeFailedToLoad", headline: "Demo mode failed to load", reason: "" },
            { tag: "cancel, then success", events: ["state:loginPageOpen", "login:2", "state:connectingPageOpen", "cancel",
              "app:connectionAttemptSuccessful"], state: "loginPageOpen", never: "downloadConfig()" },
            { tag: "cancel, then failure", events: ["state:loginPageOpen", "login:2", "state:connectingPageOpen", "cancel",
              "app:connectionAttemptFailed"], state: "loginPageOpen" },
            { tag: "units page cancel", events: toUnits.concat(["unitsCancel"]), state: "loginPageOpen" },
            { tag: "units page ignore", events: toUnits.concat(["unitsContinue"]), state: "contentPageOpen" },
            { tag: "some units after 500 ms", events: toUnits.concat(["someUnits", "sleep:250"]), state: "connectingToUnitsPageOpen",
              then: "contentPageOpen" },
            { tag: "guard off from the content page", events: toContent.concat(["showUnits", "state:connectingToUnitsPageOpen",
              "someUnits", "sleep:800"]), state: "connectingToUnitsPageOpen" },
            { tag: "guard on again after ignore", events: toContent.concat(["showUnits", "state:connectingToUnitsPageOpen",
              "unitsContinue", "state:contentPageOpen", "app:configUpdated", "state:updatingConfigPageOpen",
              "app:downloadConfigSuccessful", "state:connectingToUnitsPageOpen", "someUnits"]),
              state: "connectingToUnitsPageOpen", then: "contentPageOpen" },
            // The delay started by the first units must not move a later visit of the page on.
            { tag: "stale delay stopped", events: toUnits.concat(["someUnits", "allUnits", "state:contentPageOpen", "showUnits",
              "state:connectingToUnitsPageOpen", "sleep:800"]), state: "connectingToUnitsPageOpen" },
            { tag: "authentication failure marked", events: toUnits.concat(["authFailed"]), state: "connectingToUnitsPageOpen",
              failureLine: true },
            { tag: "configuration updated on the content page", events: toContent.concat(["app:configUpdated",
              "state:updatingConfigPageOpen", "app:downloadConfigSuccessful"]), state: "connectingToUnitsPageOpen" },
            { tag: "configuration updated on the units page", events: toUnits.concat(["app:configUpdated",
              "state:updatingConfigPageOpen", "app:downloadConfigFailed"]), state: "downloadConfigFailedPageOpen" },
            { tag: "newer version", events: ["newer"].concat(toUnits.slice(0, 6)), state: "newerVersionPageOpen",
              warning: "Downloaded data version 1.3.0 is newer than app version 1.3.1\nUnknown elements will be ignored" },
            { tag: "newer version then units", events: ["newer"].concat(toUnits.slice(0, 6)).concat(["state:newerVersionPageOpen",
              "newerOk"]), state: "connectingToUnitsPageOpen" },
            { tag: "demo in and out", events: ["state:loginPageOpen", "clear", "demo", "state:demoModeOpen",
              "app:loadDemoConfigSuccessful", "state:contentPageOpen", "logout"], state: "loginPageOpen",
              calls: ["pauseUserListQuery(true)", "enterDemoMode(true)", "enterDemoMode(false)", "disconnectAllUnits()",
                      "disconnectAndRemovePrimaryUnit()", "pauseUserListQuery(false)"] },
            { tag: "demo answered at once", demoAtOnce: true, events: ["state:loginPageOpen", "demo"], state: "contentPageOpen" },
            { tag: "log out", events: toContent.concat(["clear", "logout"]), state: "loginPageOpen",
              calls: ["disconnectAllUnits()", "disconnectAndRemovePrimaryUnit()", "pauseUserListQuery(false)"] },
        ];
    }

    function test_road(data) {
        start(false, false, data.demoAtOnce === true);
        _application.primaryUnit.connectionFailureReason = "Unit not found";
        _application.downloadConfigFailureReason = "Username or password incorrect";
        for (var i = 0; i < data.events.length; ++i)
            apply(data.events[i]);
        waitForState(data.state);
        if (data.calls !== undefined)
            compare(_application.calls, data.calls);
        if (data.never !== undefined) {
            wait(50);
            verify(_application.calls.indexOf(data.never) < 0, data.never + " was called");
        }
        if (data.headline !== undefined) {
            var failure = child("taskFailurePage");
            verify(failure.visible);
            compare(failure.headlineText, data.headline);
            compare(failure.failureReasonText, data.reason);
        }
        if (data.warning !== undefined) {
            verify(child("newerVersionPage").visible);
            compare(child("newerVersionPage").warningText, data.warning);
        }
        if (data.failureLine !== undefined)
            compare(child("failureLine").visible, data.failureLine);
        if (data.then !== undefined)
            waitForState(data.then, 1000);
        else
            verify(child(data.state).active);
    }

    function countCalls(call) {
        var count = 0;
        for (var i = 0; i < _application.calls.length; ++i)
            if (_application.calls[i] === call)
                ++count;
        return count;
    }

    function test_autoLogin() {
        start(true, false, false);
        waitForState("autoLoginCheck");
        var task = child("taskInProgressPage");
        compare(task.text, "Auto Connecting...");
        verify(task.visible);
        wait(1500);
        compare(countCalls("autoLoginToUnit()"), 0);
        waitForState("autoConnectingPageOpen", 1500);
        compare(countCalls("autoLoginToUnit()"), 1);
        verify(child("cancelButton").visible);
        apply("app:connectionAttemptFailed");
        wait(1500);
        compare(countCalls("autoLoginToUnit()"), 1);
        tryCompare(testCase, "autoLoginCalls", 2, 1500);
        apply("cancel");
        apply("app:connectionAttemptFailed");
        waitForState("loginPageOpen");
        wait(2300);
        compare(countCalls("autoLoginToUnit()"), 2);
    }

    // Every way out of the automatic connection while a retry is due: the retry must not be left
    // running behind the state that owns it.
    function test_autoLoginRetryStoppedOnExit_data() {
        return [
            { tag: "cancelled, then connected", events: ["cancel", "app:connectionAttemptSuccessful"], state: "loginPageOpen" },
            { tag: "cancelled, then failed", events: ["cancel", "app:connectionAttemptFailed"], state: "loginPageOpen" },
            { tag: "connected", events: ["app:connectionAttemptSuccessful"], state: "downloadingConfigPageOpen" },
        ];
    }

    function test_autoLoginRetryStoppedOnExit(data) {
        start(true, false, false);
        waitForState("autoConnectingPageOpen", 3000);
        var timer = child("autoLoginRetryTimer");
        apply("app:connectionAttemptFailed");
        verify(timer.running, "a failed attempt starts the retry");
        for (var i = 0; i < data.events.length; ++i)
            apply(data.events[i]);
        waitForState(data.state);
        verify(!timer.running, "retry still running in " + data.state);
        compare(countCalls("autoLoginToUnit()"), 1);
    }

    property int autoLoginCalls: _application.calls.filter(function(c) { return c === "autoLoginToUnit()"; }).length

    // No unit was ever chosen: nothing to connect to, so the login page, and no attempt ever.
    function test_autoLoginWithoutUnit() {
        start(true, false, false, undefined, true);
        waitForState("loginPageOpen");
        verify(!child("taskInProgressPage").visible);
        wait(2300);
        compare(countCalls("autoLoginToUnit()"), 0);
        verify(child("loginPageOpen").active);
    }

    // Cancel is offered from the first moment, before the first attempt, and ends it at once.
    function test_autoLoginCancelledBeforeFirstAttempt() {
        start(true, false, false);
        waitForState("autoLoginCheck");
        var button = child("cancelButton");
        tryCompare(button, "visible", true);
        mouseClick(button);
        waitForState("loginPageOpen");
        wait(2300);
        compare(countCalls("autoLoginToUnit()"), 0);
        verify(!child("autoLoginRetryTimer").running);
        verify(!button.visible);
    }

    function test_autoLoginKioskHasNoCancel() {
        start(true, true, false);
        waitForState("autoLoginCheck");
        verify(!child("cancelButton").visible);
        waitForState("autoConnectingPageOpen", 3000);
        verify(!child("cancelButton").visible);
        apply("app:connectionAttemptSuccessful");
        waitForState("downloadingConfigPageOpen");
    }

    function test_cancelButtonOnce() {
        start(false, false, false);
        apply("state:loginPageOpen");
        apply("login:2");
        apply("state:connectingPageOpen");
        var button = child("cancelButton");
        var spy = createTemporaryObject(spyComponent, testCase, { target: child("taskInProgressPage"),
                                                                  signalName: "requestCancelSignal" });
        mouseClick(button);
        mouseClick(button);
        compare(spy.count, 1);
        compare(button.text, "Cancelling...");
        apply("app:connectionAttemptFailed");
        waitForState("loginPageOpen");
        apply("login:2");
        apply("state:connectingPageOpen");
        compare(button.text, "Cancel");
        verify(button.enabled);
    }

    Component {
        id: spyComponent
        SignalSpy {}
    }

    function test_close_data() {
        return [
            { tag: "normal", kiosk: false, panel: false, closes: true },
            { tag: "kiosk mode", kiosk: true, panel: false, closes: false },
            { tag: "panel PC", kiosk: false, panel: true, closes: false },
        ];
    }

    function test_close(data) {
        start(false, data.kiosk, false);
        _application.isProDVX = data.panel;
        apply("state:loginPageOpen");
        win.close();
        wait(50);
        compare(win.visible, !data.closes);
    }

    function test_menus() {
        start(false, false, false);
        apply("state:loginPageOpen");
        var logout = child("logoutMenuItem");
        var remember = child("rememberDetailsMenuItem");
        var autoLogin = child("autoLoginMenuItem");
        verify(!logout.enabled);
        verify(remember.enabled);
        verify(autoLogin.enabled);
        _application.autoLogin = true;
        _application.autoLoginChanged();
        remember.toggle();
        remember.triggered();
        compare(_application.rememberLoginDetails, false);
        compare(_application.autoLogin, false);
        verify(!autoLogin.enabled);
        apply("demo");
        apply("app:loadDemoConfigSuccessful");
        waitForState("contentPageOpen");
        verify(logout.enabled);
        verify(!remember.enabled);
        logout.triggered();
        waitForState("loginPageOpen");
    }

    // Every menu opened on both pages shows the whole text of each of its items.
    function test_menuTextsWhole() {
        start(false, false, false);
        apply("state:loginPageOpen");
        var names = ["logoutMenuItem", "rememberDetailsMenuItem", "autoLoginMenuItem", "aboutMenuItem"];
        for (var round = 0; round < 2; ++round) {
            for (var i = 0; i < names.length; ++i) {
                var item = child(names[i]);
                var menu = item.menu;
                menu.open();
                tryCompare(menu, "opened", true);
                var label = findChild(item, "menuItemText");
                verify(label !== null);
                var right = label.mapToItem(menu.contentItem, label.contentWidth, 0).x;
                verify(right <= menu.contentItem.width, names[i] + ": text ends at " + right + " in a menu "
                       + menu.contentItem.width + " wide");
                verify(item.width <= menu.contentItem.width);
                menu.close();
                tryCompare(menu, "visible", false);
            }
            apply("demo");
            apply("app:loadDemoConfigSuccessful");
            waitForState("contentPageOpen");
        }
    }

    // "About" opens the about page over the login page and toggles it; its Close hides it, and it
    // opens again. It is made only when first asked for.
    function test_aboutPage() {
        start(false, false, false);
        apply("state:loginPageOpen");
        compare(findChild(win, "aboutPage"), null);
        var about = child("aboutMenuItem");
        for (var round = 0; round < 2; ++round) {
            about.triggered();
            var page = child("aboutPage");
            tryCompare(page, "visible", true);
            verify(page.parent.parent.visible, "round " + round + ": overlay hidden");
            mouseClick(findChild(page, "closeButton"));
            tryCompare(page, "visible", false);
        }
        about.triggered();
        tryCompare(child("aboutPage"), "visible", true);
        about.triggered();
        tryCompare(child("aboutPage"), "visible", false);
    }

    // The kiosk unlock password: set from the login page's check box, asked for by "Unlock" on the
    // content page; only Android uses the dialog, elsewhere nothing opens it.
    function test_kioskPassword_data() {
        return [
            { tag: "set", platform: "android", page: "login", typed: ["pw", "pw"], press: "okButton",
              kiosk: true, checked: true, calls: ["setUnlockPassword(pw)"] },
            { tag: "setting cancelled", platform: "android", page: "login", typed: ["pw", ""], press: "cancelButton",
              kiosk: false, checked: false, calls: [] },
            { tag: "unlocked", platform: "android", page: "content", kioskAtStart: true, typed: ["pw"], matches: true,
              press: "okButton", kiosk: false, checked: false, calls: ["checkUnlockPassword(pw)"] },
            { tag: "wrong password", platform: "android", page: "content", kioskAtStart: true, typed: ["no"],
              matches: false, press: "okButton", kiosk: true, checked: true, dialogStays: true, failShown: true,
              calls: ["checkUnlockPassword(no)"] },
            { tag: "unlock cancelled", platform: "android", page: "content", kioskAtStart: true, typed: ["pw"],
              press: "cancelButton", kiosk: true, checked: true, calls: [] },
            { tag: "desktop check box", platform: "linux", page: "login", noDialog: true, kiosk: false, calls: [] },
            { tag: "desktop unlock", platform: "linux", page: "content", kioskAtStart: true, noDialog: true,
              kiosk: true, calls: [] },
        ];
    }

    function test_kioskPassword(data) {
        start(false, data.kioskAtStart === true, true, data.platform);
        _application.unlockPasswordMatches = data.matches === true;
        apply("state:loginPageOpen");
        var dialog = child("unlockPasswordDialog");
        var menu = child("slideOutMenuRectangle");
        var box = menu.parent.kioskModeCheckBox;
        if (data.page === "login") {
            // What a click on the check box does.
            box.checked = !box.checked;
            box.clicked();
        } else {
            apply("demo");
            waitForState("contentPageOpen");
            menu.unlockClicked();
        }
        wait(20);
        if (data.noDialog) {
            verify(!dialog.visible, "dialog opened on " + data.platform);
            compare(_application.kioskMode, data.kiosk);
            return;
        }
        verify(dialog.visible);
        compare(dialog.settingPasswordValue, data.page === "login");
        _application.clear();
        var fields = ["firstField", "secondField"];
        for (var i = 0; i < data.typed.length; ++i)
            findChild(dialog, fields[i]).text = data.typed[i];
        mouseClick(findChild(dialog, data.press));
        wait(20);
        compare(dialog.visible, data.dialogStays === true);
        compare(_application.kioskMode, data.kiosk);
        compare(box.checked, data.checked);
        compare(Qt.colorEqual(findChild(dialog, "failText").color, "red"), data.failShown === true);
        compare(_application.calls.filter(function(c) { return c.indexOf("UnlockPassword") >= 0; }), data.calls);
        verify(child(data.page === "login" ? "loginPageOpen" : "contentPageOpen").active);
    }

    // The licence page before first use: only where the platform is not a desktop, until accepted;
    // accepting it stores the choice, unloads the page and points at the menu's edge.
    function test_licence_data() {
        return [
            { tag: "phone, not accepted", platform: "android", accepted: false, shown: true },
            { tag: "tablet, not accepted", platform: "ios", accepted: false, shown: true },
            { tag: "phone, accepted", platform: "android", accepted: true, shown: false },
            { tag: "desktop, not accepted", platform: "linux", accepted: false, shown: false },
            { tag: "other desktop, not accepted", platform: "windows", accepted: false, shown: false },
        ];
    }

    function test_licence(data) {
        start(false, false, false, data.platform);
        _application.eulaAccepted = data.accepted;
        apply("state:loginPageOpen");
        var loader = child("eulaLoader");
        compare(loader.active, data.shown);
        if (!data.shown)
            return;
        tryCompare(loader, "status", Loader.Ready);
        var accept = findChild(loader.item, "acceptButton");
        // The short agreement fits this window: it can be accepted at once.
        tryCompare(accept, "enabled", true);
        mouseClick(accept);
        compare(_application.eulaAccepted, true);
        compare(loader.active, false);
        compare(child("sliderPopUpMessage").state, "shown");
    }

    // Back on the login page with a stored password, the page offers it again, also when the
    // password field had the focus when the page was left (coming back is not the user focusing it).
    function test_storedPasswordOfferedAgain() {
        start(false, false, false);
        _application.passwordStored = true;
        _application.username = "ann";
        var page = child("loginPage");
        var field = findChild(page, "passwordField");
        for (var round = 0; round < 2; ++round) {
            apply("state:loginPageOpen");
            tryCompare(page, "visible", true);
            verify(page.usingStoredPassword, "round " + round + ": stored password not offered");
            compare(field.placeholderText, "\u2022\u2022\u2022\u2022\u2022\u2022");
            compare(page.username, "ann");
            // The user types a new one and connects; the connection fails.
            mouseClick(field);
            verify(!page.usingStoredPassword);
            keyClick("p");
            mouseClick(findChild(page, "connectButton"));
            apply("state:connectingPageOpen");
            apply("app:connectionAttemptFailed");
            apply("state:connectionAttemptFailedPageOpen");
            apply("failureOk");
        }
        apply("state:loginPageOpen");
        verify(page.usingStoredPassword);
    }

    // The first frame already shows the login page as the page machine shows it, before the
    // machine runs (it waits for the other pages, made after that frame); entering it changes
    // nothing shown. An automatic connection opens on its own page instead.
    function test_loginPageBeforeTheMachine_data() {
        return [
            { tag: "details remembered", remember: true, autoLogin: false, shown: true, username: "ann", stored: true },
            { tag: "details not remembered", remember: false, autoLogin: false, shown: true, username: "", stored: false },
            { tag: "automatic connection", remember: true, autoLogin: true, shown: false },
        ];
    }

    function test_loginPageBeforeTheMachine(data) {
        _application.reset(data.autoLogin, false, false);
        _application.rememberLoginDetails = data.remember;
        _application.username = "ann";
        _application.passwordStored = true;
        var component = Qt.createComponent("qrc:/main.qml");
        compare(component.status, Component.Ready, component.errorString());
        win = createTemporaryObject(component, testCase, { width: 800, height: 600 });
        verify(win !== null);
        var page = child("loginPage");
        compare(page.visible, data.shown);
        if (!data.shown) {
            waitForState("autoLoginCheck");
            verify(child("taskInProgressPage").visible);
            verify(!page.visible);
            return;
        }
        verify(!child("loginPageOpen").active);
        compare(findChild(win, "taskInProgressPage"), null);
        compare(page.username, data.username);
        compare(page.usingStoredPassword, data.stored);
        waitForState("loginPageOpen");
        verify(page.visible);
        compare(page.username, data.username);
        compare(page.usingStoredPassword, data.stored);
        verify(findChild(win, "taskInProgressPage") !== null);
    }

    // "About" chosen before the other pages are made makes them at once and shows the page.
    function test_aboutBeforeThePages() {
        start(false, false, false);
        compare(findChild(win, "taskInProgressPage"), null);
        child("aboutMenuItem").triggered();
        verify(findChild(win, "taskInProgressPage") !== null);
        tryCompare(child("aboutPage"), "visible", true);
        waitForState("loginPageOpen");
        verify(child("aboutPage").visible);
    }

    // The window tells the application once it is shown, so that the application finds it.
    function test_windowReadyWhenShown() {
        start(false, false, false);
        apply("state:loginPageOpen");
        compare(countCalls("applicationWindowReady()"), 1);
    }

    // A swipe from the left edge opens the slide-out menu on touch devices (on iOS not in kiosk
    // mode); a tap there still reaches the control below.
    function test_swipeFromTheLeftEdge_data() {
        return [
            { tag: "android", platform: "android", kiosk: false, opens: true },
            { tag: "android, kiosk", platform: "android", kiosk: true, opens: true },
            { tag: "ios", platform: "ios", kiosk: false, opens: true },
            { tag: "ios, kiosk", platform: "ios", kiosk: true, opens: false },
            { tag: "desktop", platform: "linux", kiosk: false, opens: false },
        ];
    }

    function test_swipeFromTheLeftEdge(data) {
        start(false, data.kiosk, false, data.platform);
        apply("state:loginPageOpen");
        var menu = child("slideOutMenuRectangle").parent;
        var strip = child("swipeStrip");
        verify(strip.width > 0 && strip.width < 20, "strip " + strip.width);
        // Nothing else of the window lies under the left edge at this height.
        var below = createTemporaryQmlObject(
            "import QtQuick 2.15; MouseArea { y: 200; width: 60; height: 60; property int clicks: 0; onClicked: ++clicks }",
            child("loginPage"));
        mouseClick(win.contentItem, 1, 230);
        compare(below.clicks, 1);
        verify(!menu.shown);

        var y = 230;
        mousePress(win.contentItem, 1, y);
        for (var x = 5; x <= 200; x += 5)
            mouseMove(win.contentItem, x, y);
        mouseRelease(win.contentItem, 200, y);
        if (data.opens)
            tryCompare(menu, "shown", true);
        else {
            wait(300);
            verify(!menu.shown);
        }
        compare(child("gestureTab").visible, false); // the platform takes no edge gestures
    }
}
