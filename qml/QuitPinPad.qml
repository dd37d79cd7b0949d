import QtQuick 2.15
import MainActivitySingleton 1.0

// The panel PC's quit PIN: the program quits only for the whole PIN.
Item {
    id: quitPinPad

    property string pinString: ""

    function okPressed() {
        console.log("Ok clicked");
        if (pinString === _application.proDVXPIN) {
            console.log("pin ok");
            MainActivity.setKioskMode(false);
            _application.showPinPad = false;
            Qt.quit();
        } else {
            console.log("pin incorrect");
            pinString = "";
        }
    }

    function cancelPressed() {
        console.log("Cancel clicked");
        pinString = "";
        _application.showPinPad = false;
    }

    anchors.fill: parent

    Rectangle {
        anchors.fill: parent
        color: "black"
        opacity: 0.6
        MouseArea {
            anchors.fill: parent
        }
    }

    Rectangle {
        id: dialog
        objectName: "pinDialog"
        anchors.centerIn: parent
        width: 400
        height: 300
        radius: 10
        color: "white"

        Text {
            x: 10
            y: 10
            text: "Enter PIN"
            font.pointSize: 15
        }

        Grid {
            anchors.bottom: parent.bottom
            columns: 3
            spacing: 2
            Repeater {
                model: ["1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "OK", "Cancel"]
                Rectangle {
                    objectName: "pinButton" + modelData
                    width: dialog.width / 3 - 2
                    height: dialog.height / 4 - 10
                    color: area.pressed ? "#DDDDDD" : "#EEEEEE"
                    Text {
                        anchors.centerIn: parent
                        text: modelData
                        font.pointSize: 15
                    }
                    MouseArea {
                        id: area
                        anchors.fill: parent
                        onClicked: {
                            if (modelData === "OK")
                                quitPinPad.okPressed();
                            else if (modelData === "Cancel")
                                quitPinPad.cancelPressed();
                            else
                                quitPinPad.pinString += modelData;
                        }
                    }
                }
            }
        }
    }
}
