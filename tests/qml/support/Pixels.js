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
