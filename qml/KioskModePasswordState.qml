import QtQuick 2.15
import QtQml.StateMachine 1.12 as DSM

// Setting and checking the kiosk unlock password; only Android leaves the idle state.
DSM.State {
    id: kioskState

    property var kioskModeCheckBoxItem
    property var unlockPasswordDialogItem
    property var slideOutMenuItem
    property string platformName: Qt.platform.os

    initialState: idleState

    DSM.State {
        id: idleState
        objectName: "idleState"

        DSM.SignalTransition {
            targetState: enterNewUnlockPasswordState
            signal: kioskState.kioskModeCheckBoxItem.clicked
            guard: kioskState.platformName === "android"
        }
        DSM.SignalTransition {
            targetState: checkUnlockPasswordState
            signal: kioskState.slideOutMenuItem.unlockClicked
            guard: kioskState.platformName === "android"
        }
    }

    DSM.State {
        id: enterNewUnlockPasswordState
        onEntered: kioskState.unlockPasswordDialogItem.settingPassword(true)
        onExited: kioskState.unlockPasswordDialogItem.visible = false

        DSM.SignalTransition {
            targetState: idleState
            signal: kioskState.unlockPasswordDialogItem.okClicked
            onTriggered: {
                _application.setUnlockPassword(kioskState.unlockPasswordDialogItem.password);
                _application.kioskMode = true;
            }
        }
        DSM.SignalTransition {
            targetState: idleState
            signal: kioskState.unlockPasswordDialogItem.cancelClicked
            onTriggered: {
                _application.kioskMode = false;
                kioskState.kioskModeCheckBoxItem.checked = false;
            }
        }
    }

    DSM.State {
        id: checkUnlockPasswordState
        signal passwordOk
        onEntered: kioskState.unlockPasswordDialogItem.settingPassword(false)
        onExited: kioskState.unlockPasswordDialogItem.visible = false

        DSM.SignalTransition {
            signal: kioskState.unlockPasswordDialogItem.okClicked
            onTriggered: {
                if (_application.checkUnlockPassword(kioskState.unlockPasswordDialogItem.password))
                    checkUnlockPasswordState.passwordOk();
                else
                    kioskState.unlockPasswordDialogItem.showPasswordFail();
            }
        }
        DSM.SignalTransition {
            targetState: idleState
            signal: checkUnlockPasswordState.passwordOk
            onTriggered: {
                _application.kioskMode = false;
                kioskState.kioskModeCheckBoxItem.checked = false;
            }
        }
        DSM.SignalTransition {
            targetState: idleState
            signal: kioskState.unlockPasswordDialogItem.cancelClicked
            onTriggered: {
                _application.kioskMode = true;
                kioskState.kioskModeCheckBoxItem.checked = true;
            }
        }
    }
}
