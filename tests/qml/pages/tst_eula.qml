import QtQuick 2.15
import QtTest 1.15

// The licence page read as a user reads it: "Accept" only once the whole text has been seen, at
// once when the text fits without scrolling; "Decline" quits.
Item {
    id: root
    width: 800
    height: 600

    TestCase {
        id: testCase
        name: "EULA"
        when: windowShown

        property var page: null

        Component {
            id: spyComponent
            SignalSpy {}
        }

        function open(w, h, panel) {
            _application.reset(false, false, false);
            _application.isProDVX = panel === true;
            var component = Qt.createComponent("qrc:/EULA.qml");
            compare(component.status, Component.Ready, component.errorString());
            page = createTemporaryObject(component, root, { width: w, height: h });
            verify(page !== null);
            waitForRendering(page);
            return page;
        }

        function child(name) {
            var found = findChild(page, name);
            verify(found !== null, "no " + name);
            return found;
        }

        // Turns the mouse wheel over the text until the flickable comes to rest.
        function scroll(notches) {
            var flickable = child("eulaFlickable");
            for (var i = 0; i < Math.abs(notches); ++i)
                mouseWheel(flickable, flickable.width / 2, flickable.height / 2, 0, notches > 0 ? -120 : 120);
            tryCompare(flickable, "moving", false, 3000);
        }

        function scrollToEnd() {
            var flickable = child("eulaFlickable");
            for (var i = 0; i < 100 && !flickable.atYEnd; ++i)
                scroll(1);
            verify(flickable.atYEnd, "the text never reached its end");
        }

        function test_accept_data() {
            return [
                // A tall window, or a short text: nothing to scroll, so nothing could ever enable it.
                { tag: "text fits the window", w: 800, h: 600, scroll: "none", accept: true },
                { tag: "text fits a portrait window", w: 500, h: 600, scroll: "none", accept: true },
                { tag: "long text not read", w: 320, h: 300, scroll: "none", accept: false },
                { tag: "long text read half way", w: 320, h: 300, scroll: "some", accept: false },
                { tag: "long text read to the end", w: 320, h: 300, scroll: "end", accept: true },
                { tag: "read to the end and back up", w: 320, h: 300, scroll: "end and back", accept: true },
            ];
        }

        function test_accept(data) {
            open(data.w, data.h);
            var flickable = child("eulaFlickable");
            var fits = flickable.contentHeight <= flickable.height;
            compare(fits, data.scroll === "none" && data.accept, "text " + flickable.contentHeight + " in "
                    + flickable.height);
            if (data.scroll === "some") {
                scroll(1);
                verify(!flickable.atYEnd && flickable.contentY > 0, "not half way: " + flickable.contentY);
            } else if (data.scroll === "end") {
                scrollToEnd();
            } else if (data.scroll === "end and back") {
                scrollToEnd();
                scroll(-2);
            }
            var accept = child("acceptButton");
            compare(accept.enabled, data.accept);
            var acceptedSpy = createTemporaryObject(spyComponent, testCase, { target: page, signalName: "eulaAccepted" });
            mouseClick(accept);
            compare(acceptedSpy.count, data.accept ? 1 : 0);
            compare(_application.quitCount, 0);
        }

        function test_decline_data() {
            return [
                { tag: "runner", panel: false, declineShown: true, privacyShown: true },
                { tag: "panel PC", panel: true, declineShown: false, privacyShown: false },
            ];
        }

        function test_decline(data) {
            open(800, 600, data.panel);
            var decline = child("declineButton");
            compare(decline.visible, data.declineShown);
            compare(child("privacyLink").visible, data.privacyShown);
            compare(child("versionText").text, "V1.3.1");
            if (data.declineShown) {
                mouseClick(decline);
                compare(_application.quitCount, 1);
            }
        }
    }
}
