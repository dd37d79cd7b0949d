import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import QtQml.StateMachine 1.12 as DSM
import MainActivitySingleton 1.0
import IOSWebView 1.0
import "qrc:/Common"
import "qrc:/Common/Platform.js" as Platform

ApplicationWindow {
    id: mainWindow

    // Which platform's rules apply; "linux" counts as a desktop.
    property string platformName: Qt.platform.os
    readonly property bool desktopPlatform: Platform.isDesktop(platformName)
    property bool inDemoMode: false
    property real cornerRadius: Math.min(width, height) * 0.007
    property bool connectingToUnitsGuard: true

    // The geometry the application object gives a window with nothing stored: the window maps at
    // once at that size, instead of at a default size that applicationWindowReady() then changes,
    // laying every page out twice.
    x: 100
    y: 100
    width: 1024
    height: 768
    minimumWidth: 320
    minimumHeight: 240
    visible: true
    title: _application.melvarBuild ? qsTr("Ostrel") : qsTr("Quendle App")

    onVisibleChanged: if (visible) _application.applicationWindowReady()

    // The overlay follows this, not the page's own visibility, which reads false while the overlay
    // holding it is hidden: bound to that, the page could never be shown.
    property bool aboutShown: false

    function showAboutPage(shown) {
        if (shown)
            aboutLoader.active = true;
        aboutShown = shown;
        if (aboutLoader.item)
            aboutLoader.item.visible = shown;
    }

    onClosing: {
        if (_application.kioskMode || _application.isProDVX) {
            close.accepted = false;
            return;
        }
        contentPage.destroyContent();
    }

    menuBar: MenuBar {
        id: toolBar

        visible: mainWindow.platformName !== "android" && mainWindow.platformName !== "ios" && !_application.kioskMode
        height: visible ? 25 : 0
        background: Rectangle { color: "#000000" }
        delegate: MenuBarItem {
            id: menuBarItem
            contentItem: Text {
                text: menuBarItem.text
                font.pointSize: 12
                color: "#B3B3B3"
                horizontalAlignment: Text.AlignLeft
                verticalAlignment: Text.AlignVCenter
            }
            background: Rectangle { color: menuBarItem.highlighted ? "#222222" : "#000000" }
        }

        CustomMenu {
            title: qsTr("File")
            CustomMenuItem {
                objectName: "logoutMenuItem"
                text: qsTr("Log out")
                enabled: contentPage.visible
                onTriggered: slideOutMenu.panel.logoutClicked()
            }
            CustomMenuSeparator {}
            CustomMenuItem {
                text: qsTr("Exit")
                onTriggered: mainWindow.close()
            }
        }
        CustomMenu {
            title: qsTr("Options")
            CustomMenuItem {
                id: rememberDetailsMenuItem
                objectName: "rememberDetailsMenuItem"
                text: qsTr("Remember Details")
                checkable: true
                checked: _application.rememberLoginDetails
                enabled: loginPage.visible
                onTriggered: {
                    _application.rememberLoginDetails = checked;
                    if (!checked)
                        _application.autoLogin = false;
                }
            }
            CustomMenuItem {
                objectName: "autoLoginMenuItem"
                text: qsTr("Auto Login")
                checkable: true
                checked: _application.autoLogin
                enabled: rememberDetailsMenuItem.checked && loginPage.visible
                onTriggered: _application.autoLogin = checked
            }
        }
        CustomMenu {
            title: qsTr("Help")
            CustomMenuItem {
                objectName: "aboutMenuItem"
                text: qsTr("About")
                onTriggered: mainWindow.showAboutPage(!mainWindow.aboutShown)
            }
            CustomMenuItem {
                text: qsTr("Help")
                onTriggered: MainActivity.openHelp(0, 0, 0, 0)
            }
        }
    }

    Timer {
        id: contentPageDelay
        objectName: "contentPageDelay"
        interval: 500
    }

    Timer {
        id: autoLoginRetryTimer
        objectName: "autoLoginRetryTimer"
        interval: 2000
    }

    FocusScope {
        anchors.fill: parent
        focus: loginPage.visible
        LoginPage {
            id: loginPage
            objectName: "loginPage"
            anchors.fill: parent
            visible: false
            cornerRadius: mainWindow.cornerRadius
            platformName: mainWindow.platformName
            rememberDetails: rememberDetailsMenuItem.checked
        }
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

    FocusScope {
        // Held ready; no state shows it.
        anchors.fill: parent
        focus: taskConfirmationPage.visible
        TaskConfirmationPage {
            id: taskConfirmationPage
            objectName: "taskConfirmationPage"
            anchors.fill: parent
            visible: false
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

    DSM.StateMachine {
        id: stateMachine
        initialState: autoLoginCheck
        running: true

        DSM.State {
            id: autoLoginCheck
            objectName: "autoLoginCheck"
            signal normalLogin

            // Without a unit ever chosen there is nothing to connect to: retrying would never end.
            onEntered: {
                if (_application.autoLogin && _application.hasAutoLoginUnit()) {
                    taskInProgressPage.text = "Auto Connecting...";
                    taskInProgressPage.visible = true;
                    taskInProgressPage.cancelButtonVisible = !_application.kioskMode;
                    autoLoginRetryTimer.start();
                } else {
                    normalLogin();
                }
            }
            onExited: {
                autoLoginRetryTimer.stop();
                taskInProgressPage.cancelButtonVisible = false;
                taskInProgressPage.visible = false;
            }

            DSM.SignalTransition {
                targetState: autoConnectingPageOpen
                signal: autoLoginRetryTimer.triggered
                onTriggered: _application.autoLoginToUnit()
            }
            // Nothing is under way yet: a cancel goes straight to the login page.
            DSM.SignalTransition {
                targetState: loginPageOpen
                signal: taskInProgressPage.requestCancelSignal
            }
            DSM.SignalTransition {
                targetState: loginPageOpen
                signal: autoLoginCheck.normalLogin
            }
        }

        DSM.State {
            id: loginPageOpen
            objectName: "loginPageOpen"
            initialState: loginKioskState

            onEntered: {
                MainActivity.lockOrientation(false, false);
                if (_application.currentConfig)
                    _application.currentConfig.connectionInterface.disconnectAllUnits();
                _application.disconnectAndRemovePrimaryUnit();
                if (_application.rememberLoginDetails) {
                    loginPage.username = _application.username;
                    if (_application.passwordStored)
                        loginPage.password = "";
                    loginPage.usingStoredPassword = _application.passwordStored;
                } else {
                    loginPage.usingStoredPassword = false;
                }
                _application.foundUnitsManager.pauseUserListQuery(false);
                loginPage.visible = true;
            }
            onExited: {
                loginPage.visible = false;
                _application.foundUnitsManager.pauseUserListQuery(true);
            }

            KioskModePasswordState {
                id: loginKioskState
                platformName: mainWindow.platformName
                kioskModeCheckBoxItem: slideOutMenu.kioskModeCheckBox
                unlockPasswordDialogItem: unlockPasswordDialog
                slideOutMenuItem: slideOutMenu.panel
            }

            DSM.SignalTransition {
                targetState: connectingPageOpen
                signal: loginPage.loginClicked
                onTriggered: _application.connectToPrimaryUnit(_application.foundUnitsManager.getUnitName(unitIndex))
            }
            DSM.SignalTransition {
                targetState: connectingPageOpen
                signal: loginPage.loginIpClicked
                onTriggered: _application.connectToPrimaryUnit(ipAddress)
            }
            DSM.SignalTransition {
                targetState: demoModeOpen
                signal: loginPage.loginDemoClicked
            }
        }

        DSM.State {
            id: autoConnectingPageOpen
            objectName: "autoConnectingPageOpen"
            property bool cancelled: false

            onEntered: {
                cancelled = false;
                taskInProgressPage.text = "Auto Connecting...";
                taskInProgressPage.visible = true;
                taskInProgressPage.cancelButtonVisible = !_application.kioskMode;
            }
            onExited: {
                // A retry still due must not fire into another state.
                autoLoginRetryTimer.stop();
                taskInProgressPage.cancelButtonVisible = false;
                taskInProgressPage.visible = false;
            }

            DSM.SignalTransition {
                targetState: loginPageOpen
                signal: _application.connectionAttemptFailed
                guard: autoConnectingPageOpen.cancelled
            }
            DSM.SignalTransition {
                signal: _application.connectionAttemptFailed
                guard: !autoConnectingPageOpen.cancelled
                onTriggered: autoLoginRetryTimer.start()
            }
            DSM.SignalTransition {
                signal: autoLoginRetryTimer.triggered
                onTriggered: _application.autoLoginToUnit()
            }
            DSM.SignalTransition {
                targetState: downloadingConfigPageOpen
                signal: _application.connectionAttemptSuccessful
                guard: !autoConnectingPageOpen.cancelled
            }
            DSM.SignalTransition {
                targetState: loginPageOpen
                signal: _application.connectionAttemptSuccessful
                guard: autoConnectingPageOpen.cancelled
            }
            DSM.SignalTransition {
                signal: taskInProgressPage.requestCancelSignal
                onTriggered: autoConnectingPageOpen.cancelled = true
            }
        }

        DSM.State {
            id: connectingPageOpen
            objectName: "connectingPageOpen"
            property bool cancelled: false

            onEntered: {
                cancelled = false;
                taskInProgressPage.text = "Connecting...";
                taskInProgressPage.visible = true;
                taskInProgressPage.cancelButtonVisible = true;
            }
            onExited: {
                taskInProgressPage.visible = false;
                taskInProgressPage.cancelButtonVisible = false;
            }

            DSM.SignalTransition {
                targetState: connectionAttemptFailedPageOpen
                signal: _application.connectionAttemptFailed
                guard: !connectingPageOpen.cancelled
            }
            DSM.SignalTransition {
                targetState: downloadingConfigPageOpen
                signal: _application.connectionAttemptSuccessful
                guard: !connectingPageOpen.cancelled
            }
            DSM.SignalTransition {
                targetState: loginPageOpen
                signal: _application.connectionAttemptFailed
                guard: connectingPageOpen.cancelled
            }
            DSM.SignalTransition {
                targetState: loginPageOpen
                signal: _application.connectionAttemptSuccessful
                guard: connectingPageOpen.cancelled
            }
            DSM.SignalTransition {
                signal: taskInProgressPage.requestCancelSignal
                onTriggered: connectingPageOpen.cancelled = true
            }
        }

        DSM.State {
            id: connectionAttemptFailedPageOpen
            objectName: "connectionAttemptFailedPageOpen"
            onEntered: {
                taskFailurePage.headlineText = "Connection attempt failed";
                taskFailurePage.failureReasonText = _application.primaryUnit ? _application.primaryUnit.connectionFailureReason : "";
                taskFailurePage.visible = true;
            }
            onExited: taskFailurePage.visible = false

            DSM.SignalTransition {
                targetState: loginPageOpen
                signal: taskFailurePage.okClicked
            }
        }

        DSM.State {
            id: demoModeOpen
            objectName: "demoModeOpen"
            onEntered: {
                mainWindow.inDemoMode = true;
                _application.enterDemoMode(true);
                taskInProgressPage.text = "Loading Demo Mode";
                taskInProgressPage.visible = true;
                taskInProgressPage.progressBarVisible = false;
            }
            onExited: taskInProgressPage.visible = false

            DSM.SignalTransition {
                targetState: contentPageOpen
                signal: _application.loadDemoConfigSuccessful
            }
            DSM.SignalTransition {
                targetState: demoModeFailedToLoad
                signal: _application.loadDemoConfigFailed
            }
        }

        DSM.State {
            id: demoModeFailedToLoad
            objectName: "demoModeFailedToLoad"
            onEntered: {
                mainWindow.inDemoMode = false;
                taskFailurePage.headlineText = "Demo mode failed to load";
                taskFailurePage.failureReasonText = "";
                taskFailurePage.visible = true;
            }
            onExited: taskFailurePage.visible = false

            DSM.SignalTransition {
                targetState: loginPageOpen
                signal: taskFailurePage.okClicked
            }
        }

        DSM.State {
            id: downloadingConfigPageOpen
            objectName: "downloadingConfigPageOpen"
            onEntered: {
                taskInProgressPage.text = "Downloading data";
                taskInProgressPage.visible = true;
                taskInProgressPage.progress = Qt.binding(function() { return _application.downloadProgress; });
                taskInProgressPage.progressBarVisible = true;
                _application.downloadConfig();
            }
            onExited: {
                taskInProgressPage.visible = false;
                taskInProgressPage.progressBarVisible = false;
            }

            DSM.SignalTransition {
                targetState: downloadConfigFailedPageOpen
                signal: _application.downloadConfigFailed
            }
            DSM.SignalTransition {
                targetState: connectingToUnitsPageOpen
                signal: _application.downloadConfigSuccessful
                guard: !_application.currentConfig.configVersionIsNewer
            }
            DSM.SignalTransition {
                targetState: newerVersionPageOpen
                signal: _application.downloadConfigSuccessful
                guard: _application.currentConfig.configVersionIsNewer
            }
        }

        DSM.State {
            id: connectingToUnitsPageOpen
            objectName: "connectingToUnitsPageOpen"
            onEntered: {
                connectingToUnitsPage.visible = true;
                _application.currentConfig.setOnline();
            }
            onExited: {
                // A delay still running must not move a later visit of this page on.
                contentPageDelay.stop();
                connectingToUnitsPage.visible = false;
            }

            DSM.SignalTransition {
                targetState: contentPageOpen
                signal: _application.currentConfig.connectionInterface.allUnitsConnectedAndAuthenticatedChanged
                guard: _application.currentConfig.connectionInterface.allUnitsConnectedAndAuthenticated
            }
            DSM.SignalTransition {
                signal: _application.currentConfig.connectionInterface.someUnitsAuthenticationFailed
                onTriggered: connectingToUnitsPage.setAuthenticationFailure()
            }
            DSM.SignalTransition {
                targetState: loginPageOpen
                signal: connectingToUnitsPage.cancelPressed
            }
            DSM.SignalTransition {
                targetState: contentPageOpen
                signal: connectingToUnitsPage.continuePressed
                onTriggered: mainWindow.connectingToUnitsGuard = true
            }
            DSM.SignalTransition {
                signal: _application.currentConfig.connectionInterface.someUnitsConnectedAndAuthenticatedChanged
                guard: mainWindow.connectingToUnitsGuard
                onTriggered: contentPageDelay.start()
            }
            DSM.SignalTransition {
                targetState: contentPageOpen
                signal: contentPageDelay.triggered
            }
            DSM.SignalTransition {
                targetState: updatingConfigPageOpen
                signal: _application.configUpdated
            }
        }

        DSM.State {
            id: updatingConfigPageOpen
            objectName: "updatingConfigPageOpen"
            onEntered: {
                taskInProgressPage.text = "Downloading updated data";
                taskInProgressPage.progress = Qt.binding(function() { return _application.downloadProgress; });
                taskInProgressPage.progressBarVisible = true;
                taskInProgressPage.visible = true;
            }
            onExited: {
                taskInProgressPage.visible = false;
                taskInProgressPage.progressBarVisible = false;
            }

            DSM.SignalTransition {
                targetState: downloadConfigFailedPageOpen
                signal: _application.downloadConfigFailed
            }
            DSM.SignalTransition {
                targetState: connectingToUnitsPageOpen
                signal: _application.downloadConfigSuccessful
            }
        }

        DSM.State {
            id: downloadConfigFailedPageOpen
            objectName: "downloadConfigFailedPageOpen"
            onEntered: {
                taskFailurePage.headlineText = "Failed to download data";
                taskFailurePage.failureReasonText = _application.downloadConfigFailureReason;
                taskFailurePage.visible = true;
            }
            onExited: taskFailurePage.visible = false

            DSM.SignalTransition {
                targetState: loginPageOpen
                signal: taskFailurePage.okClicked
            }
        }

        DSM.State {
            id: contentPageOpen
            objectName: "contentPageOpen"
            initialState: contentKioskState

            onEntered: {
                contentPage.visible = true;
                contentPage.createContent();
            }
            onExited: {
                contentPage.visible = false;
                contentPage.destroyContent();
                if (mainWindow.inDemoMode) {
                    mainWindow.inDemoMode = false;
                    _application.enterDemoMode(false);
                }
            }

            KioskModePasswordState {
                id: contentKioskState
                platformName: mainWindow.platformName
                kioskModeCheckBoxItem: slideOutMenu.kioskModeCheckBox
                unlockPasswordDialogItem: unlockPasswordDialog
                slideOutMenuItem: slideOutMenu.panel
            }

            DSM.SignalTransition {
                targetState: loginPageOpen
                signal: slideOutMenu.panel.logoutClicked
            }
            DSM.SignalTransition {
                signal: unlockPasswordDialog.okClicked
                onTriggered: {
                    if (_application.checkUnlockPassword(unlockPasswordDialog.password)) {
                        unlockPasswordDialog.visible = false;
                        contentScope.focus = true;
                        _application.kioskMode = false;
                    } else {
                        unlockPasswordDialog.showPasswordFail();
                    }
                }
            }
            DSM.SignalTransition {
                signal: unlockPasswordDialog.cancelClicked
                onTriggered: {
                    unlockPasswordDialog.visible = false;
                    contentScope.focus = true;
                }
            }
            DSM.SignalTransition {
                targetState: updatingConfigPageOpen
                signal: _application.configUpdated
            }
            DSM.SignalTransition {
                targetState: connectingToUnitsPageOpen
                signal: contentPage.showConnectingToUnitsPage
                onTriggered: mainWindow.connectingToUnitsGuard = false
            }
        }

        DSM.State {
            id: newerVersionPageOpen
            objectName: "newerVersionPageOpen"
            onEntered: newerVersionPage.visible = true
            onExited: newerVersionPage.visible = false

            DSM.SignalTransition {
                targetState: connectingToUnitsPageOpen
                signal: newerVersionPage.okClickedSignal
            }
        }
    }
}
