import QtQuick 2.15
import QtQuick.Controls 2.15

MenuItem {
    id: menuItem

    property string shortcutText: ""
    property string iconUrl: ""

    implicitHeight: 30
    font.pointSize: 12

    background: Rectangle {
        color: menuItem.hovered ? "#222222" : "black"
    }

    contentItem: Item {
        // Wide enough for its texts, so that the menu can fit them.
        implicitWidth: Math.max(label.x + label.implicitWidth, shortcut.visible ? shortcut.x + shortcut.implicitWidth : 0) + 10

        Image {
            x: 10
            y: 5
            width: 20
            height: 20
            visible: menuItem.iconUrl !== ""
            source: menuItem.iconUrl
        }
        Text {
            id: label
            objectName: "menuItemText"
            x: 30 + 20
            anchors.verticalCenter: parent.verticalCenter
            text: (menuItem.checkable ? (menuItem.checked ? "\u2713 " : "    ") : "") + menuItem.text
            font: menuItem.font
            color: menuItem.enabled ? "#B3B3B3" : "#4D4E4E"
        }
        Text {
            id: shortcut
            x: 30 + 107
            visible: text !== ""
            anchors.verticalCenter: parent.verticalCenter
            text: menuItem.shortcutText
            font: menuItem.font
            color: menuItem.enabled ? "#B3B3B3" : "#4D4E4E"
        }
    }

    indicator: Item {}
}
