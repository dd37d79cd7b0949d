import QtQuick 2.15
import QtTest 1.2
import "../support/Pixels.js" as Pixels

// Buttons drawn for real on a 400 x 300 page, each 100 x 150, checked at known pixels: dark in its off
// colour, lit in its on colour after a click, its caption inked in the middle, and the built-in images
// drawn in place of the face (the on image differs from the off image where it is drawn).
Rectangle {
    id: page

    width: 400
    height: 300
    color: "white"

    function views(document) {
        var widgets = _application.load("<Layout>" + document + "</Layout>");
        var items = [];
        for (var i = 0; i < widgets.length; ++i) {
            var component = Qt.createComponent(_application.viewUrl(widgets[i].type));
            if (component.status !== Component.Ready)
                throw new Error(component.errorString());
            items.push(testCase.createTemporaryObject(component, page, { cppWidget: widgets[i], runner: true }));
        }
        return items;
    }

    TestCase {
        id: testCase

        name: "ButtonsRender"
        when: windowShown

        function test_litDarkAndCaption() {
            var plain = ' offImageResourceId="_basic" onImageResourceId="_basic" radius="0"'
                + ' colour="#e02020" offColour="#2040c0" function="mute"';
            var items = page.views(
                '<Widget id="1" type="zunet_button" x="0" y="0" width="0.25" height="0.5"' + plain + '/>'
                + '<Widget id="2" type="zunet_button" x="0.25" y="0" width="0.25" height="0.5"' + plain + '/>'
                + '<Widget id="3" type="vsp_zunet_button" x="0.5" y="0" width="0.25" height="0.5"' + plain
                + ' text="MUTE" textColour="#000000"/>');
            compare(items.length, 3);
            mouseClick(items[1], 50, 75);
            var image;
            tryVerify(function() {
                image = grabImage(page);
                return Pixels.countOther(image, 210, 50, 80, 50, "#2040c0", 60) > 20;
            }, 5000, "caption drawn");
            Pixels.expect(this, image, 50, 75, "#2040c0", 3, "dark button");
            Pixels.expect(this, image, 150, 75, "#e02020", 3, "lit button");
            Pixels.expect(this, image, 205, 5, "#2040c0", 3, "captioned button's face");
            Pixels.expect(this, image, 350, 75, "white", 3, "beside the buttons");
            mouseClick(items[1], 50, 75);
            tryVerify(function() {
                image = grabImage(page);
                return Pixels.near(Pixels.at(image, 150, 75), "#2040c0", 3);
            }, 2000, "dark again");
        }

        function test_defaultImages() {
            var items = page.views('<Widget id="1" type="zunet_button" x="0" y="0" width="0.25" height="0.5"'
                                   + ' function="mute"/>');
            var image;
            tryVerify(function() {
                image = grabImage(page);
                return Pixels.countOther(image, 0, 0, 100, 150, "white", 30) > 1000;
            }, 5000, "off image drawn");
            var off = Pixels.at(image, 50, 75);
            mouseClick(items[0], 50, 75);
            tryVerify(function() {
                image = grabImage(page);
                return Pixels.distance(Pixels.at(image, 50, 75), off) > 30;
            }, 5000, "on image drawn in place of the off image");
        }
    }
}
