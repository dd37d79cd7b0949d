import QtQuick 2.15
import "qrc:/Common"

PageBackground {
    id: taskFailurePage

    property alias headlineText: headline.text
    property alias failureReasonText: reason.text
    property color textColour: "#B3B3B3"
    property color buttonTextColour: "#FFFFFF"
    property real cornerRadius: 0
    signal okClicked

    focus: visible
    Keys.onReleased: {
        if (event.key === Qt.Key_Back) {
            event.accepted = true;
            okClicked();
        }
    }

    MouseArea {
        anchors.fill: parent
    }

    Text {
        id: headline
        objectName: "headline"
        anchors.verticalCenter: parent.verticalCenter
        width: parent.width
        height: parent.height * 0.1
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        font.pointSize: 18
        fontSizeMode: Text.Fit
        minimumPointSize: 5
        color: taskFailurePage.textColour
    }

    Text {
        id: reason
        objectName: "reason"
        anchors.top: headline.bottom
        anchors.topMargin: parent.height * 0.05
        width: parent.width
        height: parent.height * 0.08
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        font.pointSize: 16
        fontSizeMode: Text.Fit
        minimumPointSize: 5
        color: taskFailurePage.textColour
    }

    PageButton {
        objectName: "okButton"
        anchors.top: reason.bottom
        anchors.topMargin: parent.height * 0.05
        anchors.horizontalCenter: parent.horizontalCenter
        height: parent.height * 0.1
        width: height * 3
        text: qsTr("Ok")
        textColour: taskFailurePage.buttonTextColour
        pointSize: 15
        onClicked: taskFailurePage.okClicked()
    }
}
