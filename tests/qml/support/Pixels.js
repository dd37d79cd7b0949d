.pragma library

// Reads a window grab (TestCase.grabImage(item)) at known places, for tests that check what was
// really drawn. Colours are compared per channel in 0..255 with a tolerance, since the rasteriser
// may round a channel by one or two.

// The pixel at (x, y) as { r, g, b, a } in 0..255.
function at(image, x, y) {
    x = Math.floor(x);
    y = Math.floor(y);
    if (x < 0 || y < 0 || x >= image.width || y >= image.height)
        throw new Error("pixel " + x + "," + y + " outside the " + image.width + "x" + image.height + " grab");
    return { r: image.red(x, y), g: image.green(x, y), b: image.blue(x, y), a: image.alpha(x, y) };
}

// A colour text or QML colour as { r, g, b, a } in 0..255.
function rgba(colour) {
    var c = Qt.tint(colour, "transparent");
    return { r: Math.round(c.r * 255), g: Math.round(c.g * 255), b: Math.round(c.b * 255), a: Math.round(c.a * 255) };
}

function text(p) {
    return "rgba(" + p.r + ", " + p.g + ", " + p.b + ", " + p.a + ")";
}

// Largest channel difference of red, green and blue.
function distance(p, q) {
    return Math.max(Math.abs(p.r - q.r), Math.abs(p.g - q.g), Math.abs(p.b - q.b));
}

function near(p, colour, tolerance) {
    return distance(p, rgba(colour)) <= (tolerance === undefined ? 3 : tolerance);
}

// Verifies through the test case that the pixel at (x, y) is the colour within the tolerance (so
// TestCase.expectFail applies to it).
function expect(testCase, image, x, y, colour, tolerance, what) {
    var p = at(image, x, y);
    testCase.verify(near(p, colour, tolerance), (what ? what + ": " : "") + "pixel " + Math.floor(x) + ","
                    + Math.floor(y) + " is " + text(p) + ", expected " + text(rgba(colour)));
}

// How many pixels of the rectangle (x, y, w, h) differ from the colour by more than the tolerance.
function countOther(image, x, y, w, h, colour, tolerance) {
    var c = rgba(colour);
    var limit = tolerance === undefined ? 24 : tolerance;
    var count = 0;
    for (var j = Math.floor(y); j < Math.floor(y + h); ++j)
        for (var i = Math.floor(x); i < Math.floor(x + w); ++i)
            if (distance(at(image, i, j), c) > limit)
                ++count;
    return count;
}

// How many pixels of the rectangle are the colour within the tolerance.
function count(image, x, y, w, h, colour, tolerance) {
    return Math.floor(w) * Math.floor(h) - countOther(image, x, y, w, h, colour, tolerance === undefined ? 24 : tolerance);
}

// Relative luminance of a pixel in 0..1, as the web's contrast guidelines define it.
function luminance(p) {
    function linear(channel) {
        var c = channel / 255;
        return c <= 0.03928 ? c / 12.92 : Math.pow((c + 0.055) / 1.055, 2.4);
    }
    return 0.2126 * linear(p.r) + 0.7152 * linear(p.g) + 0.0722 * linear(p.b);
}

// Contrast ratio of two pixels, 1 to 21; text wants at least 4.5.
function contrast(p, q) {
    var a = luminance(p);
    var b = luminance(q);
    return (Math.max(a, b) + 0.05) / (Math.min(a, b) + 0.05);
}

// A text drawn in the rectangle (x, y, w, h), every step-th pixel read: its background is the
// rectangle's most frequent colour, and its strokes are what stands out most from that.
// Returns { background, ratio }.
function textContrast(image, x, y, w, h, step) {
    var counts = {};
    var pixels = [];
    var background = null;
    var most = 0;
    for (var j = Math.floor(y); j < Math.floor(y + h); j += step) {
        for (var i = Math.floor(x); i < Math.floor(x + w); i += step) {
            var p = at(image, i, j);
            pixels.push(p);
            var key = p.r + "," + p.g + "," + p.b;
            counts[key] = (counts[key] || 0) + 1;
            if (counts[key] > most) {
                most = counts[key];
                background = p;
            }
        }
    }
    var ratio = 1;
    for (var k = 0; k < pixels.length; ++k)
        ratio = Math.max(ratio, contrast(pixels[k], background));
    return { background: background, ratio: ratio };
}
