import QtQuick 2.15
import "qrc:/WidgetBase"
import "qrc:/WidgetBase/OnDemand.js" as OnDemand

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
    // Made only for a gradient widget: three objects fewer for every solid one.
    property Gradient fill: null

    onUseGradientChanged: fill = OnDemand.follow(fill, useGradient, "qrc:/Widgets/WidgetGradient.qml", rectangleWidget,
                                                 { "view": rectangleWidget })

    Rectangle {
        objectName: "rectangle"
        x: rectangleWidget.contentX
        y: rectangleWidget.contentY
        width: rectangleWidget.contentWidth
        height: rectangleWidget.contentHeight
        radius: rectangleWidget.cornerRadius * width
        color: rectangleWidget.colour
        gradient: rectangleWidget.fill
    }
}
