import QtQuick 2.15
import "qrc:/WidgetBase"
import "."

// A push button: its state's colour or image (off, on, or the alternative "paused" look), a caption,
// and the press gestures with an optional hold time before the press counts.
WidgetBase {
    id: button

    objectName: "zuNetButton"
    defaultWidthFraction: 0.1
    defaultHeightFraction: 0.1

    readonly property bool value: cppWidget ? cppWidget.value > 0 : false
    readonly property bool altValue: cppWidget ? cppWidget.altValue : false
    readonly property color onColour: cppWidget ? cppWidget.onColour : "transparent"
    readonly property color offColour: cppWidget ? cppWidget.offColour : "#D7D6D5"
    readonly property color altColour: cppWidget ? cppWidget.altColour : "#D7D6D5"
    readonly property string imageOffIdentifier: cppWidget ? cppWidget.imageOffIdentifier : "default_btn_off_0"
    readonly property string imageOnIdentifier: cppWidget ? cppWidget.imageOnIdentifier : "default_btn_on_0"
    readonly property string imageAltIdentifier: cppWidget ? cppWidget.imageAltIdentifier : "default_btn_on_0"
    readonly property real cornerRadius: cppWidget ? cppWidget.cornerRadius : 0.1
    readonly property int holdTime: cppWidget ? cppWidget.holdTime : 0
    readonly property string text: cppWidget ? cppWidget.text : ""
    readonly property string textFont: cppWidget ? cppWidget.textFont : "lato"
    readonly property color textColour: cppWidget ? cppWidget.textColour : "black"
    readonly property string fontFamily: WidgetFonts.family(textFont)

    // The state shown: the alternative look wins over on, on over off.
    readonly property color stateColour: altValue ? altColour : value ? onColour : offColour
    readonly property string stateImage: altValue ? imageAltIdentifier : value ? imageOnIdentifier : imageOffIdentifier
    readonly property bool stateImageSet: stateImage !== "_basic" && stateImage !== ""
    readonly property bool down: mouseArea.pressed && mouseArea.containsPress

    Rectangle {
        objectName: "buttonFace"
        x: button.contentX
        y: button.contentY
        width: button.contentWidth
        height: button.contentHeight
        radius: button.cornerRadius * width
        color: button.stateColour
        visible: !button.stateImageSet
    }

    // One image for the state shown: a toggle changes its id, and the image cache keeps the others.
    RecolourableImage {
        id: image

        objectName: "buttonImage"
        x: button.contentX
        y: button.contentY
        width: button.contentWidth
        height: button.contentHeight
        visible: button.stateImageSet
        imageIdentifier: button.stateImageSet ? button.stateImage : "_default"
        colour: button.stateColour
    }

    // Only the second family has an alternative image; the first has no such signal.
    Connections {
        target: button.cppWidget
        ignoreUnknownSignals: true
        function onOffImageChanged() { image.reload(); }
        function onOnImageChanged() { image.reload(); }
        function onAltImageChanged() { image.reload(); }
    }

    Rectangle {
        objectName: "pressedOverlay"
        x: button.contentX
        y: button.contentY
        width: button.contentWidth
        height: button.contentHeight
        radius: button.cornerRadius * width
        color: Qt.rgba(0, 0, 0, 0.2)
        visible: button.down
    }

    Text {
        objectName: "caption"
        readonly property real margin: 0.05 * Math.min(button.contentWidth, button.contentHeight)
        x: button.contentX + margin
        y: button.contentY + margin
        width: Math.max(0, button.contentWidth - 2 * margin)
        height: Math.max(0, button.contentHeight - 2 * margin)
        visible: button.text !== ""
        text: visible ? button.text : ""
        // A configuration's text is shown as written, never as rich text.
        textFormat: Text.PlainText
        color: button.textColour
        font.family: button.fontFamily
        font.pixelSize: TextFit.pixelSize(text, button.fontFamily,
                                          Math.max(1, 0.3 * Math.min(button.contentWidth, button.contentHeight)),
                                          width, height, wrapMode)
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }

    Timer {
        id: holdTimer

        interval: Math.max(1, button.holdTime)
        onTriggered: {
            if (!button.cppWidget)
                return;
            button.cppWidget.pressed();
            button.cppWidget.clicked();
        }
    }

    MouseArea {
        id: mouseArea

        objectName: "buttonMouseArea"
        x: button.contentX
        y: button.contentY
        width: button.contentWidth
        height: button.contentHeight
        enabled: button.runner && !(button.cppWidget && button.cppWidget.disabled)

        onPressed: {
            if (button.holdTime > 0)
                holdTimer.restart();
            else if (button.cppWidget)
                button.cppWidget.pressed();
        }
        // A press that leaves the button is no hold.
        onContainsPressChanged: {
            if (!containsPress)
                holdTimer.stop();
        }
        onReleased: function(mouse) {
            holdTimer.stop();
            if (!button.cppWidget)
                return;
            button.cppWidget.released();
            // A release outside the button is no click.
            var inside = mouse.x >= 0 && mouse.y >= 0 && mouse.x < width && mouse.y < height;
            if (inside && button.holdTime <= 0)
                button.cppWidget.clicked();
        }
        onCanceled: holdTimer.stop()
    }
}
