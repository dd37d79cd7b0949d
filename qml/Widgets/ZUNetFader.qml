import QtQuick 2.15
import "qrc:/WidgetBase"

// A fader: a knob dragged along a track, with a scale of dB marks beside it, upright or on its side.
// It writes only the widget's `value` (0 at the bottom or left, 1 at the top or right); the widget
// clamps it and turns it into the unit's gain. A drag moves the knob by the finger's travel from
// where it went down, never to the finger, and slower as the finger moves sideways off the track.
WidgetBase {
    id: fader

    objectName: "zuNetFader"
    defaultWidthFraction: 0.025
    defaultHeightFraction: 0.3

    readonly property real value: cppWidget ? cppWidget.value : 0
    readonly property string backgroundIdentifier: {
        var id = cppWidget ? cppWidget.imageBackgroundIdentifier : "_default";
        return id === "_default" ? "default_gen_fader_0" : id;
    }
    readonly property string knobIdentifier: {
        var id = cppWidget ? cppWidget.imageControlIdentifier : "_default";
        return id === "_default" ? "default_fader_control_0" : id;
    }
    readonly property bool showScale: cppWidget ? cppWidget.showFaderScale : false
    readonly property bool horizontal: cppWidget ? cppWidget.orientation === "horizontal" : false
    readonly property color textColour: cppWidget ? cppWidget.textColour : "black"
    readonly property color knobColour: cppWidget ? cppWidget.controlColour : "#04FFC5"
    readonly property color overlayColour: cppWidget ? cppWidget.overlayColour : "#66FFFF00"
    readonly property string caption: cppWidget ? cppWidget.text : ""
    readonly property string fontFamily: WidgetFonts.family(cppWidget ? cppWidget.textFont : "lato")

    // The track laid out upright: its long side is `length`, its short side `breadth`.
    readonly property real length: horizontal ? contentWidth : contentHeight
    readonly property real breadth: horizontal ? contentHeight : contentWidth
    readonly property real knobLength: 0.17 * length
    readonly property real travel: Math.max(0, length - knobLength)
    // The knob's top edge along the upright track.
    readonly property real knobOffset: travel * (1 - value)
    readonly property bool pressed: touchPoint.pressed

    Connections {
        target: fader.cppWidget
        ignoreUnknownSignals: true

        function onBackgroundImageChanged() {
            track.reload();
        }
        function onControlImageChanged() {
            knob.reload();
        }
    }

    // Upright, then turned a quarter about its top-left corner when horizontal: the same images serve.
    Item {
        id: upright

        x: fader.contentX + (fader.horizontal ? fader.contentWidth : 0)
        y: fader.contentY
        width: fader.breadth
        height: fader.length
        rotation: fader.horizontal ? 90 : 0
        transformOrigin: Item.TopLeft

        RecolourableImage {
            id: track

            objectName: "track"
            width: parent.width
            height: parent.height
            imageIdentifier: fader.backgroundIdentifier
            colour: "#D7D6D5"
        }

        Repeater {
            model: fader.showScale ? fader.cppWidget.faderScaleList : null

            delegate: Item {
                readonly property real centre: fader.travel * (1 - model.qtObject.ratio) + fader.knobLength / 2

                objectName: "scaleMark"
                width: upright.width
                height: 2
                y: centre - 1

                Rectangle {
                    anchors.fill: parent
                    color: fader.textColour
                }
                Text {
                    objectName: "scaleLabel"
                    // Right of the upright track, which is below it when turned.
                    x: upright.width
                    y: 1 - height / 2
                    // Upright to the reader in both orientations.
                    rotation: fader.horizontal ? -90 : 0
                    text: model.qtObject.label
                    color: fader.textColour
                    font.family: fader.fontFamily
                    font.pixelSize: Math.max(1, 0.03 * fader.length)
                }
            }
        }

        RecolourableImage {
            id: knob

            objectName: "knob"
            width: parent.width
            height: fader.knobLength
            // One transform per move instead of a new position and anchors.
            transform: Translate {
                y: fader.knobOffset
            }
            imageIdentifier: fader.knobIdentifier
            colour: fader.knobColour

            Rectangle {
                objectName: "pressedOverlay"
                anchors.fill: parent
                visible: fader.pressed
                color: fader.overlayColour
            }
        }

        MultiPointTouchArea {
            id: touchArea

            // Where the finger went down (or last moved along the track) and where the knob was then.
            property real startAlong: 0
            property real startAcross: 0
            property real startOffset: 0

            objectName: "touchArea"
            anchors.fill: parent
            maximumTouchPoints: 1
            touchPoints: [
                TouchPoint {
                    id: touchPoint
                }
            ]

            onPressed: {
                startAlong = touchPoint.y;
                startAcross = touchPoint.x;
                startOffset = fader.knobOffset;
            }
            onUpdated: {
                var along = touchPoint.y - startAlong;
                if (along === 0 || !fader.cppWidget || fader.travel <= 0)
                    return;
                var factor = Math.exp(-Math.abs(touchPoint.x - startAcross) / (2 * Math.max(1, fader.breadth)));
                startAlong = touchPoint.y;
                var offset = startOffset + along * factor;
                fader.cppWidget.value = 1 - offset / fader.travel;
                startOffset = fader.knobOffset;
            }
        }
    }

    Text {
        objectName: "caption"
        x: fader.contentX
        y: fader.contentY + fader.contentHeight + (fader.horizontal ? 0.0225 * fader.width : 0)
        width: fader.contentWidth
        horizontalAlignment: Text.AlignHCenter
        text: fader.caption
        visible: text !== ""
        color: fader.textColour
        font.family: fader.fontFamily
        font.pixelSize: Math.max(1, 0.7 * fader.breadth)
    }
}
