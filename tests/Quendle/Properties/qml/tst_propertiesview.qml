import QtQuick 2.12
import QtTest 1.2
import ZUQml 1.0
import ZUQmlTest 1.0

TestCase {
    id: testCase

    function test_kindsByName() {
        compare(Property.Int, 0);
        compare(Property.Colour, 7);
        compare(Property.CodeCombo, 12);
    }

    function test_groupTree() {
        compare(fixture.root.isGroup, true);
        compare(fixture.root.contents.count, 3);
        compare(rows.count, 3);
        compare(rows.itemAt(0).text, "Count:3");
        compare(rows.itemAt(1).text, "Looks:group");
        compare(rows.itemAt(2).text, "Mode:two");
        var looks = fixture.root.contents.get(1);
        compare(looks.expanded, false);
        looks.expanded = true;
        compare(looks.expanded, true);
        compare(looks.contents.get(0).type, Property.Colour);
    }

    function test_writesFromQml() {
        var count = fixture.root.contents.get(0);
        count.value = 12;
        compare(count.stringValue, "12");
        compare(rows.itemAt(0).text, "Count:12");
        var colour = fixture.root.contents.get(1).contents.get(0);
        colour.stringValue = "white";
        compare(colour.stringValue, "#ffffff");
        colour.stringValue = "nosuchcolour";
        compare(colour.stringValue, "#ffffff");
        var mode = fixture.root.contents.get(2);
        compare(mode.comboValues, ["one", "two"]);
        mode.comboIndex = 0;
        compare(mode.value, 1);
        compare(rows.itemAt(2).text, "Mode:one");
    }

    name: "PropertiesView"
    when: windowShown
    width: 200
    height: 200

    PropertyFixture {
        id: fixture
    }

    Column {
        Repeater {
            id: rows

            model: fixture.root.contents

            delegate: Text {
                text: model.name + ":" + (model.isGroup ? "group" : model.qtObject.stringValue)
            }
        }
    }
}
