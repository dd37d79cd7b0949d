pragma Singleton
import QtQuick 2.15
import ZUQml 1.0

// The family name of each font code, for every view: one font loader per font file, made on first
// use, instead of one per view.
QtObject {
    id: fonts

    // Font file -> its loader; the table holds 18 codes, so there are at most 18.
    property var loaders: ({})
    // Raised as a loader finishes, so that the names asked before are asked again.
    property int loaded: 0

    function family(code) {
        loaded;
        var source = QuendleFonts.fontSource(code);
        var loader = loaders[source];
        if (!loader) {
            loader = Qt.createComponent("WidgetFont.qml").createObject(fonts, { "code": code });
            loaders[source] = loader;
            if (loader.status === FontLoader.Loading)
                loader.statusChanged.connect(function () { ++fonts.loaded; });
        }
        return loader.name;
    }
}
