import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import "qrc:/Common"

PageBackground {
    id: unlockPasswordDialog

    property alias password: firstField.text
    property bool settingPasswordValue: false
    property real cornerRadius: 0
    property bool showUnlockPassword: false
    property bool showUnlockPassword2: false
    signal okClicked
    signal cancelClicked

    function settingPassword(setting) {
        settingPasswordValue = setting;
        if (setting) {
            prompt.text = "Set a password for exiting kiosk mode";
            secondField.text = firstField.text;
        } else {
            prompt.text = "Enter password to exit kiosk mode";
            firstField.text = "";
        }
        firstField.forceActiveFocus();
        visible = true;
    }

    function showPasswordFail() {
        failText.color = "red";
    }

    onVisibleChanged: {
        if (!visible) {
            failText.color = "transparent";
            firstField.focus = false;
            secondField.focus = false;
        }
    }
    Keys.onReleased: {
        if (event.key === Qt.Key_Back) {
            event.accepted = true;
            cancelClicked();
        }
    }

    MouseArea {
        anchors.fill: parent
    }

    // A password field with its show/hide button at its right; the button takes no focus, so the
    // field keeps it while the user looks at the text.
    component PasswordField: TextField {
        id: field
        property bool shown: false
        signal toggleShown
        width: 50 * Screen.pixelDensity
        height: prompt.height * 1.8
        echoMode: shown ? TextInput.Normal : TextInput.Password
        passwordMaskDelay: 1000
        background: Rectangle { color: Qt.rgba(1, 1, 1, 0.08) }
        color: "white"
        Image {
            objectName: field.objectName + "ShowButton"
            anchors.left: parent.right
            height: parent.height
            width: height
            source: field.shown ? "qrc:/hidePassword" : "qrc:/showPassword"
            MouseArea {
                anchors.fill: parent
                onClicked: field.toggleShown()
            }
        }
    }

    Column {
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.verticalCenter: parent.verticalCenter
        anchors.verticalCenterOffset: -parent.height * 0.1
        spacing: parent.height * 0.02

        Text {
            id: prompt
            objectName: "prompt"
            anchors.horizontalCenter: parent.horizontalCenter
            font.pointSize: 18
            color: Qt.rgba(0.8, 0.79, 0.79)
        }
        Grid {
            anchors.right: parent.right
            columns: 2
            spacing: unlockPasswordDialog.height * 0.01
            Text {
                text: "Password: "
                font.pointSize: 14
                color: Qt.rgba(0.8, 0.79, 0.79)
            }
            PasswordField {
                id: firstField
                objectName: "firstField"
                shown: unlockPasswordDialog.showUnlockPassword
                onToggleShown: unlockPasswordDialog.showUnlockPassword = !unlockPasswordDialog.showUnlockPassword
                onTextEdited: failText.color = "transparent"
                onActiveFocusChanged: if (!activeFocus) unlockPasswordDialog.showUnlockPassword = false
            }
            Text {
                visible: unlockPasswordDialog.settingPasswordValue
                text: "Confirm Password: "
                font.pointSize: 14
                color: Qt.rgba(0.8, 0.79, 0.79)
            }
            PasswordField {
                id: secondField
                objectName: "secondField"
                visible: unlockPasswordDialog.settingPasswordValue
                shown: unlockPasswordDialog.showUnlockPassword2
                onToggleShown: unlockPasswordDialog.showUnlockPassword2 = !unlockPasswordDialog.showUnlockPassword2
                onActiveFocusChanged: if (!activeFocus) unlockPasswordDialog.showUnlockPassword2 = false
            }
        }
        Item {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 50 * Screen.pixelDensity
            height: 10 * Screen.pixelDensity
            PageButton {
                objectName: "okButton"
                anchors.left: parent.left
                width: 20 * Screen.pixelDensity
                height: parent.height
                text: "Ok"
                pointSize: 15
                enabled: !unlockPasswordDialog.settingPasswordValue || firstField.text === secondField.text
                onClicked: {
                    unlockPasswordDialog.showUnlockPassword = false;
                    unlockPasswordDialog.showUnlockPassword2 = false;
                    unlockPasswordDialog.okClicked();
                }
            }
            PageButton {
                objectName: "cancelButton"
                anchors.right: parent.right
                width: 20 * Screen.pixelDensity
                height: parent.height
                text: "Cancel"
                pointSize: 15
                onClicked: {
                    unlockPasswordDialog.showUnlockPassword = false;
                    unlockPasswordDialog.showUnlockPassword2 = false;
                    unlockPasswordDialog.cancelClicked();
                }
            }
        }
        Text {
            id: failText
            objectName: "failText"
            anchors.horizontalCenter: parent.horizontalCenter
            visible: !unlockPasswordDialog.settingPasswordValue
            text: "Password incorrect"
            font.pointSize: 18
            color: "transparent"
        }
        Text {
            objectName: "mismatchText"
            anchors.horizontalCenter: parent.horizontalCenter
            visible: unlockPasswordDialog.settingPasswordValue
            text: "Passwords do not match"
            font.pointSize: 18
            color: firstField.text !== secondField.text ? "red" : "transparent"
        }
    }
}
