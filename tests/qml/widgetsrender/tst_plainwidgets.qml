import QtQuick 2.15
import QtQuick.Window 2.15
import QtTest 1.2
import "qrc:/WidgetBase"
import "../support/Pixels.js" as Pixels

// The plain widgets drawn for real, placed by their fractions on a 400 x 300 page:
//   rect (0, 0, 100, 150)      text (100, 0, 200, 75)        tinted image (300, 0, 100, 150)
//   date and time (0, 150, 200, 150)    plain image (200, 150, 100, 75)
// Each is checked at known pixels, so a view that draws nothing or draws elsewhere fails.
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

    // Pixels far enough from the page colour inside the rectangle: ink of a text or a clock.
    function ink(image, x, y, w, h, background) {
        return Pixels.countOther(image, x, y, w, h, background, 60);
    }

    Component {
        id: fakeWidget

        QtObject {
            property string type: "rect"
            property real xFraction: 0
            property real yFraction: 0
            property real widthFraction: 0.25
            property real heightFraction: 0.5
            property real z: 0
            property real pixelAspect: -1
            property bool isVisible: true
            property bool disabled: false
        }
    }

    Component {
        id: baseView

        WidgetBase {}
    }

    TestCase {
        id: testCase

        name: "PlainWidgets"
        when: windowShown

        function test_layout() {
            var items = page.views(
                '<Widget id="1" type="rect" x="0" y="0" width="0.25" height="0.5" colour="#2050a0"/>'
                + '<Widget id="2" type="text" x="0.25" y="0" width="0.5" height="0.25" text="Mix 12"'
                + ' textColour="#000000" backgroundColour="#ffe0a0" textAlignment="center"/>'
                + '<Widget id="3" type="image" x="0.75" y="0" width="0.25" height="0.5" resourceId="1"'
                + ' colour="#00c000"/>'
                + '<Widget id="4" type="datetime" x="0" y="0.5" width="0.5" height="0.5" colour="#000000"'
                + ' backgroundColour="#f0f0a0" borderColour="#c00000" dateFormat="dd.MM.yyyy"/>'
                + '<Widget id="5" type="image" x="0.5" y="0.5" width="0.25" height="0.25" resourceId="2"/>');
            compare(items.length, 5);
            var image;
            tryVerify(function() {
                image = grabImage(page);
                // Wait for both texts: the font loads, then the text is laid out.
                return page.ink(image, 110, 10, 180, 55, "#ffe0a0") > 50
                    && page.ink(image, 20, 170, 160, 110, "#f0f0a0") > 50;
            }, 5000, "text drawn in the text and clock widgets");

            // Rectangle: its colour inside, the page just beside it.
            Pixels.expect(this, image, 50, 75, "#2050a0", 3, "rectangle");
            Pixels.expect(this, image, 2, 148, "#2050a0", 3, "rectangle's corner");
            // Text: background at its corners, dark ink in the middle, nothing beyond it.
            Pixels.expect(this, image, 102, 2, "#ffe0a0", 3, "text background");
            Pixels.expect(this, image, 297, 72, "#ffe0a0", 3, "text background");
            Pixels.expect(this, image, 200, 100, "white", 3, "below the text");
            // Tinted image: its red half takes the widget colour, the grey half stays grey.
            Pixels.expect(this, image, 320, 75, "#00c000", 6, "recoloured half");
            Pixels.expect(this, image, 380, 75, "#808080", 6, "grey half");
            // Plain image: drawn as it is.
            Pixels.expect(this, image, 250, 190, "#1030e0", 6, "plain image");
            Pixels.expect(this, image, 250, 250, "white", 3, "below the plain image");
            // Clock: border, then background, and text inside.
            Pixels.expect(this, image, 2, 152, "#c00000", 3, "clock border");
            Pixels.expect(this, image, 197, 297, "#c00000", 3, "clock border");
            Pixels.expect(this, image, 10, 160, "#f0f0a0", 3, "clock background");
            Pixels.expect(this, image, 205, 290, "white", 3, "beside the clock");
        }

        function test_textAlignment_data() {
            return [
                { tag: "left", code: "left", inkLeft: true, inkRight: false },
                { tag: "right", code: "right", inkLeft: false, inkRight: true },
                { tag: "center", code: "center", inkLeft: false, inkRight: false }
            ];
        }

        // A short text in a wide widget: its ink lies in the third the alignment puts it in.
        function test_textAlignment(data) {
            page.views('<Widget id="1" type="text" x="0" y="0" width="0.75" height="0.2" text="IIII"'
                       + ' textColour="#000000" textAlignment="' + data.code + '" radius="0"/>');
            var image;
            tryVerify(function() {
                image = grabImage(page);
                return page.ink(image, 0, 0, 300, 60, "white") > 30;
            }, 5000, "text drawn");
            compare(page.ink(image, 0, 0, 100, 60, "white") > 0, data.inkLeft, "ink in the left third");
            compare(page.ink(image, 200, 0, 100, 60, "white") > 0, data.inkRight, "ink in the right third");
            compare(page.ink(image, 100, 0, 100, 60, "white") > 0, data.code === "center", "ink in the middle third");
        }

        function test_rectangleGradient_data() {
            return [
                { tag: "top to bottom", mode: "t-b", first: [50, 3], last: [50, 96] },
                { tag: "left to right", mode: "l-r", first: [3, 50], last: [96, 50] }
            ];
        }

        function test_rectangleGradient(data) {
            page.views('<Widget id="1" type="rect" x="0" y="0" width="0.25" height="0.3333334" colourMode="gradient"'
                       + ' gradientMode="' + data.mode + '" gradientStartColour="#ff0000"'
                       + ' gradientEndColour="#0000ff" colour="#00ff00"/>');
            var image = grabImage(page);
            Pixels.expect(this, image, data.first[0], data.first[1], "#f80007", 12, "start");
            Pixels.expect(this, image, data.last[0], data.last[1], "#0700f8", 12, "end");
            Pixels.expect(this, image, 50, 50, "#800080", 12, "middle");
        }

        function test_hiddenDateDrawsNoDate() {
            page.views('<Widget id="1" type="datetime" x="0" y="0" width="0.5" height="0.5" faceFormat="date"'
                       + ' dateFormat="hidden" showBorder="no" backgroundColour="#a0f0a0"/>');
            wait(300);
            var image = grabImage(page);
            compare(page.ink(image, 0, 0, 200, 150, "#a0f0a0"), 0);
        }

        function test_analogueFace() {
            page.views('<Widget id="1" type="datetime" x="0" y="0" width="0.5" height="0.5" faceFormat="analogue"'
                       + ' dateFormat="hidden" colour="#000000" backgroundColour="#a0c0f0" borderColour="#c00000"/>');
            var image;
            // A round face of 150 px centred in 200 x 150: the corners stay the page's.
            tryVerify(function() {
                image = grabImage(page);
                // Inside the face's inner square only, clear of the border.
                return page.ink(image, 55, 30, 90, 90, "#a0c0f0") > 100;
            }, 5000, "hands and marks drawn");
            Pixels.expect(this, image, 27, 3, "white", 3, "outside the round face");
            Pixels.expect(this, image, 100, 3, "#c00000", 3, "border at twelve");
            // The hands follow the time of day and may cross any one pixel: most of the face is its colour.
            verify(Pixels.count(image, 55, 30, 90, 90, "#a0c0f0", 3) > 90 * 90 / 2, "face filled with its colour");
        }

        function test_disabledCover_data() {
            return [
                { tag: "enabled", disabled: false },
                { tag: "disabled", disabled: true }
            ];
        }

        // A disabled widget is hatched grey over the page, up to its edges and no further.
        function test_disabledCover(data) {
            var widget = createTemporaryObject(fakeWidget, page, { disabled: data.disabled });
            createTemporaryObject(baseView, page, { cppWidget: widget });
            var image = grabImage(page);
            var grey = Pixels.count(image, 0, 0, 100, 150, "#b4b4b4", 12);
            if (data.disabled)
                verify(grey > 100 * 150 * 0.9, "hatched: " + grey);
            else
                compare(Pixels.count(image, 0, 0, 100, 150, "white", 3), 100 * 150);
            Pixels.expect(this, image, 102, 75, "white", 3, "beside the widget");
            Pixels.expect(this, image, 50, 152, "white", 3, "below the widget");
        }

        function test_imageAskedAgain() {
            var view = page.views('<Widget id="1" type="image" x="0" y="0" width="0.5" height="0.5"'
                                  + ' resourceId="2"/>')[0];
            var image = findChild(view, "image");
            // A URL's host reads back in lower case.
            compare(image.source.toString(), "image://imageprovider/2");
            // Small at first, then at the item's size.
            compare(image.sourceSize, Qt.size(100, 100));
            // The delay is random below a second; a loaded machine may run the timer late.
            tryCompare(image, "sourceSize", Qt.size(200, 150), 10000);

            _application.changeResource("1");
            compare(image.source.toString(), "image://imageprovider/2");
            _application.changeResource("2");
            compare(image.source.toString(), "image://imageprovider/2:");
            _application.changeResource("2");
            compare(image.source.toString(), "image://imageprovider/2::");
            // The provider ignores the postfix: the same image is drawn.
            Pixels.expect(this, grabImage(page), 100, 75, "#1030e0", 6, "image asked again");
        }

        // Markup in a configuration's text is shown as written: an <img> of a local file (or of an
        // address) is never loaded.
        function test_textIsNeverMarkup() {
            var picture = Qt.resolvedUrl("magenta.png");
            page.views('<Widget id="1" type="text" x="0" y="0" width="0.5" height="0.25" textColour="#000000"'
                       + ' text="&lt;img src=&quot;' + picture + '&quot; width=&quot;200&quot; height=&quot;75&quot;&gt;"/>');
            var image;
            tryVerify(function() {
                image = grabImage(page);
                return page.ink(image, 0, 0, 200, 75, "white") > 30;
            }, 5000, "text drawn");
            wait(300); // time for a picture to arrive
            image = grabImage(page);
            compare(Pixels.count(image, 0, 0, 200, 75, "#ff00ff", 40), 0, "no picture in the text");
        }

        // An image widget twice as wide and high as the page (and the window) renders no larger than the
        // window shows.
        function test_imageNoLargerThanTheWindow() {
            var view = page.views('<Widget id="1" type="image" x="0" y="0" width="2" height="2" resourceId="1"/>')[0];
            var image = findChild(view, "image");
            tryVerify(function() { return image.width === 800 && image.height === 600; });
            tryCompare(image, "sourceSize", Qt.size(page.Window.width, page.Window.height), 10000);
            verify(page.Window.width < image.width);
        }

        function test_imageOpacity() {
            page.views('<Widget id="1" type="image" x="0" y="0" width="0.25" height="0.25" resourceId="2"'
                       + ' opacity="50"/>');
            var image = grabImage(page);
            // Half of the blue over the white page.
            Pixels.expect(this, image, 50, 37, "#8898f0", 6, "half opaque");
        }

        // The widgets' folder names its shared pieces, so the views still to come draw with them: an image
        // tinted where the configuration says so, and the font of a font code.
        function test_sharedPieces() {
            var image = createTemporaryQmlObject('import "qrc:/Widgets"; RecolourableImage { width: 100; height: 100;'
                                                 + ' imageIdentifier: "1"; colour: "#00c000" }', page);
            var font = createTemporaryQmlObject('import "qrc:/Widgets"; WidgetFont { code: "lato" }', page);
            tryCompare(font, "name", "Lato");
            verify(image.recolourable);
            var grabbed = grabImage(page);
            Pixels.expect(this, grabbed, 25, 50, "#00c000", 6, "recoloured half");
            Pixels.expect(this, grabbed, 75, 50, "#808080", 6, "grey half");
        }
    }
}
