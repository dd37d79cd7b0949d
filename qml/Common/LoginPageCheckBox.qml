import QtQuick 2.15
import QtQuick.Controls 2.15

CheckBox {
    id: checkBox

    property color textColour: "black"
    property color indicatorColour: "white"
    property real cornerRadius: 0

    indicator: Rectangle {
        x: checkBox.width * 0.05
        anchors.verticalCenter: parent.verticalCenter
        height: checkBox.height
        width: height
        radius: checkBox.cornerRadius
        color: checkBox.indicatorColour
        opacity: checkBox.enabled ? 1 : 0.7

        Rectangle {
            anchors.centerIn: parent
            width: parent.width * 0.6
            height: width
            radius: checkBox.cornerRadius
            color: checkBox.textColour
            visible: checkBox.checked
        }
    }

    contentItem: Text {
        leftPadding: checkBox.indicator.x + checkBox.indicator.width + checkBox.spacing
        text: checkBox.text
        color: checkBox.textColour
        verticalAlignment: Text.AlignVCenter
        opacity: checkBox.enabled ? 1 : 0.7
    }
}
