import QtQuick 2.15
import QtQuick.Controls 2.15

// The vertical bar of the about and licence texts: its handle shows while the text moves and
// fades out over 500 ms when the page opens and each time a movement ends.
ScrollBar {
    id: bar

    // The flickable whose movements show the handle.
    property Flickable view: null
    property color handleColour: Qt.rgba(0.2, 0.27, 0.31, 0.5)
    property real handleOpacity: 0.75

    function fadeOut() {
        handleOpacity = 0.75;
        fade.restart();
    }

    policy: ScrollBar.AlwaysOn
    interactive: false
    background: null
    contentItem: Rectangle {
        objectName: "scrollHandle"
        implicitWidth: bar.width
        radius: width / 2
        color: bar.handleColour
        opacity: bar.handleOpacity
    }

    // A bar made hidden (a page waiting in the window) fades when it first shows.
    Component.onCompleted: if (visible) fadeOut()
    onVisibleChanged: if (visible) fadeOut()

    NumberAnimation {
        id: fade
        target: bar
        property: "handleOpacity"
        to: 0
        duration: 500
    }

    Connections {
        target: bar.view
        function onMovementStarted() {
            fade.stop();
            bar.handleOpacity = 0.75;
        }
        function onMovementEnded() {
            bar.fadeOut();
        }
    }
}
