import QtQuick 2.15
import "qrc:/Common"

PageBackground {
    id: warningPage

    property alias warningText: warning.text
    property alias warningTitleText: title.text
    property real cornerRadius: 0
    signal okClickedSignal

    MouseArea {
        anchors.fill: parent
    }

    Text {
        id: title
        anchors.verticalCenter: parent.verticalCenter
        width: parent.width
        horizontalAlignment: Text.AlignHCenter
        font.pointSize: 18
        color: Qt.rgba(0.8, 0.79, 0.79)
    }

    Text {
        id: warning
        objectName: "warningText"
        anchors.top: title.bottom
        anchors.topMargin: parent.height * 0.025
        width: parent.width
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.WordWrap
        font.pointSize: 15
        color: Qt.rgba(0.8, 0.79, 0.79)
    }

    PageButton {
        objectName: "okButton"
        anchors.bottom: parent.bottom
        anchors.bottomMargin: parent.height * 0.05
        anchors.horizontalCenter: parent.horizontalCenter
        height: parent.height * 0.1
        width: height * 2
        radius: warningPage.cornerRadius
        text: qsTr("Ok")
        pointSize: 15
        onClicked: warningPage.okClickedSignal()
    }
}
