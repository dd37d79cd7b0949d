import QtQuick 2.15
import "qrc:/WidgetBase"

// The view of a widget whose type this program does not know: a black rounded square with a red "?".
WidgetBase {
    id: unknownWidget

    objectName: "unknownWidget"

    Rectangle {
        objectName: "unknownBackground"
        x: unknownWidget.contentX
        y: unknownWidget.contentY
        width: unknownWidget.contentWidth
        height: unknownWidget.contentHeight
        color: "black"
        radius: 0.1 * width

        Text {
            objectName: "unknownMark"
            anchors.centerIn: parent
            text: "?"
            color: "red"
            font.pixelSize: Math.max(1, Math.min(0.3 * parent.width, 0.3 * parent.height))
        }
    }
}
