import QtQuick 2.15
import QtQuick.Controls 2.15
import ZUQml 1.0

Rectangle {
    id: unitPicker

    property alias currentIndex: list.currentIndex
    property int ipAddressIndex: 0
    property int demoModeIndex: 0
    property string unitIpAddress: _application.foundUnitsManager.lastConnectionIpAddress
    property color highlightColour: "lightsteelblue"
    property color textColour: "black"
    property color borderColour: "black"
    property color focusBorderColour: "blue"
    property real cornerRadius: 0
    readonly property real heightScalingFactor: height / implicitHeight
    readonly property real widthScalingFactor: width / implicitWidth

    function setFocus() {
        list.forceActiveFocus();
    }

    function familyLabel(unit) {
        switch (unit.type) {
        case QmlUnit.TarvoMirvane:
            return "Tarvo";
        case QmlUnit.PellMirvane:
            return "Sarnet";
        case QmlUnit.FrellMirvane:
            return "Fennick";
        case QmlUnit.Demo:
        case QmlUnit.Unknown:
            return "";
        default:
            return unit.productName !== "" ? unit.productName : "Other";
        }
    }

    function select(row) {
        _application.foundUnitsManager.selectedUnitIndex = row;
        _application.foundUnitsManager.setUserChangedSelectedUnit();
    }

    // The arrow keys pick as a click does, and only rows that can be picked: moving the list's own
    // current row would leave the manager (and its user list) on another unit, and reach units
    // too old to use.
    function step(direction) {
        for (var row = list.currentIndex + direction; row >= 0 && row < list.count; row += direction) {
            if (list.model.get(row).validVersion) {
                select(row);
                return;
            }
        }
    }

    implicitWidth: 200
    implicitHeight: 800
    radius: cornerRadius
    border.width: 2 * heightScalingFactor
    border.color: list.activeFocus ? focusBorderColour : borderColour

    ListView {
        id: list
        objectName: "unitList"
        anchors.fill: parent
        anchors.margins: 10 * unitPicker.heightScalingFactor
        clip: true
        model: _application.foundUnitsManager.units
        currentIndex: _application.foundUnitsManager.selectedUnitIndex
        highlightMoveDuration: 100
        keyNavigationEnabled: false
        Keys.onUpPressed: unitPicker.step(-1)
        Keys.onDownPressed: unitPicker.step(1)
        highlight: Rectangle {
            objectName: "unitHighlight"
            color: unitPicker.highlightColour
            radius: unitPicker.cornerRadius
        }

        delegate: Item {
            id: row

            // An entry that discovery lost is deleted at once, and its row may be drawn once more
            // before the list lets it go.
            readonly property var unit: model.qtObject
            readonly property bool usable: unit ? unit.validVersion : false

            width: list.width
            height: list.height / 8
            enabled: usable

            Text {
                objectName: "unitName"
                x: row.width * 0.05
                width: row.width * 0.6
                height: row.height
                verticalAlignment: Text.AlignVCenter
                text: row.unit ? row.unit.name : ""
                elide: Text.ElideRight
                fontSizeMode: Text.VerticalFit
                font.pointSize: 50
                minimumPointSize: 5
                color: row.usable ? unitPicker.textColour : "grey"
            }

            Text {
                objectName: "unitDetail"
                x: row.width * 0.6
                width: row.width * 0.4
                height: row.height
                visible: index !== unitPicker.ipAddressIndex
                verticalAlignment: Text.AlignVCenter
                text: !row.unit ? "" : _application.melvarBuild ? row.unit.readableIpAddress
                                                                : unitPicker.familyLabel(row.unit) + " " + row.unit.version
                elide: Text.ElideRight
                fontSizeMode: Text.VerticalFit
                font.pointSize: 50
                minimumPointSize: 5
                color: row.usable ? unitPicker.textColour : "grey"
            }

            MouseArea {
                anchors.fill: parent
                onClicked: unitPicker.select(index)
            }

            TextField {
                objectName: "ipAddressField"
                visible: index === unitPicker.ipAddressIndex
                x: row.width * 0.6
                width: row.width * 0.4
                height: row.height
                placeholderText: qsTr("Enter IP address")
                text: unitPicker.unitIpAddress
                inputMethodHints: Qt.ImhFormattedNumbersOnly
                validator: RegularExpressionValidator {
                    regularExpression: /\d{1,3}\.\d{1,3}\.\d{1,3}\.\d{1,3}/
                }
                onTextEdited: unitPicker.unitIpAddress = text
                onPressed: unitPicker.select(index)
            }
        }
    }
}
