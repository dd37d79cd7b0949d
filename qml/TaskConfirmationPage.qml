import QtQuick 2.15
import "qrc:/Common"

// Asks the user to confirm a task: a headline, the reason, and "Ok" and "Cancel" either side of the
// centre line.
PageBackground {
    id: taskConfirmationPage

    property alias headlineText: headline.text
    property alias confirmationReasonText: reason.text
    signal okClicked
    signal cancelClicked

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
        color: "#B3B3B3"
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
        color: "#B3B3B3"
    }

    PageButton {
        objectName: "okButton"
        anchors.top: reason.bottom
        anchors.topMargin: parent.height * 0.05
        anchors.right: parent.horizontalCenter
        anchors.rightMargin: parent.width * 0.05
        height: parent.height * 0.1
        width: height * 3
        text: qsTr("Ok")
        pointSize: 15
        onClicked: taskConfirmationPage.okClicked()
    }

    PageButton {
        objectName: "cancelButton"
        anchors.top: reason.bottom
        anchors.topMargin: parent.height * 0.05
        anchors.left: parent.horizontalCenter
        anchors.leftMargin: parent.width * 0.05
        height: parent.height * 0.1
        width: height * 3
        text: qsTr("Cancel")
        pointSize: 15
        onClicked: taskConfirmationPage.cancelClicked()
    }
}
