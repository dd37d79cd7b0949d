import QtQuick 2.15
import ZUQml 1.0

// The font of a widget's font code ("lato" for a view without a widget), loaded from the resources;
// texts take its `name` as their family.
FontLoader {
    property string code: "lato"

    source: QuendleFonts.fontSource(code)
}
