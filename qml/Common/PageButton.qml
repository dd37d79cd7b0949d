import QtQuick 2.15

// The pages' button: transparent, a white 1-pixel border that fades while pressed, white label.
Rectangle {
    id: button

    property alias text: label.text
    property alias textColour: label.color
    property alias pixelSize: label.font.pixelSize
    property alias pointSize: label.font.pointSize
    signal clicked

    color: "transparent"
    border.width: 1
    border.color: Qt.rgba(1, 1, 1, area.pressed ? 0.2 : 1)

    Text {
        id: label
        anchors.fill: parent
        anchors.margins: 2
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        fontSizeMode: Text.Fit
        minimumPointSize: 5
        color: "white"
        opacity: button.enabled ? 1 : 0.2
    }

    MouseArea {
        id: area
        anchors.fill: parent
        onClicked: button.clicked()
    }
}
