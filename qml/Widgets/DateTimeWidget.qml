import QtQuick 2.15
import "qrc:/WidgetBase"
import "."

// The device's clock: a digital time or an analogue face, each with the date unless it is hidden,
// or the date alone. The widget hands over Qt date and time formats; the clock is read here.
WidgetBase {
    id: dateTimeWidget

    objectName: "dateTimeWidget"
    defaultWidthFraction: 0.2
    defaultHeightFraction: 0.1

    readonly property string faceFormat: cppWidget ? cppWidget.faceFormat : "digital"
    readonly property string timeFormat: cppWidget ? cppWidget.timeFormat : "hh:mm:ss"
    readonly property string dateFormat: cppWidget ? cppWidget.dateFormat : "dd.MM"
    readonly property string textFont: cppWidget ? cppWidget.font : "lato"
    readonly property color colour: cppWidget ? cppWidget.colour : "black"
    readonly property color backgroundColour: cppWidget ? cppWidget.backgroundColour : "white"
    readonly property color borderColour: cppWidget ? cppWidget.borderColour : "black"
    readonly property bool showBorder: cppWidget ? cppWidget.showBorder : true
    readonly property real cornerRadius: cppWidget ? cppWidget.cornerRadius : 0
    readonly property bool analogue: faceFormat === "analogue"
    readonly property bool showTime: faceFormat === "digital"
    readonly property bool showDate: dateFormat !== "hidden" && dateFormat !== ""
    readonly property bool showSecondHand: timeFormat === "hh:mm:ss"
    // The shared clock's time while the view shows; hidden, the view is tied to no tick and none
    // of its texts is worked out again.
    readonly property date now: visible ? WidgetClock.now : hiddenTime
    readonly property date hiddenTime: new Date()
    // Counted once made, so the shared clock ticks only while there are clocks.
    property bool counted: false

    Component.onCompleted: {
        counted = true;
        WidgetClock.add();
    }
    Component.onDestruction: {
        if (counted)
            WidgetClock.remove();
    }

    WidgetFont {
        id: fontLoader

        code: dateTimeWidget.textFont
    }

    // Only the face shown is made, centred in the drawing area: it takes the face's size.
    Loader {
        id: face

        readonly property real areaWidth: dateTimeWidget.contentPositioner.width
        readonly property real areaHeight: dateTimeWidget.contentPositioner.height
        readonly property real side: Math.min(areaWidth, areaHeight)
        readonly property real borderWidth: dateTimeWidget.showBorder ? Math.max(1, 0.04 * side) : 0
        readonly property real margin: borderWidth + 0.05 * side

        parent: dateTimeWidget.contentPositioner
        anchors.centerIn: parent
        sourceComponent: dateTimeWidget.analogue ? analogueFaceComponent : digitalFaceComponent
    }

    Component {
        id: digitalFaceComponent

        Rectangle {
            id: panel

            objectName: "digitalFace"
            width: face.areaWidth
            height: face.areaHeight
            radius: dateTimeWidget.cornerRadius * width
            color: dateTimeWidget.backgroundColour
            border.width: face.borderWidth
            border.color: dateTimeWidget.borderColour

            // The texts lie inside the border with a margin, the time above the date.
            readonly property real innerWidth: width - 2 * face.margin
            readonly property real innerHeight: height - 2 * face.margin

            Text {
                objectName: "timeText"
                x: face.margin
                y: face.margin
                width: panel.innerWidth
                height: dateTimeWidget.showDate ? panel.innerHeight * 0.6 : panel.innerHeight
                visible: dateTimeWidget.showTime
                text: Qt.formatTime(dateTimeWidget.now, dateTimeWidget.timeFormat)
                textFormat: Text.PlainText
                color: dateTimeWidget.colour
                font.family: fontLoader.name
                font.pixelSize: Math.max(1, height)
                fontSizeMode: Text.Fit
                minimumPixelSize: 1
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }

            Text {
                objectName: "dateText"
                x: face.margin
                y: panel.height - face.margin - height
                width: panel.innerWidth
                height: dateTimeWidget.showTime ? panel.innerHeight * 0.4 : panel.innerHeight
                visible: dateTimeWidget.showDate
                text: Qt.formatDate(dateTimeWidget.now, dateTimeWidget.dateFormat)
                // A typed date format may quote any text: shown as written, never as markup.
                textFormat: Text.PlainText
                color: dateTimeWidget.colour
                font.family: fontLoader.name
                font.pixelSize: Math.max(1, height)
                fontSizeMode: Text.Fit
                minimumPixelSize: 1
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }
        }
    }

    Component {
        id: analogueFaceComponent

        Rectangle {
            id: analogueFace

            objectName: "analogueFace"
            width: face.side
            height: face.side
            radius: width / 2
            color: dateTimeWidget.backgroundColour
            border.width: face.borderWidth
            border.color: dateTimeWidget.borderColour

            Text {
                objectName: "analogueDateText"
                anchors.horizontalCenter: analogueFace.horizontalCenter
                y: analogueFace.height * 0.62
                width: analogueFace.width * 0.5
                height: analogueFace.height * 0.12
                visible: dateTimeWidget.showDate
                text: Qt.formatDate(dateTimeWidget.now, dateTimeWidget.dateFormat)
                // A typed date format may quote any text: shown as written, never as markup.
                textFormat: Text.PlainText
                color: dateTimeWidget.colour
                font.family: fontLoader.name
                font.pixelSize: Math.max(1, height)
                fontSizeMode: Text.Fit
                minimumPixelSize: 1
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
            }

            Canvas {
                id: hands

                objectName: "hands"
                anchors.fill: parent

                readonly property date time: dateTimeWidget.now

                // Nothing is painted for a view that does not show.
                function repaint() {
                    if (visible)
                        requestPaint();
                }

                onAvailableChanged: repaint()
                onTimeChanged: repaint()
                onWidthChanged: repaint()
                onHeightChanged: repaint()
                onVisibleChanged: repaint()

                // A stroke along the radius at the angle (clockwise from twelve), from one distance
                // from the centre to another.
                function stroke(ctx, angle, from, to, lineWidth) {
                    ctx.save();
                    ctx.rotate(angle);
                    ctx.lineWidth = lineWidth;
                    ctx.beginPath();
                    ctx.moveTo(0, -from);
                    ctx.lineTo(0, -to);
                    ctx.stroke();
                    ctx.restore();
                }

                onPaint: {
                    var ctx = getContext("2d");
                    ctx.reset();
                    var r = Math.min(width, height) / 2 - face.borderWidth;
                    if (r <= 0)
                        return;
                    ctx.translate(width / 2, height / 2);
                    ctx.strokeStyle = dateTimeWidget.colour;
                    ctx.lineCap = "round";
                    for (var i = 0; i < 12; ++i)
                        stroke(ctx, i * Math.PI / 6, 0.82 * r, 0.95 * r, r * (i % 3 === 0 ? 0.05 : 0.025));
                    var h = time.getHours() % 12, m = time.getMinutes(), s = time.getSeconds();
                    stroke(ctx, (h + m / 60) * Math.PI / 6, -0.05 * r, 0.5 * r, 0.07 * r);
                    stroke(ctx, (m + s / 60) * Math.PI / 30, -0.05 * r, 0.75 * r, 0.045 * r);
                    if (dateTimeWidget.showSecondHand)
                        stroke(ctx, s * Math.PI / 30, -0.1 * r, 0.85 * r, 0.02 * r);
                }
            }
        }
    }
}
