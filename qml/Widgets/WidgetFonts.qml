pragma Singleton
import QtQuick 2.15
import ZUQml 1.0

// The family name of each font code, for every view: one font loader per font file, made on first
// use, instead of one per view.
QtObject {
    id: fonts

    // Font code -> its loader; the table holds 18 codes, so there are at most 18.
    property var loaders: ({})
    // Raised as a loader finishes, so that the names asked before are asked again.
    property int loaded: 0

    function family(code) {
        loaded;
        // Codes come from configurations: looked up as own keys only, and kept only when they are
        // codes of the table (any other takes the default font's loader).
        var known = Object.prototype.hasOwnProperty.call(loaders, code);
        var key = known ? code : QuendleFonts.fontSource(code).slice("qrc:/".length);
        var loader = loaders[key];
        if (!loader) {
            loader = Qt.createComponent("WidgetFont.qml").createObject(fonts, { "code": key });
            loaders[key] = loader;
            if (loader.status === FontLoader.Loading)
                loader.statusChanged.connect(function () { ++fonts.loaded; });
        }
        return loader.name;
    }
}
