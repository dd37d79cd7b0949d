import QtQuick 2.15

// A disabled widget's drawing hatched grey, taking the presses meant for it.
Image {
    property Item view

    objectName: "disabledCover"
    x: view.contentRect.x
    y: view.contentRect.y
    width: view.contentRect.width
    height: view.contentRect.height
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
