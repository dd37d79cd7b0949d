import QtQuick 2.15
import QtQuick.Shapes 1.15

// A countdown ring: a full circle outline that empties clockwise over `duration` while `running`.
// The first half of the time takes the right half away from the top down, the second half the
// left half from the bottom up. Stopped, it is full again, ready for the next countdown.
Item {
    id: animatedCircle

    property real strokeWidth: 10
    property color strokeColor: "blue"
    property int duration: 10000
    property bool running: false
    // How much of the countdown has passed, 0 (full ring) to 1 (empty).
    property real progress: 0

    onRunningChanged: {
        if (!running)
            progress = 0;
    }

    NumberAnimation {
        id: countdown
        target: animatedCircle
        property: "progress"
        from: 0
        to: 1
        duration: animatedCircle.duration
        running: animatedCircle.running
    }

    Shape {
        anchors.fill: parent
        visible: animatedCircle.progress < 1

        ShapePath {
            strokeColor: animatedCircle.strokeColor
            strokeWidth: animatedCircle.strokeWidth
            fillColor: "transparent"
            capStyle: ShapePath.FlatCap

            PathAngleArc {
                centerX: animatedCircle.width / 2
                centerY: animatedCircle.height / 2
                radiusX: Math.max(0, (Math.min(animatedCircle.width, animatedCircle.height) - animatedCircle.strokeWidth) / 2)
                radiusY: radiusX
                // Angles run clockwise from three o'clock; the ring's open end moves clockwise from twelve.
                startAngle: -90 + 360 * animatedCircle.progress
                sweepAngle: 360 * (1 - animatedCircle.progress)
            }
        }
    }
}
