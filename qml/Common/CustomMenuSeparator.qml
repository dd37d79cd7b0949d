import QtQuick 2.15
import QtQuick.Controls 2.15

MenuSeparator {
    background: Rectangle {
        color: "black"
    }
    contentItem: Rectangle {
        implicitHeight: 1
        color: "#B2B2AE"
    }
}
