import QtQuick 2.15
import "OnDemand.js" as OnDemand

// Root item of every widget view: places the view from its widget's fractions of the parent, stacks it
// by the widget's z, letterboxes the drawing to the widget's pixel aspect and hatches a disabled widget.
// A view's drawing items are its own children placed at `contentX`, `contentY`, `contentWidth` and
// `contentHeight`: no item between them and the root, as every item costs each of the thousands of views.
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

    // Plain numbers rather than rectangles: each read of a rectangle property makes a script object,
    // and these are read by every item of thousands of views.
    readonly property real widthFraction: cppWidget ? cppWidget.widthFraction : defaultWidthFraction
    readonly property real heightFraction: cppWidget ? cppWidget.heightFraction : defaultHeightFraction
    readonly property real pixelAspect: cppWidget ? cppWidget.pixelAspect : -1

    // The drawing area in the view: free shape for an aspect of -1 (or any not positive);
    // otherwise height / width, centred inside the bounds.
    readonly property real contentWidth: pixelAspect > 0 ? Math.min(width, height / pixelAspect) : width
    readonly property real contentHeight: pixelAspect > 0 ? Math.min(height, width * pixelAspect) : height
    readonly property real contentX: (width - contentWidth) / 2
    readonly property real contentY: (height - contentHeight) / 2

    // The hatched cover over the drawing, made only while it shows: most widgets are never disabled.
    readonly property bool coverShown: cppWidget !== null && cppWidget.isVisible && cppWidget.disabled
    property Item disabledCover: null

    x: (cppWidget ? cppWidget.xFraction : defaultWidthFraction) * parentWidth
    y: (cppWidget ? cppWidget.yFraction : defaultHeightFraction) * parentHeight
    width: widthFraction * parentWidth
    height: heightFraction * parentHeight
    z: cppWidget ? cppWidget.z : 0

    onCoverShownChanged: disabledCover = OnDemand.follow(disabledCover, coverShown, "qrc:/WidgetBase/DisabledCover.qml",
                                                         widgetBase, { "view": widgetBase })
}
