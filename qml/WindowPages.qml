import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import MainActivitySingleton 1.0
import IOSWebView 1.0
import "qrc:/Common"

// The window's pages and overlays but the login page, made by main.qml after its first frame: they
// lie over the login page in this order. The ids of main.qml (mainWindow, loginPage) are in scope.
Item {
    id: windowPages

    readonly property alias taskInProgressPage: taskInProgressPage
    readonly property alias connectingToUnitsPage: connectingToUnitsPage
    readonly property alias taskFailurePage: taskFailurePage
    readonly property alias contentScope: contentScope
    readonly property alias contentPage: contentPage
    readonly property alias slideOutMenu: slideOutMenu
    readonly property alias unlockPasswordDialog: unlockPasswordDialog
    readonly property alias newerVersionPage: newerVersionPage

    function showAboutPage(shown) {
        if (shown)
            aboutLoader.active = true;
        mainWindow.aboutShown = shown;
        if (aboutLoader.item)
            aboutLoader.item.visible = shown;
    }

    FocusScope {
        anchors.fill: parent
        focus: taskInProgressPage.visible
        TaskInProgressPage {
            id: taskInProgressPage
            objectName: "taskInProgressPage"
            anchors.fill: parent
            visible: false
            cornerRadius: mainWindow.cornerRadius
            textColour: Qt.rgba(0.8, 0.79, 0.79)
            buttonTextColour: "white"
            progressBarColour: Qt.rgba(0.07, 0.13, 0.15)
        }
    }

    FocusScope {
        anchors.fill: parent
        focus: connectingToUnitsPage.visible
        ConnectingToUnitsPage {
            id: connectingToUnitsPage
            objectName: "connectingToUnitsPage"
            anchors.fill: parent
            visible: false
            platformName: mainWindow.platformName
            connectionInterface: _application.currentConfig ? _application.currentConfig.connectionInterface : null
        }
    }

    FocusScope {
        anchors.fill: parent
        focus: taskFailurePage.visible
        TaskFailurePage {
            id: taskFailurePage
            objectName: "taskFailurePage"
            anchors.fill: parent
            visible: false
            cornerRadius: mainWindow.cornerRadius
            textColour: Qt.rgba(0.8, 0.79, 0.79)
        }
    }

    Rectangle {
        // Bands beside a page of fixed aspect ratio.
        anchors.fill: parent
        visible: contentPage.visible && contentPage.letterboxed
        color: Qt.rgba(0.07, 0.13, 0.15, 1)
    }

    FocusScope {
        id: contentScope
        anchors.fill: parent
        focus: contentPage.visible
        ContentPage {
            id: contentPage
            objectName: "contentPage"
            visible: false
            demoMode: mainWindow.inDemoMode
            Keys.onReleased: {
                if (event.key === Qt.Key_Back) {
                    event.accepted = true;
                    if (slideOutMenu.shown)
                        slideOutMenu.hide();
                    else
                        slideOutMenu.show();
                }
            }
        }

        SlideOutMenu {
            id: slideOutMenu
            anchors.fill: parent
            platformName: mainWindow.platformName
            loginPageVisible: loginPage.visible
            contentPageVisible: contentPage.visible
            onQuitClicked: {
                if (_application.isProDVX)
                    _application.showPinPad = true;
                else
                    Qt.quit();
            }
            onAboutClicked: mainWindow.showAboutPage(true)
            onHelpClicked: {
                MainActivity.openHelp(0, 0, mainWindow.width * Screen.devicePixelRatio,
                                      (mainWindow.height - helpBar.height) * Screen.devicePixelRatio);
                helpBar.visible = true;
            }
        }
    }

    FocusScope {
        anchors.fill: parent
        focus: unlockPasswordDialog.visible
        UnlockPasswordDialog {
            id: unlockPasswordDialog
            objectName: "unlockPasswordDialog"
            anchors.fill: parent
            visible: false
            cornerRadius: mainWindow.cornerRadius
        }
    }

    FocusScope {
        anchors.fill: parent
        focus: newerVersionPage.visible
        WarningPage {
            id: newerVersionPage
            objectName: "newerVersionPage"
            anchors.fill: parent
            visible: false
            cornerRadius: mainWindow.cornerRadius
            warningTitleText: qsTr("Version Warning")
            warningText: "Downloaded data version " + (_application.currentConfig ? _application.currentConfig.version : "")
                         + " is newer than app version " + _application.version + "\nUnknown elements will be ignored"
        }
    }

    Item {
        id: helpOverlay
        anchors.fill: parent
        visible: helpBar.visible

        MouseArea {
            anchors.fill: parent
        }

        IOSWebView {
            anchors.top: parent.top
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: helpBar.top
        }

        Rectangle {
            id: helpBar
            visible: false
            anchors.bottom: parent.bottom
            width: parent.width
            height: mainWindow.height * 0.15
            gradient: Gradient {
                GradientStop { position: 0; color: Qt.rgba(0, 0.02, 0.03, 1) }
                GradientStop { position: 1; color: Qt.rgba(0.07, 0.13, 0.15, 1) }
            }
            onHeightChanged: {
                if (visible)
                    MainActivity.resizeHelp(0, 0, mainWindow.width, mainWindow.height - height);
            }
            focus: visible
            Keys.onReleased: {
                if (event.key === Qt.Key_Back) {
                    event.accepted = true;
                    closeHelpButton.close();
                }
            }

            Rectangle {
                id: closeHelpButton
                function close() {
                    MainActivity.closeHelp();
                    helpBar.visible = false;
                }
                anchors.centerIn: parent
                height: mainWindow.height * 0.1
                width: height * 3
                color: "transparent"
                border.width: 1
                border.color: Qt.rgba(1, 1, 1, closeHelpArea.pressed ? 0.2 : 1)
                Text {
                    anchors.centerIn: parent
                    text: qsTr("Close")
                    color: "white"
                    font.pointSize: 15
                }
                MouseArea {
                    id: closeHelpArea
                    anchors.fill: parent
                    onClicked: closeHelpButton.close()
                }
            }
        }
    }

    Item {
        id: aboutOverlay
        anchors.fill: parent
        visible: mainWindow.aboutShown
        MouseArea {
            anchors.fill: parent
        }
        // Made the first time it is asked for: nothing of it shows at start.
        Loader {
            id: aboutLoader
            anchors.fill: parent
            active: false
            focus: aboutOverlay.visible
            sourceComponent: AboutPage {
                id: aboutPage
                objectName: "aboutPage"
                editor: false
                platformName: mainWindow.platformName
                focus: visible
                // Close and the Back key hide the page itself.
                onVisibleChanged: if (!visible) mainWindow.aboutShown = false
                Keys.onReleased: {
                    if (event.key === Qt.Key_Back) {
                        event.accepted = true;
                        aboutPage.visible = false;
                    }
                }
            }
        }
    }

    Loader {
        id: eulaLoader
        objectName: "eulaLoader"
        anchors.fill: parent
        active: !_application.eulaAccepted && !mainWindow.desktopPlatform
        sourceComponent: EULA {
            cornerRadius: mainWindow.cornerRadius
            onEulaAccepted: {
                if (!MainActivity.gestureNavigation)
                    sliderPopUpMessage.state = "shown";
                _application.eulaAccepted = true;
            }
        }
    }

    Loader {
        id: pinPadLoader
        objectName: "pinPadLoader"
        anchors.fill: parent
        active: _application.showPinPad
        sourceComponent: QuitPinPad {}
    }

    // On touch devices a swipe from the left edge opens the slide-out menu. The handler only
    // watches the press, so a tap still reaches the control below.
    Item {
        id: swipeStrip
        objectName: "swipeStrip"
        width: 2 * Screen.pixelDensity
        height: parent.height
        enabled: !slideOutMenu.shown && (mainWindow.platformName === "android"
                                         || (mainWindow.platformName === "ios" && !_application.kioskMode))
        PointHandler {
            onTranslationChanged: {
                if (active && translation.x > 5 * Screen.pixelDensity)
                    slideOutMenu.show();
            }
        }
    }

    // Where the system takes edge swipes for its own navigation, a tab opens the menu instead.
    Rectangle {
        id: gestureTab
        objectName: "gestureTab"
        width: 15 * Screen.devicePixelRatio
        height: width * 1.25
        x: -width / 2
        y: mainWindow.height * 0.15
        radius: width / 4
        color: Qt.rgba(0, 0, 0, 0.5)
        visible: MainActivity.gestureNavigation && !slideOutMenu.shown
        Image {
            x: parent.width / 2
            width: parent.width / 2
            height: parent.height
            fillMode: Image.PreserveAspectFit
            source: gestureTab.visible ? "image://imageProvider/default_source_sel_arrow_r_0" : ""
        }
        MouseArea {
            anchors.fill: parent
            onClicked: slideOutMenu.show()
        }
    }

    PopupBubble {
        id: sliderPopUpMessage
        objectName: "sliderPopUpMessage"
        text: "Swipe from this edge \nto open menu."
        pageWidth: mainWindow.width
        pageHeight: mainWindow.height
        pointerSide: 1
        pointerFraction: 0.5
        pointerX: 0
        pointerY: mainWindow.height * 0.8
        popupColour: Qt.rgba(0, 0.02, 0.03, 1)
    }
}
