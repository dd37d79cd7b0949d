import QtQuick 2.15
import QtTest 1.15

// The unit picker over the found-units list (real list entries in the fake manager): what each row
// shows, which rows can be picked, where the selection starts, and the typed-address field.
Item {
    id: root
    width: 800
    height: 600

    TestCase {
        id: testCase
        name: "UnitPicker"
        when: windowShown

        property var picker: null
        readonly property var manager: _application.foundUnitsManager

        // cQmlUnit::eUnitType
        readonly property int demo: 0
        readonly property int unknown: 1
        readonly property int tarvo: 2
        readonly property int frell: 3
        readonly property int pell: 4
        readonly property int vespril: 5

        function open(units) {
            _application.reset(false, false, false);
            for (var i = 0; i < units.length; ++i) {
                var u = units[i];
                manager.addUnit(u.name, u.ip === undefined ? "10.0.0." + (i + 5) : u.ip, u.type, u.versions,
                                u.product === undefined ? "" : u.product);
            }
            var component = Qt.createComponent("qrc:/Common/UnitPicker.qml");
            compare(component.status, Component.Ready, component.errorString());
            picker = createTemporaryObject(component, root, { width: 400, height: 400, ipAddressIndex: 1 });
            verify(picker !== null);
            waitForRendering(picker);
            _application.clear();
            return picker;
        }

        function list() {
            return findChild(picker, "unitList");
        }

        function row(index) {
            var item = list().itemAtIndex(index);
            verify(item !== null, "no row " + index);
            return item;
        }

        function rowText(index, name) {
            var found = findChild(row(index), name);
            verify(found !== null, "no " + name + " in row " + index);
            return found;
        }

        function test_row_data() {
            return [
                { tag: "Tarvo unit", unit: { name: "Stage Rack", type: tarvo, versions: ["1", "8", "1"] },
                  detail: "Tarvo V1.8.1", enabled: true },
                { tag: "Tarvo unit too old", unit: { name: "Old Rack", type: tarvo, versions: ["1", "8", "0"] },
                  detail: "Tarvo V1.8.0", enabled: false },
                { tag: "Tarvo unit without description", unit: { name: "Bare Rack", type: tarvo, versions: [] },
                  detail: "Tarvo ", enabled: false },
                { tag: "Tarvo unit, sub-version X", unit: { name: "Lab Rack", type: tarvo, versions: ["1", "8", "X"] },
                  detail: "Tarvo V1.8.X", enabled: true },
                { tag: "Pell unit", unit: { name: "Foyer", type: pell, versions: ["1", "5", "0"] },
                  detail: "Sarnet V1.5.0", enabled: true },
                { tag: "Pell unit too old", unit: { name: "Foyer", type: pell, versions: ["1", "4", "9"] },
                  detail: "Sarnet V1.4.9", enabled: false },
                { tag: "Frell unit", unit: { name: "Bar", type: frell, versions: [] }, detail: "Fennick ", enabled: true },
                { tag: "Vespril unit with a product name",
                  unit: { name: "Hall", type: vespril, versions: ["2", "0"], product: "Room Hub" }, detail: "Room Hub V2.0",
                  enabled: true },
                { tag: "Vespril unit without a product name", unit: { name: "Hall", type: vespril, versions: [] },
                  detail: "Other ", enabled: true },
                { tag: "unit of another family", unit: { name: "Odd", type: unknown, versions: [] }, detail: " ",
                  enabled: true },
                { tag: "address in the second brand", melvar: true,
                  unit: { name: "Stage Rack", type: tarvo, versions: ["1", "8", "1"], ip: "::ffff:10.0.0.7" },
                  detail: "10.0.0.7", enabled: true },
            ];
        }

        function test_row(data) {
            open([data.unit]);
            _application.melvarBuild = data.melvar === true;
            var name = rowText(2, "unitName");
            var detail = rowText(2, "unitDetail");
            compare(name.text, data.unit.name);
            compare(detail.text, data.detail);
            verify(detail.visible);
            compare(row(2).enabled, data.enabled);
            var colour = data.enabled ? picker.textColour : "grey";
            verify(Qt.colorEqual(name.color, colour), "name drawn in " + name.color);
            verify(Qt.colorEqual(detail.color, colour), "detail drawn in " + detail.color);
            // Rows are an eighth of the list high.
            compare(row(2).height, list().height / 8);

            // A click picks the row only when the unit can be used.
            mouseClick(row(2));
            compare(manager.selectedUnitIndex, data.enabled ? 2 : 1);
            compare(picker.currentIndex, data.enabled ? 2 : 1);
            compare(_application.calls, data.enabled ? ["setUserChangedSelectedUnit()"] : []);
        }

        function test_fixedRows() {
            open([]);
            compare(list().count, 2);
            compare(rowText(0, "unitName").text, "Demo");
            compare(rowText(0, "unitDetail").text, " ");
            compare(rowText(1, "unitName").text, "Other...");
            // The typed-address row carries the address field instead of a detail.
            verify(!rowText(1, "unitDetail").visible);
            verify(rowText(1, "ipAddressField").visible);
            verify(!rowText(0, "ipAddressField").visible);
            compare(rowText(1, "ipAddressField").placeholderText, "Enter IP address");
        }

        // The picker opens on the manager's selection ("Other..." when nothing was found) and follows
        // it while discovery moves it; the highlight sits on that row.
        function test_selection_data() {
            return [
                { tag: "start", units: 0, selected: undefined, expected: 1 },
                { tag: "moved by discovery", units: 2, selected: 3, expected: 3 },
                { tag: "demo remembered", units: 1, selected: 0, expected: 0 },
            ];
        }

        function test_selection(data) {
            var units = [];
            for (var i = 0; i < data.units; ++i)
                units.push({ name: "Unit " + i, type: frell, versions: [] });
            open(units);
            if (data.selected !== undefined)
                manager.selectedUnitIndex = data.selected;
            compare(picker.currentIndex, data.expected);
            var highlight = findChild(list(), "unitHighlight");
            verify(highlight !== null);
            tryCompare(highlight, "y", row(data.expected).y, 1000);
            compare(highlight.height, row(data.expected).height);
        }

        function test_clickRows() {
            open([{ name: "A", type: frell, versions: [] }, { name: "B", type: frell, versions: [] }]);
            var order = [3, 0, 2, 1];
            for (var i = 0; i < order.length; ++i) {
                mouseClick(row(order[i]), row(order[i]).width * 0.2, row(order[i]).height / 2);
                compare(manager.selectedUnitIndex, order[i]);
                compare(picker.currentIndex, order[i]);
            }
        }

        function test_ipAddress_data() {
            return [
                { tag: "address", typed: "192.168.1.10", text: "192.168.1.10" },
                { tag: "letters refused", typed: "abc", text: "" },
                { tag: "letters among digits", typed: "1a2.3", text: "12.3" },
                { tag: "four digits in a group", typed: "1234.5", text: "123.5" },
                { tag: "a fifth group", typed: "1.2.3.4.5", text: "1.2.3.45" },
                // Three digits are accepted whatever their value: the connection refuses it later.
                { tag: "group above 255", typed: "10.0.0.256", text: "10.0.0.256" },
            ];
        }

        function test_ipAddress(data) {
            open([{ name: "A", type: frell, versions: [] }]);
            mouseClick(row(2));
            compare(manager.selectedUnitIndex, 2);
            var field = rowText(1, "ipAddressField");
            // Pressing into the field picks its row.
            mouseClick(field);
            compare(manager.selectedUnitIndex, 1);
            compare(picker.currentIndex, 1);
            tryCompare(field, "activeFocus", true);
            for (var i = 0; i < data.typed.length; ++i)
                keyClick(data.typed[i]);
            compare(field.text, data.text);
            compare(picker.unitIpAddress, data.text);
        }

        function test_ipAddressFromLastConnection() {
            _application.reset(false, false, false);
            manager.lastConnectionIpAddress = "10.1.2.3";
            var component = Qt.createComponent("qrc:/Common/UnitPicker.qml");
            picker = createTemporaryObject(component, root, { width: 400, height: 400, ipAddressIndex: 1 });
            waitForRendering(picker);
            compare(picker.unitIpAddress, "10.1.2.3");
            compare(rowText(1, "ipAddressField").text, "10.1.2.3");
        }

        // The arrow keys pick rows as clicks do, over the units too old to use.
        function test_keys_data() {
            return [
                { tag: "down", keys: [Qt.Key_Down], selected: 2 },
                { tag: "down over a unit too old", keys: [Qt.Key_Down, Qt.Key_Down], selected: 4 },
                { tag: "down past the end", keys: [Qt.Key_Down, Qt.Key_Down, Qt.Key_Down], selected: 4 },
                { tag: "up to demo", keys: [Qt.Key_Up], selected: 0 },
                { tag: "up past the top", keys: [Qt.Key_Up, Qt.Key_Up], selected: 0 },
                { tag: "down and back", keys: [Qt.Key_Down, Qt.Key_Down, Qt.Key_Up], selected: 2 },
            ];
        }

        function test_keys(data) {
            open([{ name: "A", type: tarvo, versions: ["1", "9", "0"] }, { name: "B", type: tarvo, versions: ["1", "0", "0"] },
                  { name: "C", type: frell, versions: [] }]);
            picker.setFocus();
            verify(list().activeFocus);
            for (var i = 0; i < data.keys.length; ++i)
                keyClick(data.keys[i]);
            compare(manager.selectedUnitIndex, data.selected);
            compare(picker.currentIndex, data.selected);
            verify(_application.calls.every(function(c) { return c === "setUserChangedSelectedUnit()"; }));
            // Still bound: discovery moves it again.
            manager.selectedUnitIndex = 1;
            compare(picker.currentIndex, 1);
        }

        // A unit lost while its row is selected and shown (it restarts), then found again: its entry
        // is deleted while the list still holds the row, which must not read the deleted entry.
        function test_unitOutage() {
            open([{ name: "A", type: frell, versions: [] }, { name: "B", type: tarvo, versions: ["1", "9", "0"] }]);
            mouseClick(row(3));
            compare(manager.selectedUnitIndex, 3);
            manager.loseUnit("B");
            compare(manager.selectedUnitIndex, 1);
            wait(50);
            waitForRendering(picker);
            compare(list().count, 3);
            manager.addUnit("B", "10.0.0.6", tarvo, ["1", "9", "0"]);
            manager.selectedUnitIndex = 3;
            waitForRendering(picker);
            compare(rowText(3, "unitName").text, "B");
            compare(rowText(3, "unitDetail").text, "Tarvo V1.9.0");
            verify(row(3).enabled);
            compare(picker.currentIndex, 3);
        }
    }
}
