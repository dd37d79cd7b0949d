import QtQuick 2.15
import QtQuick.Window 2.15

// Ends the run with a code that reports kiosk mode (1), the default font (2) and an empty
// configuration whose layouts QML can read (4).
Window {
    visible: true
    width: 100
    height: 100

    // Tells the test whether the network still ran when the QML went.
    Component.onDestruction: console.log("report.qml: root destroyed")

    // The network starts after the first frame: the run ends a turn of the timer after one.
    property bool framed: false
    onFrameSwapped: framed = true

    Timer {
        interval: 100
        running: true
        repeat: true
        onTriggered: {
            if (!framed)
                return;
            var font = Qt.application.font;
            var layouts = _application.currentConfig.layouts;
            Qt.exit(10 + (_application.kioskMode ? 1 : 0) + (font.family === "Lato" && font.pointSize === 8 ? 2 : 0)
                    + (layouts && layouts.count === 0 ? 4 : 0));
        }
    }
}
