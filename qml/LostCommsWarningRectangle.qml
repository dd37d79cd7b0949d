import QtQuick 2.15

// A full-size overlay shown while the link to the units is about to be declared lost: it fades in
// when the connection interface reports a low time to live and out when that clears, and counts the
// remaining time down on a ring. It takes every click and scroll while shown.
Rectangle {
    id: lostCommsWarning

    property color progressColour: "#B3B3B3"

    function hide() {
        fade.stop();
        opacity = 0;
    }

    anchors.fill: parent
    color: Qt.rgba(0, 0, 0, 0.8)
    opacity: 0
    visible: opacity > 0 || fade.running

    NumberAnimation {
        id: fade
        target: lostCommsWarning
        property: "opacity"
        duration: 250
    }

    Connections {
        id: connectionWatch
        target: _application.currentConfig ? _application.currentConfig.connectionInterface : null
        function onLostCommsLowTTLChanged() {
            fade.stop();
            fade.to = connectionWatch.target.lostCommsLowTTL ? 1 : 0;
            fade.start();
        }
    }

    MouseArea {
        anchors.fill: parent
        hoverEnabled: true
        onWheel: wheel.accepted = true
    }

    AnimatedCircle {
        objectName: "countdownRing"
        anchors.centerIn: parent
        height: Math.min(lostCommsWarning.width, lostCommsWarning.height) / 2
        width: height
        duration: 24500
        strokeWidth: 0.025 * height
        strokeColor: lostCommsWarning.progressColour
        running: lostCommsWarning.visible
    }

    Text {
        objectName: "warningText"
        anchors.centerIn: parent
        horizontalAlignment: Text.AlignHCenter
        text: qsTr("Connection problem...\nPlease wait")
        font.pointSize: 16
        color: "white"
    }
}
