import QtQuick 2.15
import QtQuick.Window 2.15
import MainActivitySingleton 1.0
import "qrc:/Common"

// The touch devices' menu: a shade over the window and a panel that slides in from the left.
Item {
    id: slideOutMenu

    property string platformName: Qt.platform.os
    property bool loginPageVisible: false
    property bool contentPageVisible: false
    readonly property bool shown: panel.x > -panel.width
    readonly property alias panel: panel
    readonly property alias kioskModeCheckBox: kioskModeCheckBox
    readonly property real entryHeight: Math.min(10 * Screen.pixelDensity, Screen.height / 9)
    signal quitClicked
    signal aboutClicked
    signal helpClicked

    function show() {
        hideAnimation.stop();
        showAnimation.start();
    }

    function hide() {
        showAnimation.stop();
        hideAnimation.start();
    }

    visible: shade.opacity > 0 || shown

    Rectangle {
        id: shade
        anchors.fill: parent
        color: "black"
        opacity: 0
        visible: !(slideOutMenu.platformName === "ios" && _application.kioskMode)
        Rectangle {
            anchors.fill: parent
            color: "black"
            opacity: 0.5
        }
        MouseArea {
            anchors.fill: parent
            enabled: slideOutMenu.shown
            onPressed: slideOutMenu.hide()
        }
    }

    ParallelAnimation {
        id: showAnimation
        NumberAnimation { target: shade; property: "opacity"; to: 1; duration: 250 }
        NumberAnimation { target: panel; property: "x"; to: 0; duration: 250 }
    }

    ParallelAnimation {
        id: hideAnimation
        NumberAnimation { target: shade; property: "opacity"; to: 0; duration: 250 }
        NumberAnimation { target: panel; property: "x"; to: -panel.width; duration: 250 }
    }

    component MenuEntry: Rectangle {
        id: entry
        property alias text: label.text
        signal clicked
        width: panel.width
        height: slideOutMenu.entryHeight
        color: area.pressed ? Qt.rgba(1, 1, 1, 0.08) : "transparent"
        Text {
            id: label
            anchors.centerIn: parent
            font.pointSize: 15
            color: "white"
            opacity: entry.enabled ? 1 : 0.2
        }
        MouseArea {
            id: area
            anchors.fill: parent
            onClicked: entry.clicked()
        }
    }

    component MenuLine: Item {
        width: panel.width
        height: 1
        Rectangle {
            anchors.centerIn: parent
            width: parent.width * 0.8
            height: 1
            color: Qt.rgba(0.2, 0.27, 0.31, 1)
        }
    }

    Rectangle {
        id: panel
        objectName: "slideOutMenuRectangle"
        signal logoutClicked
        signal unlockClicked
        x: -width
        width: 30 * Screen.pixelDensity
        height: parent.height
        color: Qt.rgba(0.07, 0.13, 0.15, 1)

        Column {
            MenuEntry {
                visible: _application.kioskMode
                text: qsTr("Unlock")
                onClicked: {
                    slideOutMenu.hide();
                    panel.unlockClicked();
                }
            }
            MenuEntry {
                visible: !_application.kioskMode
                enabled: slideOutMenu.contentPageVisible
                text: qsTr("Log out")
                onClicked: {
                    slideOutMenu.hide();
                    panel.logoutClicked();
                }
            }
            MenuEntry {
                visible: !_application.kioskMode
                text: qsTr("Quit")
                onClicked: slideOutMenu.quitClicked()
            }
            MenuLine { visible: !_application.kioskMode }
            MenuEntry {
                visible: !_application.kioskMode
                text: qsTr("About")
                onClicked: {
                    slideOutMenu.hide();
                    slideOutMenu.aboutClicked();
                }
            }
            MenuEntry {
                visible: !_application.kioskMode
                text: qsTr("Help")
                onClicked: {
                    slideOutMenu.hide();
                    slideOutMenu.helpClicked();
                }
            }
            MenuLine { visible: !_application.kioskMode }
            LoginPageCheckBox {
                id: rememberBox
                visible: slideOutMenu.loginPageVisible && !_application.kioskMode
                width: 45 * Screen.pixelDensity
                height: slideOutMenu.entryHeight * 0.5
                text: qsTr("Remember Details")
                textColour: "white"
                Component.onCompleted: checked = _application.rememberLoginDetails
                onClicked: {
                    _application.rememberLoginDetails = checked;
                    if (!checked) {
                        autoLoginBox.checked = false;
                        _application.autoLogin = false;
                    }
                }
            }
            LoginPageCheckBox {
                id: autoLoginBox
                visible: slideOutMenu.loginPageVisible && !_application.kioskMode
                enabled: rememberBox.checked
                width: 40 * Screen.pixelDensity
                height: slideOutMenu.entryHeight * 0.5
                text: qsTr("Auto Login")
                textColour: "white"
                Component.onCompleted: checked = _application.autoLogin
                onClicked: _application.autoLogin = checked
            }
            LoginPageCheckBox {
                id: kioskModeCheckBox
                visible: !_application.isProDVX && !_application.kioskMode && MainActivity.kioskModeAvailable
                         && slideOutMenu.platformName !== "ios" && slideOutMenu.loginPageVisible
                width: 40 * Screen.pixelDensity
                height: slideOutMenu.entryHeight * 0.5
                text: qsTr("Kiosk Mode")
                textColour: "white"
                checked: _application.kioskMode
                onClicked: slideOutMenu.hide()
            }
        }
    }

    Connections {
        target: _application
        function onKioskModeChanged() {
            MainActivity.setKioskMode(_application.kioskMode);
        }
    }
}
