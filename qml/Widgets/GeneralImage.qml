import QtQuick 2.15
import "qrc:/WidgetBase"

// An image of the configuration, tinted with the widget's colour when the configuration calls it
// recolourable.
WidgetBase {
    id: generalImage

    objectName: "generalImage"
    defaultWidthFraction: 0.2
    defaultHeightFraction: 0.2

    readonly property string imageIdentifier: cppWidget ? cppWidget.imageIdentifier : "_default"
    readonly property color colour: cppWidget ? cppWidget.colour : "#D7D6D5"
    readonly property real imageOpacity: cppWidget ? cppWidget.opacity : 1

    Connections {
        target: generalImage.cppWidget
        ignoreUnknownSignals: true

        function onImageChanged() {
            image.reload();
        }
    }

    RecolourableImage {
        id: image

        x: generalImage.contentX
        y: generalImage.contentY
        width: generalImage.contentWidth
        height: generalImage.contentHeight
        opacity: generalImage.imageOpacity
        imageIdentifier: generalImage.imageIdentifier
        colour: generalImage.colour
    }
}
