import QtQuick 2.15
import "qrc:/WidgetBase"
import "."

// A static text over its background, shrunk to fit the widget.
WidgetBase {
    id: textWidget

    objectName: "textWidget"
    defaultWidthFraction: 0.2
    defaultHeightFraction: 0.1

    readonly property string text: cppWidget ? cppWidget.text : "Text..."
    readonly property color textColour: cppWidget ? cppWidget.textColour : "#000000"
    readonly property color backgroundColour: cppWidget ? cppWidget.backgroundColour : "transparent"
    readonly property real cornerRadius: cppWidget ? cppWidget.cornerRadius : 0
    readonly property int textAlignment: cppWidget ? cppWidget.textAlignment : Text.AlignLeft
    readonly property string textFont: cppWidget ? cppWidget.textFont : "lato"
    readonly property string fontFamily: WidgetFonts.family(textFont)

    Rectangle {
        id: background

        objectName: "textBackground"
        x: textWidget.contentX
        y: textWidget.contentY
        width: textWidget.contentWidth
        height: textWidget.contentHeight
        radius: textWidget.cornerRadius * width
        color: textWidget.backgroundColour

        // Sized by bindings, not anchors: it then has its size and font when it is completed and is
        // laid out once, not again as anchors reach it.
        Text {
            objectName: "text"
            width: background.width
            height: background.height
            // Hidden (on a tab not shown), it holds no text: laid out when it shows, not while the
            // page is made.
            text: visible ? textWidget.text : ""
            // A configuration's text is shown as written: read as rich text, an <img> would make
            // the runner fetch an address or open a file.
            textFormat: Text.PlainText
            color: textWidget.textColour
            font.family: textWidget.fontFamily
            // Shrunk to fit as `fontSizeMode: Text.Fit` would, the size found once for all views
            // with the same text, font and box.
            font.pixelSize: TextFit.pixelSize(text, textWidget.fontFamily, Math.max(1, height), width, height, wrapMode)
            wrapMode: Text.Wrap
            horizontalAlignment: textWidget.textAlignment
            verticalAlignment: Text.AlignVCenter
        }
    }
}
