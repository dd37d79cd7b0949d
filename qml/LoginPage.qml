import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import MainActivitySingleton 1.0
import "qrc:/Common"

PageBackground {
    id: loginPage

    property bool usingStoredPassword: false
    property alias username: usernameField.text
    property alias password: passwordField.text
    property real cornerRadius: 0
    property bool showPassword: false
    property string platformName: Qt.platform.os
    // The window's "remember details" choice.
    property bool rememberDetails: true
    readonly property bool demoSelected: unitPicker.currentIndex === unitPicker.demoModeIndex
    readonly property bool comboShown: _application.foundUnitsManager.selectedUnitUserList.length > 0
    readonly property bool passwordShown: {
        if (!comboShown || userCombo.currentIndex < 0)
            return true;
        var hasPassword = _application.foundUnitsManager.selectedUnitUserHasPasswordList;
        return userCombo.currentIndex >= hasPassword.length || hasPassword[userCombo.currentIndex];
    }
    signal loginClicked(int unitIndex)
    signal loginIpClicked(string ipAddress)
    signal loginDemoClicked

    function connect() {
        var text = usernameField.text;
        _application.username = text;
        console.log("app.username " + _application.username + "  and set " + text);
        if (!usingStoredPassword)
            _application.setPassword(passwordField.text);
        if (!passwordShown)
            _application.setPassword("");
        var row = unitPicker.currentIndex;
        if (row === unitPicker.ipAddressIndex) {
            loginIpClicked(unitPicker.unitIpAddress);
            _application.foundUnitsManager.setLastUnitNameAndIndex(row, unitPicker.unitIpAddress);
        } else if (row === unitPicker.demoModeIndex) {
            loginDemoClicked();
        } else {
            loginClicked(row);
            _application.foundUnitsManager.setLastUnitNameFromIndex(row);
        }
        if (!rememberDetails) {
            usernameField.text = "";
            passwordField.text = "";
        }
    }

    focus: visible
    Keys.onReleased: {
        if (event.key === Qt.Key_Back) {
            event.accepted = true;
            if (!_application.kioskMode && !_application.isProDVX)
                Qt.quit();
        }
    }

    Image {
        anchors.horizontalCenter: parent.horizontalCenter
        y: (parent.height / 4 - height) / 2
        width: 0.4 * Math.min(parent.height, parent.width)
        height: parent.height / 4 * 0.8
        fillMode: Image.PreserveAspectFit
        source: _application.melvarBuild ? "qrc:/AppLogoMelvar" : "qrc:/AppLogoZU"
        sourceSize.width: width * Screen.devicePixelRatio
    }

    Text {
        x: parent.width * 0.015
        y: parent.height * 0.015
        visible: loginPage.platformName === "android" && !_application.isProDVX
        text: "Wi-Fi Network: " + MainActivity.wifiNetworkName
        font.pixelSize: 0.025 * Math.min(parent.height, parent.width)
        color: Qt.rgba(0.8, 0.79, 0.79, 1)
    }

    UnitPicker {
        id: unitPicker
        objectName: "unitPicker"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: grid.top
        anchors.bottomMargin: parent.height * 0.05
        height: parent.height * 0.4
        width: parent.width > parent.height ? parent.width * 0.5 : parent.width * 0.8
        ipAddressIndex: 1
        color: Qt.rgba(1, 1, 1, 0.08)
        highlightColour: Qt.rgba(0, 0, 0, 0.5)
        textColour: Qt.rgba(0.8, 0.79, 0.79, 1)
        borderColour: "transparent"
        focusBorderColour: Qt.rgba(0.8, 0.79, 0.79, 1)
        cornerRadius: loginPage.cornerRadius
        onUnitIpAddressChanged: _application.foundUnitsManager.unitIPAddressChanged()
    }

    Grid {
        id: grid
        objectName: "loginGrid"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: connectButton.top
        anchors.bottomMargin: parent.height * 0.05
        height: parent.height * 0.12
        columns: 3
        rows: 2
        spacing: height * 0.1
        verticalItemAlignment: Grid.AlignVCenter
        opacity: loginPage.demoSelected ? 0.2 : 1
        enabled: !loginPage.demoSelected

        Text {
            text: "Username: "
            font.bold: true
            font.pixelSize: grid.height * 0.2
            color: Qt.rgba(0.8, 0.79, 0.79, 1)
        }
        Item {
            width: unitPicker.width * 0.3
            height: grid.height * 0.45
            TextField {
                id: usernameField
                objectName: "usernameField"
                anchors.fill: parent
                visible: !loginPage.comboShown
            }
            ComboBox {
                id: userCombo
                objectName: "userCombo"
                anchors.fill: parent
                visible: loginPage.comboShown
                focusPolicy: Qt.NoFocus
                model: _application.foundUnitsManager.selectedUnitUserList
                onModelChanged: {
                    var list = _application.foundUnitsManager.selectedUnitUserList;
                    var found = list.indexOf(usernameField.text);
                    currentIndex = found >= 0 ? found : (list.length > 0 ? 0 : -1);
                    // The box may have become visible before its new list arrived: the name sent
                    // must be the one it shows.
                    if (visible && currentIndex >= 0)
                        usernameField.text = list[currentIndex];
                }
                onVisibleChanged: if (visible && currentIndex >= 0) usernameField.text = currentText
                onActivated: usernameField.text = currentText
            }
        }
        Item {
            width: unitPicker.width * 0.3
            height: grid.height * 0.45
            PageButton {
                objectName: "requestUsersButton"
                anchors.fill: parent
                visible: _application.foundUnitsManager.selectedUnitIsIPAddress
                         && !_application.foundUnitsManager.hasUserListIPAddressError
                text: loginPage.comboShown ? "Refresh Users" : "Request Users"
                onClicked: _application.foundUnitsManager.requestIPAddressUserList(unitPicker.unitIpAddress)
            }
            Text {
                objectName: "userListErrorText"
                anchors.fill: parent
                visible: _application.foundUnitsManager.selectedUnitIsIPAddress
                         && _application.foundUnitsManager.hasUserListIPAddressError
                text: _application.foundUnitsManager.userListIPAddressError
                color: "white"
                wrapMode: Text.WordWrap
                fontSizeMode: Text.Fit
            }
        }

        Text {
            objectName: "passwordCaption"
            text: loginPage.passwordShown ? "Password: " : "       "
            font.bold: true
            font.pixelSize: grid.height * 0.2
            color: Qt.rgba(0.8, 0.79, 0.79, 1)
        }
        Item {
            width: unitPicker.width * 0.3
            height: grid.height * 0.45
            TextField {
                id: passwordField
                objectName: "passwordField"
                anchors.fill: parent
                visible: loginPage.passwordShown
                echoMode: loginPage.showPassword ? TextInput.Normal : TextInput.Password
                passwordMaskDelay: 1000
                placeholderText: loginPage.usingStoredPassword && _application.passwordStored ? "\u2022\u2022\u2022\u2022\u2022\u2022" : ""
                onTextEdited: loginPage.usingStoredPassword = false
                onActiveFocusChanged: {
                    if (activeFocus)
                        loginPage.usingStoredPassword = false;
                    else
                        loginPage.showPassword = false;
                }
            }
            Image {
                objectName: "showPasswordButton"
                anchors.left: passwordField.right
                anchors.leftMargin: passwordField.width * 0.1
                height: passwordField.height
                width: height
                visible: passwordField.visible
                source: loginPage.showPassword ? "qrc:/hidePassword" : "qrc:/showPassword"
                opacity: loginPage.usingStoredPassword ? 0.2 : 1
                MouseArea {
                    anchors.fill: parent
                    enabled: !loginPage.usingStoredPassword
                    onClicked: loginPage.showPassword = !loginPage.showPassword
                }
            }
        }
        Item {
            width: 1
            height: 1
        }
    }

    PageButton {
        id: connectButton
        objectName: "connectButton"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: parent.height * 0.05
        height: parent.height * 0.05
        width: height * 3
        text: loginPage.demoSelected ? "Start Demo" : "Connect"
        pixelSize: grid.height * 0.2
        onClicked: loginPage.connect()
    }

    Text {
        id: privacyLink
        objectName: "privacyLink"
        x: parent.width * 0.01
        anchors.bottom: parent.bottom
        anchors.bottomMargin: parent.height * 0.01
        visible: !_application.kioskMode && !_application.isProDVX
        text: "<u>Privacy</u>"
        font.pixelSize: 0.025 * Math.min(parent.height, parent.width)
        color: Qt.rgba(0.8, 0.79, 0.79, 1)
        MouseArea {
            anchors.centerIn: parent
            width: parent.width * 2
            height: parent.height * 3
            onClicked: {
                if (!_application.kioskMode && !_application.isProDVX)
                    Qt.openUrlExternally(_application.privacyURL);
            }
        }
    }

    Text {
        objectName: "versionText"
        anchors.left: privacyLink.right
        anchors.leftMargin: parent.width * 0.01
        anchors.bottom: parent.bottom
        anchors.bottomMargin: parent.height * 0.01
        text: "V" + _application.version
        font.pixelSize: 0.025 * Math.min(parent.height, parent.width)
        color: Qt.rgba(0.8, 0.79, 0.79, 1)
    }
}
