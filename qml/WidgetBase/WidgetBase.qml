import QtQuick 2.15

// Root item of every widget view: places the view from its widget's fractions of the parent, stacks it
// by the widget's z, letterboxes the drawing to the widget's pixel aspect and hatches a disabled widget.
Item {
    id: widgetBase

    objectName: "widgetBase"

    property var contentPositioner: contentItem
    property real defaultWidthFraction: 0.1
    property real defaultHeightFraction: 0.1
    property QtObject cppWidget: null
    property QtObject layout: null
    property string widgetType: cppWidget ? cppWidget.type : ""
    property bool editor: false
    property bool runner: true
    property Item editContent: null

    readonly property real parentWidth: parent ? parent.width : 0
    readonly property real parentHeight: parent ? parent.height : 0

    property rect baseBoundsRect: cppWidget
        ? Qt.rect(cppWidget.xFraction * parentWidth, cppWidget.yFraction * parentHeight,
                  cppWidget.widthFraction * parentWidth, cppWidget.heightFraction * parentHeight)
        : Qt.rect(defaultWidthFraction * parentWidth, defaultHeightFraction * parentHeight,
                  defaultWidthFraction * parentWidth, defaultHeightFraction * parentHeight)

    // -1 is free shape; otherwise height / width, centred inside the bounds.
    property rect derivedRect: {
        var w = baseBoundsRect.width;
        var h = baseBoundsRect.height;
        var a = cppWidget ? cppWidget.pixelAspect : -1;
        if (a === -1 || !(a > 0))
            return Qt.rect(0, 0, w, h);
        if (a * w > h) {
            var limitedWidth = h / a;
            return Qt.rect((w - limitedWidth) / 2, 0, limitedWidth, h);
        }
        var limitedHeight = w * a;
        return Qt.rect(0, (h - limitedHeight) / 2, w, limitedHeight);
    }

    x: baseBoundsRect.x
    y: baseBoundsRect.y
    width: baseBoundsRect.width
    height: baseBoundsRect.height
    z: cppWidget ? cppWidget.z : 0

    Item {
        id: contentItem

        objectName: "widgetContent"
        x: widgetBase.cppWidget ? widgetBase.derivedRect.x : 0
        y: widgetBase.cppWidget ? widgetBase.derivedRect.y : 0
        width: widgetBase.cppWidget ? widgetBase.derivedRect.width : widgetBase.width
        height: widgetBase.cppWidget ? widgetBase.derivedRect.height : widgetBase.height

        // Made only while it shows: most widgets are never disabled.
        Loader {
            objectName: "disabledCover"
            anchors.fill: parent
            z: 1
            active: widgetBase.cppWidget !== null && widgetBase.cppWidget.isVisible && widgetBase.cppWidget.disabled
            visible: active
            sourceComponent: Image {
                source: "qrc:/disabledWidget"
                sourceSize: Qt.size(75, 75)
                fillMode: Image.Tile
                opacity: 0.75

                MouseArea {
                    anchors.fill: parent
                    preventStealing: true
                }
            }
        }
    }
}
