import QtQuick 2.15

// Root item of every widget view: places the view from its widget's fractions of the parent, stacks it
// by the widget's z, letterboxes the drawing to the widget's pixel aspect and hatches a disabled widget.
// A view's drawing items are its own children placed at `contentRect`: no item between them and the
// root, as every item costs each of the thousands of views.
Item {
    id: widgetBase

    objectName: "widgetBase"

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

    // The drawing area in the view: -1 is free shape; otherwise height / width, centred inside
    // the bounds.
    readonly property rect contentRect: {
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

    // The hatched cover over the drawing, made only while it shows: most widgets are never disabled.
    readonly property bool coverShown: cppWidget !== null && cppWidget.isVisible && cppWidget.disabled
    property Item disabledCover: null

    x: baseBoundsRect.x
    y: baseBoundsRect.y
    width: baseBoundsRect.width
    height: baseBoundsRect.height
    z: cppWidget ? cppWidget.z : 0

    onCoverShownChanged: {
        if (coverShown && !disabledCover) {
            var component = Qt.createComponent("qrc:/WidgetBase/DisabledCover.qml");
            disabledCover = component.createObject(widgetBase, { "view": widgetBase });
        } else if (!coverShown && disabledCover) {
            disabledCover.destroy();
            disabledCover = null;
        }
    }
}
