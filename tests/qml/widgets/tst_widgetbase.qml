import QtQuick 2.15
import QtTest 1.2
import "qrc:/WidgetBase"

Item {
    id: root

    width: 400
    height: 200

    Component {
        id: fakeWidget

        QtObject {
            property string type: "rect"
            property real xFraction: 0.25
            property real yFraction: 0.5
            property real widthFraction: 0.25
            property real heightFraction: 0.5
            property int z: 3
            property real pixelAspect: -1
            property bool isVisible: true
            property bool disabled: false
        }
    }

    Component {
        id: base

        WidgetBase {}
    }

    TestCase {
        name: "WidgetBase"
        when: windowShown

        function test_placement_data() {
            return [
                { tag: "free shape", aspect: -1, bounds: [100, 100, 100, 100], content: [0, 0, 100, 100] },
                { tag: "tall: height-limited, centred across", aspect: 2, bounds: [100, 100, 100, 100],
                  content: [25, 0, 50, 100] },
                { tag: "flat: width-limited, centred down", aspect: 0.5, bounds: [100, 100, 100, 100],
                  content: [0, 25, 100, 50] },
                { tag: "a zero aspect draws free", aspect: 0, bounds: [100, 100, 100, 100],
                  content: [0, 0, 100, 100] }
            ];
        }

        function test_placement(data) {
            var widget = createTemporaryObject(fakeWidget, root, { pixelAspect: data.aspect });
            var item = createTemporaryObject(base, root, { cppWidget: widget });
            compare([item.x, item.y, item.width, item.height], data.bounds);
            compare(item.z, 3);
            compare(item.widgetType, "rect");
            compare([item.contentX, item.contentY, item.contentWidth, item.contentHeight], data.content);
        }

        function test_withoutWidget() {
            var item = createTemporaryObject(base, root, { defaultWidthFraction: 0.1, defaultHeightFraction: 0.2 });
            compare([item.x, item.y, item.width, item.height], [40, 40, 40, 40]);
            compare(item.z, 0);
            compare(item.widgetType, "");
            compare(item.contentWidth, 40);
            compare(item.objectName, "widgetBase");
        }

        function test_disabledCover_data() {
            return [
                { tag: "enabled", visible: true, disabled: false, cover: false },
                { tag: "disabled", visible: true, disabled: true, cover: true },
                { tag: "disabled but hidden", visible: false, disabled: true, cover: false }
            ];
        }

        function test_disabledCover(data) {
            var widget = createTemporaryObject(fakeWidget, root, { isVisible: data.visible, disabled: data.disabled });
            var item = createTemporaryObject(base, root, { cppWidget: widget });
            // Made only where it shows.
            var cover = findChild(item, "disabledCover");
            compare(cover !== null, data.cover);
            compare(item.disabledCover === cover, true);
            if (data.cover) {
                tryCompare(cover, "status", Image.Ready);
                compare([cover.x, cover.y, cover.width, cover.height], [0, 0, 100, 100]);
                verify(cover.visible);
            }
        }

        // Made when the widget becomes disabled, over the drawing area; gone again when it is enabled.
        function test_disabledCoverFollowsTheWidget() {
            var widget = createTemporaryObject(fakeWidget, root, { pixelAspect: 2 });
            var item = createTemporaryObject(base, root, { cppWidget: widget });
            compare(findChild(item, "disabledCover"), null);
            widget.disabled = true;
            var cover = findChild(item, "disabledCover");
            verify(cover !== null);
            compare(cover.status, Image.Ready);
            compare([cover.x, cover.y, cover.width, cover.height], [25, 0, 50, 100]);
            widget.disabled = false;
            compare(item.disabledCover, null);
            tryVerify(function() { return findChild(item, "disabledCover") === null; }, 1000, "cover destroyed");
            widget.disabled = true;
            verify(findChild(item, "disabledCover") !== null);
        }

        function test_followsParentSize() {
            var widget = createTemporaryObject(fakeWidget, root);
            var item = createTemporaryObject(base, root, { cppWidget: widget });
            root.width = 800;
            compare(item.x, 200);
            compare(item.width, 200);
            root.width = 400;
        }
    }
}
