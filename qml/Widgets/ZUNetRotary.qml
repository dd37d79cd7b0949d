import QtQuick 2.15
import "qrc:/WidgetBase"

// A rotary: a pointer over a background turned from -135 (value 0) to 135 degrees (value 1). A drag
// turns it one degree per pixel (right or up is clockwise) from where it was at the press, once the
// finger has left a 2-pixel dead zone; it writes only the widget's `value`.
WidgetBase {
    id: rotary

    objectName: "zuNetRotary"
    defaultWidthFraction: 0.1
    defaultHeightFraction: 0.1

    readonly property real minRotation: -135
    readonly property real maxRotation: 135
    readonly property real totalRotation: maxRotation - minRotation
    readonly property real value: cppWidget ? cppWidget.value : 0
    readonly property real angle: value * totalRotation + minRotation
    readonly property string backgroundIdentifier: {
        var id = cppWidget ? cppWidget.imageBackgroundIdentifier : "_default";
        return id === "_default" ? "default_gen_rotary_0" : id;
    }
    readonly property string pointerIdentifier: {
        var id = cppWidget ? cppWidget.imageControlIdentifier : "_default";
        return id === "_default" ? "default_rotary_pointer_0" : id;
    }
    readonly property color textColour: cppWidget ? cppWidget.textColour : "black"
    readonly property color knobColour: cppWidget ? cppWidget.controlColour : "#04FFC5"
    readonly property color overlayColour: cppWidget ? cppWidget.overlayColour : "#66FFFF00"
    readonly property string caption: cppWidget ? cppWidget.text : ""
    readonly property string fontFamily: WidgetFonts.family(cppWidget ? cppWidget.textFont : "lato")
    readonly property bool pressed: mouseArea.pressed
    // A square inside the content: the images keep their aspect.
    readonly property real side: Math.min(contentWidth, contentHeight)

    Connections {
        target: rotary.cppWidget
        ignoreUnknownSignals: true

        function onBackgroundImageChanged() {
            background.reload();
        }
        function onControlImageChanged() {
            pointer.reload();
        }
    }

    RecolourableImage {
        id: background

        objectName: "background"
        x: rotary.contentX + (rotary.contentWidth - rotary.side) / 2
        y: rotary.contentY + (rotary.contentHeight - rotary.side) / 2
        width: rotary.side
        height: rotary.side
        imageIdentifier: rotary.backgroundIdentifier
        colour: "#D7D6D5"
    }

    RecolourableImage {
        id: pointer

        objectName: "pointer"
        x: background.x
        y: background.y
        width: rotary.side
        height: rotary.side
        rotation: rotary.angle
        imageIdentifier: rotary.pointerIdentifier
        colour: rotary.knobColour

        Rectangle {
            objectName: "pressedOverlay"
            anchors.fill: parent
            radius: width / 2
            visible: rotary.pressed
            color: rotary.overlayColour
        }
    }

    MouseArea {
        id: mouseArea

        property real pressX: 0
        property real pressY: 0
        property real pressAngle: 0

        objectName: "mouseArea"
        x: rotary.contentX
        y: rotary.contentY
        width: rotary.contentWidth
        height: rotary.contentHeight
        acceptedButtons: Qt.LeftButton | Qt.RightButton

        onPressed: {
            pressX = mouse.x;
            pressY = mouse.y;
            pressAngle = rotary.angle;
        }
        onPositionChanged: {
            var dx = mouse.x - pressX;
            var dy = mouse.y - pressY;
            if (!rotary.cppWidget || (Math.abs(dx) <= 1 && Math.abs(dy) <= 1))
                return;
            var angle = Math.max(rotary.minRotation, Math.min(rotary.maxRotation, pressAngle + dx - dy));
            rotary.cppWidget.value = (angle - rotary.minRotation) / rotary.totalRotation;
        }
    }

    Text {
        objectName: "caption"
        x: rotary.contentX
        y: rotary.contentY + rotary.contentHeight
        width: rotary.contentWidth
        horizontalAlignment: Text.AlignHCenter
        text: rotary.caption
        visible: text !== ""
        color: rotary.textColour
        font.family: rotary.fontFamily
        font.pixelSize: Math.max(1, 0.2 * rotary.width)
    }
}
