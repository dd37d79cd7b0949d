import QtQuick 2.15
import QtQuick.Window 2.15
import QtTest 1.15
import "../support/Pixels.js" as Pixels

// Demo mode entered from the login page as a user does, the built-in layout read and drawn: the
// header strip, the tab bar with its chosen tab and the clock in their colours at their places.
TestCase {
    id: testCase
    name: "DemoRendering"
    when: windowShown

    property var win: null

    function child(name) {
        var found = findChild(win, name);
        verify(found !== null, "no " + name);
        return found;
    }

    function rootItem() {
        var item = win.contentItem;
        while (item.parent !== null)
            item = item.parent;
        return item;
    }

    // How many of every fourth pixel in both directions are the colour.
    function sampled(image, colour) {
        var count = 0;
        var c = Pixels.rgba(colour);
        for (var j = 0; j < image.height; j += 4)
            for (var i = 0; i < image.width; i += 4)
                if (Pixels.distance(Pixels.at(image, i, j), c) <= 6)
                    ++count;
        return count;
    }

    function test_demoLayout() {
        var component = Qt.createComponent("qrc:/main.qml");
        compare(component.status, Component.Ready, component.errorString());
        win = createTemporaryObject(component, testCase, { width: 1024, height: 700 });
        verify(win !== null);
        tryCompare(child("loginPageOpen"), "active", true, 5000);
        child("loginPage").loginDemoClicked();
        tryCompare(child("contentPageOpen"), "active", true, 10000);
        var page = child("contentPage");
        tryVerify(function() { return page.layoutCount > 0 && page.itemsCompletedIncubation > 0; }, 10000);

        // The page: 16:10, centred in the content page.
        var p = page.mapToItem(null, 0, 0);
        var pw = Math.min(page.width, page.height * 1.6);
        var ph = pw / 1.6;
        var x0 = p.x + (page.width - pw) / 2;
        var y0 = p.y + (page.height - ph) / 2;
        var places = [
            { what: "header strip", fx: 0.38, fy: 0.07, colour: "#1b2a30" },
            { what: "chosen tab", fx: 0.02, fy: 0.1, colour: "#6fb3d9" },
            { what: "other tab", fx: 0.3, fy: 0.1, colour: "#8fa3ab" },
            { what: "dark page", fx: 0.7, fy: 0.6, colour: "#0d171b" },
            { what: "clock's face", fx: 0.81, fy: 0.01, colour: "white" },
        ];
        function drawn(image) {
            for (var i = 0; i < places.length; ++i)
                if (!Pixels.near(Pixels.at(image, x0 + places[i].fx * pw, y0 + places[i].fy * ph), places[i].colour, 6))
                    return false;
            return true;
        }

        // Widgets come in as they are incubated: grab until all are there, then check each.
        var image = null;
        tryVerify(function() {
            image = grabImage(rootItem());
            return drawn(image);
        }, 10000, "demo layout not drawn");
        compare(image.width, 1024);
        compare(image.height, 700);
        for (var i = 0; i < places.length; ++i)
            Pixels.expect(testCase, image, x0 + places[i].fx * pw, y0 + places[i].fy * ph, places[i].colour, 6,
                          places[i].what);
        verify(sampled(image, "#6fb3d9") > 200, "chosen tab too small");
        verify(sampled(image, "#1b2a30") > 500, "header strip too small");

        // Every tab's label stands out from its tab enough to read.
        var tabs = page.dynamicallyCreatedLandscapeItems.filter(function(item) {
            return item.objectName === "tabContainer";
        });
        compare(tabs.length, 1);
        for (var t = 0; t < 3; ++t) {
            var button = findChild(tabs[0], "tabButton" + t);
            verify(button !== null, "no tab " + t);
            var caption = findChild(button, "tabCaption");
            verify(caption !== null && caption.text !== "", "no caption on tab " + t);
            var c = caption.mapToItem(null, (caption.width - caption.contentWidth) / 2,
                                      (caption.height - caption.contentHeight) / 2);
            var seen = Pixels.textContrast(image, c.x, c.y, caption.contentWidth, caption.contentHeight, 1);
            verify(seen.ratio >= 4.5, "tab " + caption.text + ": contrast " + seen.ratio.toFixed(2) + " on "
                   + Pixels.text(seen.background));
        }

        // The logo is drawn from its picture, not one flat colour.
        var logos = page.dynamicallyCreatedLandscapeItems.filter(function(item) {
            return item.objectName === "generalImage";
        });
        compare(logos.length, 1);
        var l = logos[0].mapToItem(null, 0, 0);
        verify(Pixels.textContrast(image, l.x, l.y, logos[0].width, logos[0].height, 1).ratio >= 4.5, "logo is flat");

        // Closing the window, as a user does, takes the content down with the views of the hidden
        // tabs still being created: none may outlive the engine.
        win.close();
        compare(page.dynamicallyCreatedLandscapeItems.length, 0);
        compare(page.dynamicallyCreatedPortraitItems.length, 0);
    }

    // The test unit's stored layout, read as a download fills the configuration: every text of the
    // page shown stands out from what lies under it enough to read.
    function test_testUnitLayout() {
        var component = Qt.createComponent("qrc:/main.qml");
        compare(component.status, Component.Ready, component.errorString());
        win = createTemporaryObject(component, testCase, { width: 1024, height: 700 });
        verify(win !== null);
        tryCompare(child("loginPageOpen"), "active", true, 5000);
        child("loginPage").loginDemoClicked();
        tryCompare(child("contentPageOpen"), "active", true, 10000);
        var page = child("contentPage");
        page.destroyContent();
        verify(_layoutFiles.read("Quendle/Runner/endtoend/console.xml"));
        page.createContent();
        var texts = [];
        tryVerify(function() {
            texts = page.dynamicallyCreatedLandscapeItems.filter(function(item) {
                return item.objectName === "textWidget" && item.visible && item.width > 0;
            });
            return texts.length > 0;
        }, 10000, "no text shown");
        var image = null;
        tryVerify(function() {
            image = grabImage(rootItem());
            var p = texts[0].mapToItem(null, 0, 0);
            return Pixels.textContrast(image, p.x, p.y, texts[0].width, texts[0].height, 2).ratio > 1;
        }, 10000, "texts not drawn");
        for (var i = 0; i < texts.length; ++i) {
            var p = texts[i].mapToItem(null, 0, 0);
            var seen = Pixels.textContrast(image, p.x, p.y, texts[i].width, texts[i].height, 1);
            verify(seen.ratio >= 4.5, texts[i].text + ": contrast " + seen.ratio.toFixed(2) + " on "
                   + Pixels.text(seen.background));
        }
        win.close();
    }
}
