import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15
import "qrc:/Common/Platform.js" as Platform
import "qrc:/Common/OFLText.js" as OFLText

Rectangle {
    id: aboutRectangle

    property color textColour: "#B3B3B3"
    property color buttonTextColour: "#FFFFFF"
    property real cornerRadius: 0
    property bool editor: false
    property string platformName: Qt.platform.os
    readonly property bool desktop: Platform.isDesktop(platformName)
    // The licence is long rich text: it is laid out the first time the page shows, not while the
    // page waits hidden in the window at start.
    property bool licenceWanted: false
    readonly property string productTitle: editor ? (_application.melvarBuild ? "Wendrel" : "Quendle Editor")
                                                  : (_application.melvarBuild ? "Ostrel" : "Quendle App")

    function scaled(size) {
        return desktop && !editor ? Math.max(1, size * height / 800) : size;
    }

    color: "#333333"

    Component.onCompleted: licenceWanted = licenceWanted || visible
    onVisibleChanged: licenceWanted = licenceWanted || visible

    Rectangle {
        objectName: "pageGradient"
        anchors.fill: parent
        visible: !aboutRectangle.editor
        gradient: Gradient {
            GradientStop { position: 0; color: Qt.rgba(0, 0.02, 0.03, 1) }
            GradientStop { position: 1; color: Qt.rgba(0.07, 0.13, 0.15, 1) }
        }
    }

    Column {
        id: header
        width: parent.width
        Item { width: 1; height: title.height / 4 }
        Text {
            id: title
            objectName: "aboutTitle"
            anchors.horizontalCenter: parent.horizontalCenter
            text: "About"
            font.pointSize: aboutRectangle.scaled(25)
            color: aboutRectangle.textColour
        }
        Item { width: 1; height: title.height / 4 }
        Text {
            objectName: "versionLine"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: aboutRectangle.productTitle + " " + _application.fullVersion
            font.pointSize: aboutRectangle.scaled(25)
            color: aboutRectangle.textColour
        }
        Item { width: 1; height: title.height / 4 }
        Text {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: "\u00A9 Quendle Audio\nAll rights reserved"
            font.pointSize: aboutRectangle.scaled(15)
            color: aboutRectangle.textColour
        }
        Item { width: 1; height: title.height / 4 }
    }

    Flickable {
        id: licences
        objectName: "licenceFlickable"
        anchors.top: header.bottom
        anchors.bottom: closeButton.top
        anchors.bottomMargin: closeButton.height / 2
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width * 0.9
        clip: true
        maximumFlickVelocity: 5000
        contentHeight: licenceText.height
        ScrollBar.vertical: FadingScrollBar {
            objectName: "licenceScrollBar"
            view: licences
            width: 0.02 * Math.min(licences.width, licences.height)
            handleColour: Qt.rgba(0.2, 0.27, 0.31, 0.5)
        }
        Text {
            id: licenceText
            objectName: "licenceText"
            width: licences.width
            wrapMode: Text.WordWrap
            textFormat: Text.RichText
            font.pointSize: aboutRectangle.scaled(12)
            color: aboutRectangle.textColour
            text: !aboutRectangle.licenceWanted ? "" : "<p>Lato, copyright (c) 2010-2014 by tyPoland Lukasz Dziedzic (team@latofonts.com) with Reserved Font Name \"Lato\".</p>"
                  + "<p>This Font Software is licensed under the SIL Open Font License, Version 1.1, "
                  + "whose text follows.</p>" + OFLText.licenceString
        }
    }

    Rectangle {
        id: closeButton
        objectName: "closeButton"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: height / 2
        width: aboutRectangle.desktop ? 100 : height * 3
        height: aboutRectangle.desktop ? 33 : Math.min(0.1 * aboutRectangle.height, 10 * Screen.pixelDensity)
        color: "transparent"
        border.width: 1
        border.color: Qt.rgba(1, 1, 1, closeArea.pressed ? 0.2 : 1)
        Text {
            anchors.centerIn: parent
            text: "Close"
            font.pointSize: aboutRectangle.editor ? 12 : 15
            color: aboutRectangle.buttonTextColour
        }
        MouseArea {
            id: closeArea
            anchors.fill: parent
            onClicked: aboutRectangle.visible = false
        }
    }
}
