import QtQuick 2.15
import "qrc:/WidgetBase"
import "."
import "qrc:/WidgetBase/OnDemand.js" as OnDemand

// The device's clock: a digital time or an analogue face, each with the date unless it is hidden,
// or the date alone. The widget hands over Qt date and time formats; the clock is read here.
// One face item serves both faces, and the analogue hands are made only for an analogue clock.
WidgetBase {
    id: dateTimeWidget

    objectName: "dateTimeWidget"
    defaultWidthFraction: 0.2
    defaultHeightFraction: 0.1

    // Only what several items read is a property here: each costs every clock a binding.
    readonly property string timeFormat: cppWidget ? cppWidget.timeFormat : "hh:mm:ss"
    readonly property string dateFormat: cppWidget ? cppWidget.dateFormat : "dd.MM"
    readonly property color colour: cppWidget ? cppWidget.colour : "black"
    readonly property bool analogue: cppWidget ? cppWidget.faceFormat === "analogue" : false
    readonly property bool showTime: cppWidget ? cppWidget.faceFormat === "digital" : true
    readonly property bool showDate: dateFormat !== "hidden" && dateFormat !== ""
    readonly property bool showSecondHand: timeFormat === "hh:mm:ss"
    // The shared clock's time while the view shows; hidden, the view is tied to no tick, none of
    // its texts is worked out again and it holds the time the clocks started.
    readonly property date now: visible ? WidgetClock.now : WidgetClock.started
    // Counted once made, so the shared clock ticks only while there are clocks.
    property bool counted: false

    readonly property real side: Math.min(contentWidth, contentHeight)
    readonly property real borderWidth: !cppWidget || cppWidget.showBorder ? Math.max(1, 0.04 * side) : 0
    readonly property real margin: borderWidth + 0.05 * side
    readonly property string fontFamily: WidgetFonts.family(cppWidget ? cppWidget.font : "lato")
    property Item hands: null

    Component.onCompleted: {
        counted = true;
        WidgetClock.add();
    }
    Component.onDestruction: {
        if (counted)
            WidgetClock.remove();
    }
    onAnalogueChanged: hands = OnDemand.follow(hands, analogue, "qrc:/Widgets/AnalogueHands.qml", face,
                                               { "clock": dateTimeWidget })

    // The panel of the digital face, or the round analogue face of the area's shorter side, centred
    // in the drawing area.
    Rectangle {
        id: face

        // The texts lie inside the border with a margin, the time above the date.
        readonly property real innerWidth: width - 2 * dateTimeWidget.margin
        readonly property real innerHeight: height - 2 * dateTimeWidget.margin

        objectName: dateTimeWidget.analogue ? "analogueFace" : "digitalFace"
        width: dateTimeWidget.analogue ? dateTimeWidget.side : dateTimeWidget.contentWidth
        height: dateTimeWidget.analogue ? dateTimeWidget.side : dateTimeWidget.contentHeight
        x: dateTimeWidget.contentX + (dateTimeWidget.contentWidth - width) / 2
        y: dateTimeWidget.contentY + (dateTimeWidget.contentHeight - height) / 2
        radius: dateTimeWidget.analogue ? width / 2
            : (dateTimeWidget.cppWidget ? dateTimeWidget.cppWidget.cornerRadius : 0) * width
        color: dateTimeWidget.cppWidget ? dateTimeWidget.cppWidget.backgroundColour : "white"
        border.width: dateTimeWidget.borderWidth
        border.color: dateTimeWidget.cppWidget ? dateTimeWidget.cppWidget.borderColour : "black"

        Text {
            objectName: "timeText"
            x: dateTimeWidget.margin
            y: dateTimeWidget.margin
            width: face.innerWidth
            height: dateTimeWidget.showDate ? face.innerHeight * 0.6 : face.innerHeight
            visible: dateTimeWidget.showTime
            // Not shown, it holds no text: nothing to lay out at each tick.
            text: visible ? Qt.formatTime(dateTimeWidget.now, dateTimeWidget.timeFormat) : ""
            textFormat: Text.PlainText
            color: dateTimeWidget.colour
            font.family: dateTimeWidget.fontFamily
            // Shrunk to fit as `fontSizeMode: Text.Fit` would, the size found once for all clocks
            // with the same text, font and box.
            font.pixelSize: TextFit.pixelSize(text, dateTimeWidget.fontFamily, Math.max(1, height), width, height, wrapMode)
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }

        // Below the time on the digital face; below the centre on the analogue face.
        Text {
            objectName: dateTimeWidget.analogue ? "analogueDateText" : "dateText"
            x: dateTimeWidget.analogue ? (face.width - width) / 2 : dateTimeWidget.margin
            y: dateTimeWidget.analogue ? face.height * 0.62 : face.height - dateTimeWidget.margin - height
            width: dateTimeWidget.analogue ? face.width * 0.5 : face.innerWidth
            height: dateTimeWidget.analogue ? face.height * 0.12
                : dateTimeWidget.showTime ? face.innerHeight * 0.4 : face.innerHeight
            visible: dateTimeWidget.showDate
            text: visible ? Qt.formatDate(dateTimeWidget.now, dateTimeWidget.dateFormat) : ""
            // A typed date format may quote any text: shown as written, never as markup.
            textFormat: Text.PlainText
            color: dateTimeWidget.colour
            font.family: dateTimeWidget.fontFamily
            // Shrunk to fit as `fontSizeMode: Text.Fit` would, the size found once for all clocks
            // with the same text, font and box.
            font.pixelSize: TextFit.pixelSize(text, dateTimeWidget.fontFamily, Math.max(1, height), width, height, wrapMode)
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
    }
}
