import QtQuick 2.15
import QtTest 1.15

// The about page in each of its builds and platforms: the product line, the sizes, and Close.
Item {
    id: root
    width: 800
    height: 600

    TestCase {
        id: testCase
        name: "AboutPage"
        when: windowShown

        property var page: null

        function open(properties, melvar) {
            _application.reset(false, false, false);
            _application.melvarBuild = melvar === true;
            var component = Qt.createComponent("qrc:/Common/AboutPage.qml");
            compare(component.status, Component.Ready, component.errorString());
            page = createTemporaryObject(component, root, properties);
            verify(page !== null);
            waitForRendering(page);
            return page;
        }

        function child(name) {
            var found = findChild(page, name);
            verify(found !== null, "no " + name);
            return found;
        }

        function test_page_data() {
            return [
                { tag: "runner on a desktop", editor: false, melvar: false, platform: "linux", h: 1600,
                  line: "Quendle App V1.3.1 - Rev. 76722", titleSize: 50, licenceSize: 24, gradient: true, button: [100, 33] },
                { tag: "second brand's runner", editor: false, melvar: true, platform: "osx", h: 400,
                  line: "Ostrel V1.3.1 - Rev. 76722", titleSize: 12.5, licenceSize: 6, gradient: true, button: [100, 33] },
                { tag: "runner on a phone", editor: false, melvar: false, platform: "android", h: 1600,
                  line: "Quendle App V1.3.1 - Rev. 76722", titleSize: 25, licenceSize: 12, gradient: true },
                { tag: "editor", editor: true, melvar: false, platform: "linux", h: 1600,
                  line: "Quendle Editor V1.3.1 - Rev. 76722", titleSize: 25, licenceSize: 12, gradient: false, button: [100, 33] },
                { tag: "second brand's editor", editor: true, melvar: true, platform: "windows", h: 400,
                  line: "Wendrel V1.3.1 - Rev. 76722", titleSize: 25, licenceSize: 12, gradient: false, button: [100, 33] },
            ];
        }

        function test_page(data) {
            open({ width: 800, height: data.h, editor: data.editor, platformName: data.platform }, data.melvar);
            compare(child("versionLine").text, data.line);
            compare(child("aboutTitle").text, "About");
            compare(child("aboutTitle").font.pointSize, data.titleSize);
            compare(child("licenceText").font.pointSize, data.licenceSize);
            // The fonts' notices, then the whole licence they are used under.
            var licence = child("licenceText").text;
            for (var part of ["Lato", "SIL OPEN FONT LICENSE Version 1.1", "PREAMBLE", "DEFINITIONS",
                              "PERMISSION &amp; CONDITIONS", "TERMINATION", "DISCLAIMER"])
                verify(licence.indexOf(part) >= 0, "licence without " + part);
            verify(licence.indexOf("Lato") < licence.indexOf("PREAMBLE"));
            compare(child("pageGradient").visible, data.gradient);
            compare(page.color, "#333333");
            var close = child("closeButton");
            if (data.button !== undefined) {
                compare(close.width, data.button[0]);
                compare(close.height, data.button[1]);
            } else {
                compare(close.width, close.height * 3);
            }
            // Centred at the bottom with half its height as margin.
            var at = close.mapToItem(page, 0, 0);
            compare(at.x + close.width / 2, page.width / 2);
            compare(at.y + close.height * 1.5, page.height);
        }

        function test_close() {
            open({ width: 800, height: 600, platformName: "linux" });
            verify(page.visible);
            mouseClick(child("closeButton"));
            verify(!page.visible);
        }

        // The licence is long: it scrolls inside its area, under a header that stays put.
        function test_licenceScrolls() {
            open({ width: 800, height: 600, platformName: "linux" });
            var flickable = child("licenceFlickable");
            verify(flickable.contentHeight > flickable.height * 2, "licence " + flickable.contentHeight + " in "
                   + flickable.height);
            var titleAt = child("aboutTitle").mapToItem(page, 0, 0).y;
            for (var i = 0; i < 200 && !flickable.atYEnd; ++i) {
                mouseWheel(flickable, flickable.width / 2, flickable.height / 2, 0, -120);
                tryCompare(flickable, "moving", false, 3000);
            }
            verify(flickable.atYEnd);
            compare(child("aboutTitle").mapToItem(page, 0, 0).y, titleAt);
        }
    }
}
