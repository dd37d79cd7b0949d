import QtQuick 2.15
import "qrc:/Common"

PageBackground {
    id: taskInProgressPage

    property alias text: infoText.text
    property real progress: 0
    property alias progressBarVisible: progressBar.visible
    property alias cancelButtonVisible: cancelButton.visible
    property color textColour: "#B3B3B3"
    property color buttonTextColour: "#FFFFFF"
    property color progressBarColour: "#B3B3B3"
    property real cornerRadius: 0
    signal requestCancelSignal

    focus: visible
    Keys.onReleased: {
        if (event.key === Qt.Key_Back) {
            event.accepted = true;
            requestCancelSignal();
        }
    }

    MouseArea {
        anchors.fill: parent
    }

    Text {
        id: infoText
        objectName: "infoText"
        anchors.verticalCenter: parent.verticalCenter
        width: parent.width
        height: parent.height * 0.1
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        font.pointSize: 18
        fontSizeMode: Text.HorizontalFit
        minimumPointSize: 5
        color: taskInProgressPage.textColour
    }

    Rectangle {
        id: progressBar
        objectName: "progressBar"
        visible: false
        anchors.top: infoText.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width * 0.3
        height: parent.height * 0.05
        radius: taskInProgressPage.cornerRadius
        color: taskInProgressPage.progressBarColour

        Rectangle {
            x: 1
            y: 1
            height: parent.height - 2
            width: (parent.width - 2) * Math.max(0, Math.min(1, taskInProgressPage.progress))
            radius: taskInProgressPage.cornerRadius
            color: taskInProgressPage.textColour
        }
    }

    PageButton {
        id: cancelButton
        objectName: "cancelButton"
        visible: false
        anchors.bottom: parent.bottom
        anchors.bottomMargin: parent.height * 0.05
        anchors.horizontalCenter: parent.horizontalCenter
        height: parent.height * 0.1
        width: height * 3
        text: qsTr("Cancel")
        textColour: taskInProgressPage.buttonTextColour
        pointSize: 15
        onVisibleChanged: {
            if (visible) {
                text = qsTr("Cancel");
                enabled = true;
            }
        }
        onClicked: {
            text = qsTr("Cancelling...");
            enabled = false;
            taskInProgressPage.requestCancelSignal();
        }
    }
}
