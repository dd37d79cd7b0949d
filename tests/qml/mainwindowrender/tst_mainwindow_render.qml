import QtQuick 2.15
import QtQuick.Window 2.15
import QtTest 1.15
import "../support/Pixels.js" as Pixels

// The whole window drawn for real: the login page and a failure page on their gradient, with the
// unit list, the button and the texts where the pages put them, so a page that does not draw fails.
TestCase {
    id: testCase
    name: "MainWindowRendering"
    when: windowShown

    property var win: null
    readonly property color topColour: Qt.rgba(0, 0.02, 0.03, 1)
    readonly property color textColour: Qt.rgba(0.8, 0.79, 0.79, 1)
    readonly property color bottomColour: Qt.rgba(0.07, 0.13, 0.15, 1)

    function start() {
        _application.reset(false, false, false);
        var component = Qt.createComponent("qrc:/main.qml");
        compare(component.status, Component.Ready, component.errorString());
        win = createTemporaryObject(component, testCase, { width: 800, height: 600 });
        verify(win !== null);
    }

    function child(name) {
        var found = findChild(win, name);
        verify(found !== null, "no " + name);
        return found;
    }

    function waitForState(name) {
        tryCompare(child(name), "active", true, 5000, name);
    }

    // The window's root item: a grab of it is the whole window.
    function rootItem() {
        var item = win.contentItem;
        while (item.parent !== null)
            item = item.parent;
        return item;
    }

    // Grabs the whole window once the page is shown and has been drawn; gives the page's rectangle
    // in the grab as well.
    function grabPage(page) {
        tryCompare(page, "visible", true, 5000);
        waitForRendering(win.contentItem, 5000);
        var image = grabImage(rootItem());
        compare(image.width, win.width);
        compare(image.height, win.height);
        return { image: image, page: rectOf(page) };
    }

    // The item's rectangle in the grab.
    function rectOf(item) {
        var p = item.mapToItem(null, 0, 0);
        return { x: Math.ceil(p.x), y: Math.ceil(p.y), w: Math.floor(item.width), h: Math.floor(item.height) };
    }

    // How many pixels of the rectangle have every channel at least `level`.
    function countBright(image, r, level) {
        var count = 0;
        for (var j = r.y; j < r.y + r.h; ++j)
            for (var i = r.x; i < r.x + r.w; ++i) {
                var p = Pixels.at(image, i, j);
                if (p.r >= level && p.g >= level && p.b >= level)
                    ++count;
            }
        return count;
    }

    function brightest(image, r) {
        var best = 0;
        for (var j = r.y; j < r.y + r.h; ++j)
            for (var i = r.x; i < r.x + r.w; ++i)
                best = Math.max(best, Pixels.at(image, i, j).r);
        return best;
    }

    function checkGradient(grab) {
        var image = grab.image;
        var r = grab.page;
        verify(r.y > 0 && r.h > 400, "page at " + r.y + ", " + r.h + " high");
        var w = r.x + r.w;
        var h = r.y + r.h;
        // The menu bar's items hang a few rows over the page's top left.
        Pixels.expect(testCase, image, r.x + 2, r.y + 40, topColour, 4, "top left");
        Pixels.expect(testCase, image, w - 3, r.y + 1, topColour, 4, "top right");
        Pixels.expect(testCase, image, w - 3, h - 2, bottomColour, 4, "bottom right");
        var middle = Qt.tint(topColour, Qt.rgba(bottomColour.r, bottomColour.g, bottomColour.b, 0.5));
        Pixels.expect(testCase, image, w - 3, r.y + r.h / 2, middle, 4, "right edge half way down");
    }

    function test_loginPage() {
        start();
        // Two units found: one the runner can use, one too old to pick.
        _application.foundUnitsManager.addUnit("Stage Rack", "10.0.0.5", 2, ["1", "8", "1"], "");
        _application.foundUnitsManager.addUnit("Old Rack", "10.0.0.6", 2, ["1", "8", "0"], "");
        waitForState("loginPageOpen");
        // The highlight glides to the selection (100 ms) once the page shows.
        tryCompare(child("unitHighlight"), "y", child("unitList").itemAtIndex(1).y, 2000);
        var grab = grabPage(child("loginPage"));
        checkGradient(grab);
        var image = grab.image;

        // The list lightens the gradient across its whole area.
        var picker = rectOf(child("unitPicker"));
        verify(picker.w > 100 && picker.h > 100, "unit list " + picker.w + "x" + picker.h);
        for (var y of [picker.y + 4, picker.y + picker.h / 2, picker.y + picker.h - 4]) {
            for (var x of [picker.x + 4, picker.x + picker.w / 2, picker.x + picker.w - 4]) {
                var inside = Pixels.at(image, x, y);
                var behind = Pixels.at(image, picker.x - 4, y);
                verify(inside.r > behind.r + 8 && inside.g > behind.g + 8 && inside.b > behind.b + 8,
                       "unit list at " + x + "," + y + " is " + Pixels.text(inside) + " over " + Pixels.text(behind));
            }
        }

        checkRows(image);

        // The button: a white border and a white label.
        var button = rectOf(child("connectButton"));
        verify(countBright(image, button, 200) > button.w + button.h, "connect button not drawn");
        var beside = { x: button.x + button.w + 4, y: button.y, w: button.w, h: button.h };
        compare(countBright(image, beside, 150), 0, "beside the connect button");
    }

    // The unit rows: eight to the list's height, names in the page's text colour, the unit too old
    // in grey, "Other..." (the start's selection) under the dark highlight, the rows below empty.
    function checkRows(image) {
        var list = child("unitList");
        var r = rectOf(list);
        var rowHeight = list.height / 8;
        function band(row, from, to) {
            return { x: r.x + Math.ceil(r.w * from), y: Math.ceil(r.y + row * rowHeight) + 1,
                     w: Math.floor(r.w * (to - from)), h: Math.floor(rowHeight) - 2 };
        }
        function countNear(b, colour) {
            return Pixels.count(image, b.x, b.y, b.w, b.h, colour, 8);
        }
        var names = [{ row: 0, colour: textColour, what: "Demo" }, { row: 1, colour: textColour, what: "Other..." },
                     { row: 2, colour: textColour, what: "Stage Rack" }, { row: 3, colour: "grey", what: "Old Rack" }];
        for (var n of names) {
            var name = band(n.row, 0.05, 0.6);
            verify(countNear(name, n.colour) > 15, n.what + " not drawn in " + n.colour + ", brightest "
                   + brightest(image, name));
            compare(countBright(image, name, 215), 0, n.what + " brighter than its colour");
        }
        verify(countNear(band(2, 0.6, 1), textColour) > 15, "no family and version beside Stage Rack");
        verify(countNear(band(3, 0.6, 1), "grey") > 15, "no family and version beside Old Rack");
        compare(countNear(band(3, 0.05, 1), textColour), 0, "Old Rack not greyed");
        for (var empty = 4; empty < 8; ++empty)
            compare(countBright(image, band(empty, 0, 1), 60), 0, "row " + empty + " not empty");

        // The highlight darkens the selected row where it has no text; the others keep the list's fill.
        var x = r.x + r.w * 0.58;
        var selected = Pixels.at(image, x, r.y + rowHeight * 1.5);
        for (var other of [0, 2]) {
            var p = Pixels.at(image, x, r.y + rowHeight * (other + 0.5));
            verify(selected.r + 6 < p.r && selected.g + 6 < p.g && selected.b + 6 < p.b,
                   "selected row " + Pixels.text(selected) + " not darker than row " + other + " " + Pixels.text(p));
        }
    }

    function test_failurePage() {
        start();
        waitForState("loginPageOpen");
        _application.primaryUnit.connectionFailureReason = "Unit not found";
        child("loginPage").loginClicked(3);
        waitForState("connectingPageOpen");
        _application.connectionAttemptFailed();
        waitForState("connectionAttemptFailedPageOpen");
        var failure = child("taskFailurePage");
        compare(failure.headlineText, "Connection attempt failed");
        var grab = grabPage(failure);
        checkGradient(grab);
        var image = grab.image;

        // Both texts in the colour the window gives the page; no glyph brighter than it.
        for (var name of ["headline", "reason"]) {
            var r = rectOf(child(name));
            verify(r.h > 10, name + " height " + r.h);
            verify(Pixels.count(image, r.x, r.y, r.w, r.h, textColour, 6) > 20,
                   name + " not drawn in its colour, brightest " + brightest(image, r));
            compare(countBright(image, r, 210), 0, name + " brighter than its colour");
        }
        var button = rectOf(child("okButton"));
        verify(countBright(image, button, 200) > button.w + button.h, "OK button not drawn");
    }

    // "About" from the menu draws the about page over the login page: its title, version line and
    // the licence text (laid out only once the page shows) in the page's text colour.
    function test_aboutPage() {
        start();
        waitForState("loginPageOpen");
        child("aboutMenuItem").triggered();
        var grab = grabPage(child("aboutPage"));
        var textGrey = Qt.rgba(0xB3 / 255, 0xB3 / 255, 0xB3 / 255, 1);
        for (var name of ["aboutTitle", "versionLine", "licenceText"]) {
            // The licence runs on below the window: only what shows is checked.
            var r = rectOf(child(name));
            r.w = Math.min(r.w, win.width - r.x);
            r.h = Math.min(r.h, win.height - r.y);
            verify(r.w > 10 && r.h > 10, name + " shows " + r.w + "x" + r.h);
            verify(Pixels.count(grab.image, r.x, r.y, r.w, r.h, textGrey, 8) > 20,
                   name + " not drawn in its colour, brightest " + brightest(grab.image, r));
        }
        // Its Close button, white.
        var close = rectOf(findChild(child("aboutPage"), "closeButton"));
        verify(countBright(grab.image, close, 200) > close.w + close.h, "close button not drawn");
    }

    // The quit PIN pad over the login page: a white dialog in the middle, the page around it seen
    // through a black shade of opacity 0.6.
    function test_pinPad() {
        start();
        waitForState("loginPageOpen");
        var before = grabPage(child("loginPage")).image;
        _application.showPinPad = true;
        var dialog = findChild(win, "pinDialog");
        verify(dialog !== null, "no PIN pad");
        waitForRendering(win.contentItem, 5000);
        var image = grabImage(rootItem());
        var d = rectOf(dialog);
        compare(d.w, 400);
        compare(d.h, 300);
        compare(d.x + d.w / 2, Math.ceil((win.width - 400) / 2) + 200);
        Pixels.expect(testCase, image, d.x + 300, d.y + 15, "white", 2, "dialog caption row");
        Pixels.expect(testCase, image, d.x + d.w / 2, d.y + 20, "white", 2, "dialog top");
        for (var p of [[20, 60], [win.width - 20, win.height / 2], [win.width / 2, win.height - 10]]) {
            var was = Pixels.at(before, p[0], p[1]);
            var now = Pixels.at(image, p[0], p[1]);
            verify(Math.abs(now.r - was.r * 0.4) <= 2 && Math.abs(now.g - was.g * 0.4) <= 2
                   && Math.abs(now.b - was.b * 0.4) <= 2,
                   "at " + p + " " + Pixels.text(now) + " is not 40 % of " + Pixels.text(was));
        }
        _application.showPinPad = false;
    }

    // The unlock dialog's failure lines are drawn red only when they apply; otherwise nothing of
    // them shows on the page.
    function test_unlockFailureLines_data() {
        return [
            { tag: "checking", setting: false, line: "failText", red: false },
            { tag: "checking, wrong password", setting: false, line: "failText", fail: true, red: true },
            { tag: "setting, fields alike", setting: true, line: "mismatchText", texts: ["pw", "pw"], red: false },
            { tag: "setting, fields differ", setting: true, line: "mismatchText", texts: ["pw", "px"], red: true },
        ];
    }

    function test_unlockFailureLines(data) {
        start();
        waitForState("loginPageOpen");
        var dialog = child("unlockPasswordDialog");
        dialog.settingPassword(data.setting);
        if (data.texts !== undefined) {
            findChild(dialog, "firstField").text = data.texts[0];
            findChild(dialog, "secondField").text = data.texts[1];
        }
        if (data.fail)
            dialog.showPasswordFail();
        var grab = grabPage(dialog);
        var line = child(data.line);
        verify(line.visible);
        var r = rectOf(line);
        var red = Pixels.count(grab.image, r.x, r.y, r.w, r.h, "red", 40);
        if (data.red)
            verify(red > 20, data.line + " not drawn red");
        else
            compare(red + countBright(grab.image, r, 60), 0, data.line + " drawn while it does not apply");
        dialog.visible = false;
    }
}
