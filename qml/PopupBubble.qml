import QtQuick 2.15

// A rounded bubble with a pointer whose tip lies at (pointerX, pointerY); shown for five seconds.
Item {
    id: popupBubble

    property alias text: label.text
    property real pageWidth: 0
    property real pageHeight: 0
    property real pointerX: 0
    property real pointerY: 0
    property real pixelSize: 0.025 * Math.max(pageHeight, pageWidth)
    property real pointerSize: pixelSize
    property int pointerSide: 0
    property real pointerFraction: 0.5
    property real fadeVelocity: 6.0
    property color popupColour: "black"

    width: label.implicitWidth * 1.5
    height: label.implicitHeight * 2
    x: pointerSide === 0 ? pointerX - pointerSize - width
       : pointerSide === 1 ? pointerX + pointerSize
       : pointerX - width * pointerFraction
    y: pointerSide === 2 ? pointerY - pointerSize - height
       : pointerSide === 3 ? pointerY + pointerSize
       : pointerY - height * pointerFraction
    state: "hidden"
    states: [
        State {
            name: "shown"
            PropertyChanges { target: popupBubble; opacity: 0.8; scale: 1.0 }
        },
        State {
            name: "hidden"
            PropertyChanges { target: popupBubble; opacity: 0; scale: 0.1 }
        }
    ]
    transitions: Transition {
        SmoothedAnimation { property: "opacity"; velocity: popupBubble.fadeVelocity }
        SpringAnimation { property: "scale"; damping: 0.2; spring: 5.0; epsilon: 0.005 }
    }
    onStateChanged: if (state === "shown") hideTimer.restart()

    Timer {
        id: hideTimer
        interval: 5000
        onTriggered: popupBubble.state = "hidden"
    }

    Rectangle {
        anchors.fill: parent
        radius: popupBubble.pixelSize
        color: popupBubble.popupColour
    }

    // The pointer: the outer half of a square turned by 45 degrees. Only that half is drawn, as
    // the bubble and the pointer each fade by themselves: where they overlapped it would show darker.
    Item {
        readonly property bool sideways: popupBubble.pointerSide < 2
        x: popupBubble.pointerSide === 0 ? popupBubble.width : popupBubble.pointerSide === 1 ? -popupBubble.pointerSize : 0
        y: popupBubble.pointerSide === 2 ? popupBubble.height : popupBubble.pointerSide === 3 ? -popupBubble.pointerSize : 0
        width: sideways ? popupBubble.pointerSize : popupBubble.width
        height: sideways ? popupBubble.height : popupBubble.pointerSize
        clip: true

        Rectangle {
            width: popupBubble.pointerSize * Math.SQRT2
            height: width
            rotation: 45
            color: popupBubble.popupColour
            x: (popupBubble.pointerSide === 0 ? 0
                : popupBubble.pointerSide === 1 ? popupBubble.pointerSize
                : popupBubble.width * popupBubble.pointerFraction) - width / 2
            y: (popupBubble.pointerSide === 2 ? 0
                : popupBubble.pointerSide === 3 ? popupBubble.pointerSize
                : popupBubble.height * popupBubble.pointerFraction) - height / 2
        }
    }

    Text {
        id: label
        anchors.centerIn: parent
        font.pixelSize: popupBubble.pixelSize
        color: Qt.rgba(0.8, 0.79, 0.79, 1)
        horizontalAlignment: Text.AlignHCenter
    }

    MouseArea {
        anchors.fill: parent
        enabled: popupBubble.state === "shown"
        onPressed: popupBubble.state = "hidden"
    }
}
