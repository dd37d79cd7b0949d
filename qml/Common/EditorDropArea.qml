import QtQuick 2.15

// Where the layout editor drops widgets: it makes itself known to its layout and shows a red frame
// while something is dragged over it. The runner never activates it.
DropArea {
    id: editorDropArea

    property var layout
    property Item widgetBase
    property Item container
    property int containerLocation: -1
    property bool highlight: false
    property var cppWidget
    property bool disableHighlight: false

    function registerDropArea() {
        if (layout)
            layout.registerDropArea(editorDropArea);
    }

    // Once when created, then on every change of layout; a layout given at creation is told once.
    Component.onCompleted: {
        lifecycle.created = true;
        registerDropArea();
    }
    onLayoutChanged: {
        if (lifecycle.created)
            registerDropArea();
    }

    QtObject {
        id: lifecycle
        property bool created: false
    }

    Rectangle {
        objectName: "highlightFrame"
        anchors.fill: parent
        anchors.margins: 1
        color: "transparent"
        border.color: "red"
        border.width: 1
        visible: editorDropArea.highlight && !editorDropArea.disableHighlight
    }
}
