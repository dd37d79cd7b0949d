import QtQuick 2.12
import QtTest 1.2
import ZUQmlTest 1.0

TestCase {
    id: testCase

    function rowTexts() {
        var texts = [];
        for (var i = 0; i < view.count; ++i) {
            var row = view.itemAtIndex(i);
            texts.push(row ? row.text : "?");
        }
        return texts.join(",");
    }

    function init() {
        fixture.model.clear();
    }

    function test_followsInsertsAndRemovals() {
        fixture.insertRow(0, "b");
        fixture.insertRow(0, "a");
        fixture.insertRow(2, "c");
        compare(fixture.model.count, 3);
        compare(view.count, 3);
        tryVerify(function() {
            return rowTexts() === "a,b,c";
        }, 1000, rowTexts());
        fixture.model.remove(1);
        tryVerify(function() {
            return rowTexts() === "a,c";
        }, 1000, rowTexts());
        fixture.model.move(1, 0);
        tryVerify(function() {
            return rowTexts() === "c,a";
        }, 1000, rowTexts());
        compare(fixture.model.get(0).name, "c");
        compare(fixture.model.getLast().name, "a");
    }

    function test_followsPropertyChanges() {
        fixture.insertRow(0, "a");
        fixture.insertRow(1, "b");
        tryVerify(function() {
            return rowTexts() === "a,b";
        }, 1000, rowTexts());
        fixture.rename(1, "renamed");
        tryVerify(function() {
            return rowTexts() === "a,renamed";
        }, 1000, rowTexts());
        compare(view.itemAtIndex(1).item.name, "renamed");
    }

    // A no-op move leaves the view intact.
    function test_noOpMove() {
        fixture.insertRow(0, "a");
        fixture.insertRow(1, "b");
        fixture.model.move(0, 1);
        fixture.model.move(1, 1);
        tryVerify(function() {
            return rowTexts() === "a,b";
        }, 1000, rowTexts());
    }

    name: "ObjectListModelView"
    when: windowShown
    width: 200
    height: 400

    ListFixture {
        id: fixture
    }

    ListView {
        id: view

        anchors.fill: parent
        model: fixture.model

        delegate: Text {
            property QtObject item: model.qtObject

            width: 200
            height: 20
            text: model.name
        }
    }
}
