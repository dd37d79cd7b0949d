import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import "qrc:/Common"
import "qrc:/EULAText.js" as EulaText
import "qrc:/EULATextMelvar.js" as EulaTextMelvar

PageBackground {
    id: eulaPage

    property bool portrait: height > width
    property real cornerRadius: 0
    // The first change of the at-end flag comes from the layout, not from the reader.
    property bool firstAtEndChangeSeen: false
    readonly property bool textFits: flickable.contentHeight <= flickable.height
    signal eulaAccepted

    MouseArea {
        anchors.fill: parent
    }

    Image {
        id: logo
        anchors.horizontalCenter: parent.horizontalCenter
        y: parent.height * 0.02
        width: 0.4 * Math.min(parent.width, parent.height)
        height: width / 3
        fillMode: Image.PreserveAspectFit
        source: _application.melvarBuild ? "qrc:/AppLogoMelvar" : "qrc:/AppLogoZU"
    }

    Text {
        id: title
        anchors.top: logo.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        text: "Licence Agreement"
        font.pointSize: 18
        color: Qt.rgba(0.8, 0.79, 0.79)
    }

    Rectangle {
        id: textBox
        anchors.top: title.bottom
        anchors.topMargin: parent.height * 0.01
        anchors.bottom: buttonArea.top
        anchors.bottomMargin: parent.height * 0.01
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width * 0.95
        color: Qt.rgba(1, 1, 1, 0.08)

        Flickable {
            id: flickable
            objectName: "eulaFlickable"
            anchors.fill: parent
            anchors.margins: textBox.height * 0.02
            clip: true
            maximumFlickVelocity: 5000
            contentHeight: eulaText.height
            ScrollBar.vertical: FadingScrollBar {
                objectName: "eulaScrollBar"
                view: flickable
                width: textBox.height * 0.02
                handleColour: Qt.rgba(0.8, 0.79, 0.79, 0.5)
            }
            onAtYEndChanged: {
                if (!eulaPage.firstAtEndChangeSeen) {
                    eulaPage.firstAtEndChangeSeen = true;
                    return;
                }
                if (atYEnd)
                    acceptButton.enabled = true;
            }
            Text {
                id: eulaText
                width: flickable.width
                wrapMode: Text.WordWrap
                textFormat: Text.RichText
                color: Qt.rgba(0.8, 0.79, 0.79)
                text: _application.melvarBuild ? EulaTextMelvar.eulaString : EulaText.eulaString
            }
        }
    }

    Text {
        objectName: "versionText"
        anchors.right: buttonArea.left
        anchors.verticalCenter: buttonArea.verticalCenter
        text: _application.versionString
        font.pointSize: 18
        color: Qt.rgba(0.8, 0.79, 0.79)
    }

    Item {
        id: buttonArea
        anchors.bottom: parent.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width * (eulaPage.portrait ? 0.5 : 0.25)
        height: parent.height * 0.15

        PageButton {
            id: acceptButton
            objectName: "acceptButton"
            anchors.right: parent.horizontalCenter
            anchors.verticalCenter: parent.verticalCenter
            width: parent.width * 0.4
            height: parent.height * 0.9
            // A text short enough to need no scrolling can be accepted at once.
            enabled: eulaPage.textFits
            text: "Accept"
            onClicked: eulaPage.eulaAccepted()
        }
        PageButton {
            objectName: "declineButton"
            anchors.left: parent.horizontalCenter
            anchors.verticalCenter: parent.verticalCenter
            width: parent.width * 0.4
            height: parent.height * 0.9
            visible: !_application.isProDVX
            text: "Decline"
            onClicked: Qt.quit()
        }
    }

    Text {
        objectName: "privacyLink"
        anchors.left: parent.left
        anchors.bottom: parent.bottom
        anchors.margins: parent.height * 0.01
        visible: !_application.isProDVX
        text: "<u>Privacy</u>"
        color: Qt.rgba(0.8, 0.79, 0.79)
        MouseArea {
            anchors.fill: parent
            onClicked: Qt.openUrlExternally(_application.privacyURL)
        }
    }
}
