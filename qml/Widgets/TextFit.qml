pragma Singleton
import QtQuick 2.15

// The pixel size at which a text fits its box, as a text of `fontSizeMode: Text.Fit` finds it, worked
// out once for every view that shows the same text in the same font and box: a page of clocks shows
// one time in hundreds of views, and each fitting lays the text out at a handful of sizes. A view's
// text then takes the size found and is laid out once, at that size.
QtObject {
    id: textFit

    // Key -> pixel size, in plain script objects: a view's size binding reads them without coming to
    // depend on them. Emptied when full, as texts come from configurations.
    property var state: ({ "sizes": {}, "count": 0 })
    readonly property int maxCount: 512

    // The fitting text: laid out in a signal handler, where what it reads ties no binding to it.
    property Text measure: Text {
        textFormat: Text.PlainText
        fontSizeMode: Text.Fit
        minimumPixelSize: 1
    }

    signal measureRequested(string key, string text, string family, int pixelSize, real width, real height,
                            int wrapMode)

    onMeasureRequested: {
        // Emptied first, each setting lays out nothing.
        measure.text = "";
        measure.font.family = family;
        measure.font.pixelSize = pixelSize;
        measure.width = width;
        measure.height = height;
        measure.wrapMode = wrapMode;
        measure.text = text;
        var size = measure.fontInfo.pixelSize;
        measure.text = "";
        if (state.count >= maxCount) {
            state.sizes = {};
            state.count = 0;
        }
        state.sizes[key] = size;
        ++state.count;
    }

    // The size `text` of `family` takes in a box of `width` x `height` when fitted down from
    // `pixelSize`, wrapped or not as `wrapMode` says.
    function pixelSize(text, family, pixelSize, width, height, wrapMode) {
        if (text === "" || !(width > 0) || !(height > 0))
            return pixelSize;
        var key = family + "\n" + pixelSize + "\n" + width + "\n" + height + "\n" + wrapMode + "\n" + text;
        var sizes = state.sizes;
        if (!Object.prototype.hasOwnProperty.call(sizes, key)) {
            measureRequested(key, text, family, pixelSize, width, height, wrapMode);
            sizes = state.sizes;
        }
        return sizes[key];
    }
}
