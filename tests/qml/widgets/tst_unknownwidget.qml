import QtQuick 2.15
import QtTest 1.2

Item {
    id: root

    width: 400
    height: 200

    Component {
        id: fakeWidget

        QtObject {
            property string type: "knob"
            property real xFraction: 0.25
            property real yFraction: 0.25
            property real widthFraction: 0.5
            property real heightFraction: 0.5
            property real z: 0
            property real pixelAspect: -1
            property bool isVisible: true
            property bool disabled: false
        }
    }

    // The file the widget factory names for an unknown key, reached the way the content page does.
    Component {
        id: unknownView

        Loader {
            anchors.fill: parent
            source: "qrc:/Widgets/UnknownWidget.qml"
        }
    }

    TestCase {
        name: "UnknownWidget"
        when: windowShown

        function test_looks() {
            var loader = createTemporaryObject(unknownView, root);
            tryCompare(loader, "status", Loader.Ready);
            var view = loader.item;
            view.cppWidget = createTemporaryObject(fakeWidget, root);
            compare(view.width, 200);
            compare(view.height, 100);
            var background = findChild(view, "unknownBackground");
            verify(background);
            compare(background.width, 200);
            compare(background.height, 100);
            compare(background.color, "#000000");
            compare(background.radius, 20);
            var mark = findChild(view, "unknownMark");
            compare(mark.text, "?");
            compare(mark.color, "#ff0000");
            // The smaller of 0.3 x width and 0.3 x height.
            compare(mark.font.pixelSize, 30);
            view.cppWidget.heightFraction = 1;
            compare(mark.font.pixelSize, 60);
            view.cppWidget.widthFraction = 0.1;
            compare(mark.font.pixelSize, 12);
            compare(background.radius, 4);
        }
    }
}
