import QtQuick 2.15
import "qrc:/WidgetBase"

// A test view: fills its place with the colour named after the colon of its widget's type
// ("swatch:#d02010").
WidgetBase {
    id: swatch

    objectName: "swatch"

    Rectangle {
        x: swatch.contentX
        y: swatch.contentY
        width: swatch.contentWidth
        height: swatch.contentHeight
        color: swatch.widgetType.indexOf(":") > 0 ? swatch.widgetType.split(":")[1] : "grey"
    }
}
