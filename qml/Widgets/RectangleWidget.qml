import QtQuick 2.15
import "qrc:/WidgetBase"

// A solid or gradient rectangle with rounded corners.
WidgetBase {
    id: rectangleWidget

    objectName: "rectangleWidget"
    defaultWidthFraction: 0.2
    defaultHeightFraction: 0.2

    readonly property color colour: cppWidget ? cppWidget.colour : "#000000"
    readonly property real cornerRadius: cppWidget ? cppWidget.cornerRadius : 0
    readonly property bool useGradient: cppWidget ? cppWidget.useGradient : false
    readonly property bool gradientTopToBottom: cppWidget ? cppWidget.gradientTopToBottom : true
    readonly property color gradientColourStart: cppWidget ? cppWidget.gradientColourStart : "#000000"
    readonly property color gradientColourEnd: cppWidget ? cppWidget.gradientColourEnd : "#000000"

    Gradient {
        id: fill

        orientation: rectangleWidget.gradientTopToBottom ? Gradient.Vertical : Gradient.Horizontal

        GradientStop {
            position: 0
            color: rectangleWidget.gradientColourStart
        }

        GradientStop {
            position: 1
            color: rectangleWidget.gradientColourEnd
        }
    }

    Rectangle {
        objectName: "rectangle"
        parent: rectangleWidget.contentPositioner
        anchors.fill: parent
        radius: rectangleWidget.cornerRadius * width
        color: rectangleWidget.colour
        gradient: rectangleWidget.useGradient ? fill : null
    }
}
