import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import QtQml.StateMachine 1.12 as DSM
import MainActivitySingleton 1.0
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
    // Without an automatic connection to make the machine opens on the login page: it shows with
    // the first frame, before the machine runs.
    readonly property bool startsOnLoginPage: !(_application.autoLogin && _application.hasAutoLoginUnit())

    // The pages made after the first frame (pagesPending until then), as the page machine uses them.
    readonly property Item windowPages: pagesLoader.item
    readonly property QtObject taskInProgressPage: windowPages ? windowPages.taskInProgressPage : pagesPending
    readonly property QtObject connectingToUnitsPage: windowPages ? windowPages.connectingToUnitsPage : pagesPending
    readonly property QtObject taskFailurePage: windowPages ? windowPages.taskFailurePage : pagesPending
    readonly property QtObject contentScope: windowPages ? windowPages.contentScope : pagesPending
    readonly property QtObject contentPage: windowPages ? windowPages.contentPage : pagesPending
    readonly property QtObject slideOutMenu: windowPages ? windowPages.slideOutMenu : pagesPending
    readonly property QtObject unlockPasswordDialog: windowPages ? windowPages.unlockPasswordDialog : pagesPending
    readonly property QtObject newerVersionPage: windowPages ? windowPages.newerVersionPage : pagesPending

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
    Component.onCompleted: {
        if (startsOnLoginPage) {
            presentLoginPage();
            loginPage.visible = true;
        }
    }

    // The overlay follows this, not the page's own visibility, which reads false while the overlay
    // holding it is hidden: bound to that, the page could never be shown.
    property bool aboutShown: false

    function showAboutPage(shown) {
        pagesNow().showAboutPage(shown);
    }

    // The pages at once: made now if they are still on their way.
    function pagesNow() {
        pagesLoader.asynchronous = false;
        return pagesLoader.item;
    }

    // The login page as the page machine shows it.
    function presentLoginPage() {
        if (_application.rememberLoginDetails) {
            loginPage.username = _application.username;
            if (_application.passwordStored)
                loginPage.password = "";
            loginPage.usingStoredPassword = _application.passwordStored;
        } else {
            loginPage.usingStoredPassword = false;
        }
    }

    onClosing: {
        if (_application.kioskMode || _application.isProDVX) {
            close.accepted = false;
            return;
        }
        if (windowPages)
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

    // Stands for the pages in the page machine's transitions until they are made; it never signals.
    QtObject {
        id: pagesPending
        readonly property bool visible: false
        readonly property QtObject panel: pagesPending
        readonly property QtObject kioskModeCheckBox: pagesPending
        signal clicked
        signal okClicked
        signal cancelClicked
        signal okClickedSignal
        signal requestCancelSignal
        signal cancelPressed
        signal continuePressed
        signal logoutClicked
        signal unlockClicked
        signal showConnectingToUnitsPage
    }

    // Every other page is made after the first frame, which then needs only the login page: its
    // types load on the loader thread meanwhile. A start that opens on another page waits for them.
    Loader {
        id: pagesLoader
        objectName: "pagesLoader"
        anchors.fill: parent
        asynchronous: mainWindow.startsOnLoginPage
        source: "qrc:/WindowPages.qml"
        // A Loader is a focus scope: as the window's own child the pages take the focus as the
        // login page's siblings, which they were.
        onLoaded: item.parent = mainWindow.contentItem
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

    DSM.StateMachine {
        id: stateMachine
        initialState: autoLoginCheck
        running: pagesLoader.status === Loader.Ready

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
                mainWindow.presentLoginPage();
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
