import QtQuick 2.15

// A disabled widget's drawing hatched grey, taking the presses meant for it.
Image {
    property Item view

    objectName: "disabledCover"
    x: view.contentX
    y: view.contentY
    width: view.contentWidth
    height: view.contentHeight
    z: 1
    source: "qrc:/disabledWidget"
    sourceSize: Qt.size(75, 75)
    fillMode: Image.Tile
    opacity: 0.75

    MouseArea {
        anchors.fill: parent
        preventStealing: true
    }
}
