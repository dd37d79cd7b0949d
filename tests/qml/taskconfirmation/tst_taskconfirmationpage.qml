import QtQuick 2.15
import QtTest 1.2
import "qrc:/"
import "../support/Pixels.js" as Pixels

Item {
    id: root

    width: 800
    height: 600

    Component {
        id: pageComponent

        TaskConfirmationPage {
            anchors.fill: parent
        }
    }

    Component {
        id: spyComponent

        SignalSpy {}
    }

    TestCase {
        name: "TaskConfirmationPage"
        when: windowShown

        function createPage() {
            var page = createTemporaryObject(pageComponent, root);
            verify(page);
            return page;
        }

        function spyOn(page, signalName) {
            return createTemporaryObject(spyComponent, root, { target: page, signalName: signalName });
        }

        // Drawn for real: the page's gradient from top to bottom, the texts in their grey and each
        // button's white border with its label inside.
        function test_drawn() {
            root.width = 800;
            root.height = 600;
            var page = createPage();
            page.headlineText = "Delete layout";
            page.confirmationReasonText = "The layout cannot be restored";
            waitForRendering(page);
            var image = grabImage(root);
            Pixels.expect(this, image, 5, 1, Qt.rgba(0, 0.02, 0.03, 1), 4, "top of the gradient");
            Pixels.expect(this, image, 5, 598, Qt.rgba(0.07, 0.13, 0.15, 1), 4, "bottom of the gradient");
            for (var name of ["headline", "reason"]) {
                var t = findChild(page, name);
                verify(Pixels.count(image, t.x, t.y, t.width, t.height, "#B3B3B3", 40) > 20, name + " drawn");
            }
            for (var b of ["okButton", "cancelButton"]) {
                var button = findChild(page, b);
                Pixels.expect(this, image, button.x, button.y + button.height / 2, "white", 40, b + " left border");
                Pixels.expect(this, image, button.x + button.width - 1, button.y + button.height / 2, "white", 40,
                              b + " right border");
                verify(Pixels.count(image, button.x + 2, button.y + 2, button.width - 4, button.height - 4, "white", 60)
                       > 10, b + " label drawn");
            }
        }

        function test_textsThroughAliases() {
            var page = createPage();
            page.headlineText = "Delete layout";
            page.confirmationReasonText = "The layout cannot be restored";
            compare(findChild(page, "headline").text, "Delete layout");
            compare(findChild(page, "reason").text, "The layout cannot be restored");
            compare(findChild(page, "headline").font.pointSize, 18);
            compare(findChild(page, "reason").font.pointSize, 16);
        }

        // Each button emits its own signal and nothing else; the other button's signal stays silent.
        function test_buttonEmitsItsSignal_data() {
            return [
                { tag: "Ok", button: "okButton", label: "Ok", ok: 1, cancel: 0 },
                { tag: "Cancel", button: "cancelButton", label: "Cancel", ok: 0, cancel: 1 },
            ];
        }

        function test_buttonEmitsItsSignal(data) {
            var page = createPage();
            var ok = spyOn(page, "okClicked");
            var cancel = spyOn(page, "cancelClicked");
            var button = findChild(page, data.button);
            compare(button.text, data.label);
            mouseClick(button);
            compare(ok.count, data.ok);
            compare(cancel.count, data.cancel);
        }

        // The buttons sit either side of the centre line with a gap of a tenth of the page's width,
        // under the reason, whatever the page's size.
        function test_placement_data() {
            return [
                { tag: "landscape", width: 800, height: 600 },
                { tag: "portrait", width: 480, height: 900 },
            ];
        }

        function test_placement(data) {
            root.width = data.width;
            root.height = data.height;
            var page = createPage();
            var ok = findChild(page, "okButton");
            var cancel = findChild(page, "cancelButton");
            var reason = findChild(page, "reason");
            var headline = findChild(page, "headline");
            fuzzyCompare(ok.x + ok.width, data.width / 2 - 0.05 * data.width, 0.5);
            fuzzyCompare(cancel.x, data.width / 2 + 0.05 * data.width, 0.5);
            for (var button of [ok, cancel]) {
                fuzzyCompare(button.height, 0.1 * data.height, 0.5);
                fuzzyCompare(button.width, 3 * button.height, 0.5);
                fuzzyCompare(button.y, reason.y + reason.height + 0.05 * data.height, 0.5);
            }
            fuzzyCompare(reason.y, headline.y + headline.height + 0.05 * data.height, 0.5);
            fuzzyCompare(headline.y + headline.height / 2, data.height / 2, 0.5);
            root.width = 800;
            root.height = 600;
        }

        // The page takes every click, so nothing beneath it reacts.
        function test_blocksInputBeneath() {
            var clicks = 0;
            var beneath = createTemporaryQmlObject("import QtQuick 2.15; MouseArea { anchors.fill: parent }", root);
            beneath.clicked.connect(function () { ++clicks; });
            var page = createPage();
            mouseClick(page, 10, 10);
            compare(clicks, 0);
            page.visible = false;
            mouseClick(root, 10, 10);
            compare(clicks, 1);
        }
    }
}
