import QtQuick 2.15
import QtQuick.Controls 2.15
import "qrc:/Common"
import "qrc:/Common/Platform.js" as Platform

PageBackground {
    id: connectingPage

    property QtObject connectionInterface: null
    property string platformName: Qt.platform.os
    readonly property bool onDevice: !Platform.isDesktop(platformName)
    readonly property int numGaps: failureLine.visible ? 5 : 4
    readonly property real spareSpace: height - title.height - (failureLine.visible ? failureLine.height : 0) - buttons.height
    readonly property real minGapSpace: Math.min(0.02 * height, 0.5 * textMetrics.height) * numGaps
    readonly property real connectingUnitListHeight: Math.max(0, Math.min(spareSpace - minGapSpace, 20 * textMetrics.height))
    readonly property real gap: (spareSpace - connectingUnitListHeight) / numGaps
    signal cancelPressed
    signal continuePressed

    function setAuthenticationFailure() {
        cancelButton.text = "Ok";
        failureLine.visible = true;
    }

    onVisibleChanged: if (visible) cancelButton.text = "Cancel"
    focus: visible
    Keys.onReleased: {
        if (event.key === Qt.Key_Back) {
            event.accepted = true;
            cancelPressed();
        }
    }

    TextMetrics {
        id: textMetrics
        font.pointSize: 16
        text: "Cancel"
    }

    MouseArea {
        anchors.fill: parent
    }

    Column {
        anchors.centerIn: parent
        width: parent.width

        Item { width: 1; height: connectingPage.gap }
        Text {
            id: title
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Connecting to units"
            color: "#B2B2B2"
            font.pointSize: connectingPage.onDevice ? 20 : 16
        }
        Item { width: 1; height: connectingPage.gap }
        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            width: connectingPage.width * 0.75
            height: connectingPage.connectingUnitListHeight
            color: Qt.rgba(0, 0, 0, 0.2)
            radius: 5

            RunnerScrollView {
                anchors.fill: parent
                Column {
                    spacing: 0.4 * textMetrics.height
                    Repeater {
                        model: connectingPage.connectionInterface ? connectingPage.connectionInterface.units : null
                        Row {
                            readonly property var unit: model.qtObject !== undefined ? model.qtObject : modelData
                            spacing: connectingPage.width * 0.1
                            Text {
                                text: parent.unit.nameOrIpAddressProperty.stringValue
                                textFormat: Text.PlainText
                                color: "#B2B2B2"
                                font.pointSize: 16
                                elide: Text.ElideRight
                                width: Math.min(implicitWidth + 5, connectingPage.width * 0.75 * 0.75)
                            }
                            Item {
                                objectName: "unitMark"
                                width: textMetrics.height
                                height: textMetrics.height
                                ConnectingIcon {
                                    anchors.fill: parent
                                    visible: !parent.parent.unit.connected
                                }
                                Rectangle {
                                    anchors.centerIn: parent
                                    width: parent.height / 2
                                    height: width
                                    radius: width / 2
                                    color: "blue"
                                    visible: parent.parent.unit.connected && !parent.parent.unit.authenticated
                                             && !parent.parent.unit.authenticationFailed
                                }
                                Image {
                                    anchors.fill: parent
                                    source: "qrc:/Images/GreenTick.svg"
                                    visible: parent.parent.unit.connected && parent.parent.unit.authenticated
                                }
                                Image {
                                    anchors.fill: parent
                                    source: "qrc:/Images/RedCross.svg"
                                    visible: parent.parent.unit.authenticationFailed
                                }
                            }
                        }
                    }
                }
            }
        }
        Item { width: 1; height: connectingPage.gap }
        Text {
            id: failureLine
            objectName: "failureLine"
            anchors.horizontalCenter: parent.horizontalCenter
            visible: false
            text: "Cannot authenticate to all units"
            color: "red"
            font.pointSize: 16
        }
        Item { width: 1; height: connectingPage.gap; visible: failureLine.visible }
        Row {
            id: buttons
            anchors.horizontalCenter: parent.horizontalCenter
            spacing: 10
            PageButton {
                id: cancelButton
                objectName: "cancelButton"
                height: connectingPage.height * 0.05
                width: height * 3
                text: "Cancel"
                pointSize: connectingPage.onDevice ? 20 : 16
                onClicked: connectingPage.cancelPressed()
            }
            PageButton {
                objectName: "ignoreButton"
                height: connectingPage.height * 0.05
                width: height * 3
                text: "Ignore"
                pointSize: connectingPage.onDevice ? 20 : 16
                onClicked: connectingPage.continuePressed()
            }
        }
        Item { width: 1; height: connectingPage.gap }
    }
}
