import QtQuick 2.15

// The sources in a horizontal strip, one at a time, with previous and next arrows and a confirm
// button. A choice not confirmed within `acceptInterval` (10 s) returns to the current source.
Item {
    id: swipeBox

    property QtObject sourceInfoList: null
    property int currentSourceIndex: -1
    property string fontFamily: "Lato"
    property string confirmationText: "OK"
    property bool setIndexFirst: true
    readonly property real animationMultiplier: itemListView.width > 350 ? 1.5 : 3
    property bool useSourceColour: false
    property color backgroundColour: "lightgrey"
    property color textColour: "#0f0f0f"
    property color borderColour: "black"
    property real cornerRadius: 0
    property int arrowStyle: 0
    property int okButtonStyle: 0
    property string imageBackgroundSource: ""
    property bool useCustomBackground: false
    property bool hasWidget: false
    property alias acceptInterval: acceptTimer.interval
    readonly property int shownIndex: itemListView.currentIndex
    readonly property real smaller: Math.min(width, height)
    readonly property QtObject shownSource: sourceInfoList && shownIndex >= 0 && shownIndex < itemListView.count
                                            ? sourceInfoList.get(shownIndex) : null

    signal okClicked(int index)

    function showCurrent() {
        // A current index the list does not have shows nothing.
        var index = currentSourceIndex < itemListView.count ? currentSourceIndex : -1;
        if (setIndexFirst && index >= 0) {
            itemListView.positionViewAtIndex(index, ListView.Center);
            setIndexFirst = false;
        }
        if (itemListView.currentIndex !== index)
            itemListView.currentIndex = index;
    }

    onCurrentSourceIndexChanged: showCurrent()
    Component.onCompleted: showCurrent()

    Rectangle {
        anchors.fill: parent
        color: swipeBox.backgroundColour
        radius: swipeBox.cornerRadius * width
    }

    Loader {
        anchors.fill: parent
        active: swipeBox.useCustomBackground
        sourceComponent: Image {
            source: swipeBox.imageBackgroundSource
            sourceSize: Qt.size(100, 100)
        }
    }

    ListView {
        id: itemListView

        objectName: "itemListView"
        width: parent.width * 0.8
        height: parent.height
        orientation: ListView.Horizontal
        snapMode: ListView.SnapOneItem
        highlightRangeMode: ListView.StrictlyEnforceRange
        spacing: parent.width * 0.01
        clip: true
        highlightMoveDuration: 500
        cacheBuffer: 0
        model: swipeBox.sourceInfoList

        onCountChanged: swipeBox.showCurrent()
        onMovementStarted: acceptTimer.restart()

        delegate: Item {
            width: itemListView.width
            height: itemListView.height

            Text {
                anchors.centerIn: parent
                width: parent.width * 0.9
                height: parent.height * 0.9
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                fontSizeMode: Text.Fit
                font.family: swipeBox.fontFamily
                font.pixelSize: Math.max(1, Math.min(width, height) * 0.4)
                color: swipeBox.textColour
                text: model.qtObject ? model.qtObject.sourceName : ""
            }
        }
    }

    Repeater {
        model: [{ "name": "previousButton", "step": -1 }, { "name": "nextButton", "step": 1 }]

        delegate: MouseArea {
            objectName: modelData.name
            x: modelData.step < 0 ? 0 : itemListView.width - width
            width: itemListView.width * 0.25
            height: swipeBox.height

            onClicked: {
                acceptTimer.restart();
                if (modelData.step < 0)
                    itemListView.decrementCurrentIndex();
                else
                    itemListView.incrementCurrentIndex();
            }

            Rectangle {
                x: parent.width * (modelData.step < 0 ? 0.15 : 0.55)
                y: parent.height * 0.25
                width: parent.width * 0.3
                height: parent.height * 0.5
                color: swipeBox.arrowStyle === 1 ? "lightgrey" : "transparent"
            }
            Image {
                anchors.fill: parent
                fillMode: Image.PreserveAspectFit
                sourceSize: Qt.size(100, 100)
                source: swipeBox.arrowStyle === 2 ? ""
                        : "image://imageProvider/default_source_sel_arrow_" + (modelData.step < 0 ? "l" : "r") + "_0"
            }
        }
    }

    MouseArea {
        id: okButton

        readonly property bool canConfirm: itemListView.currentIndex >= 0
                                           && itemListView.currentIndex !== swipeBox.currentSourceIndex

        objectName: "okButton"
        x: swipeBox.width * 0.8
        width: swipeBox.width * 0.2
        height: swipeBox.height
        enabled: canConfirm

        onClicked: {
            acceptTimer.stop();
            swipeBox.okClicked(itemListView.currentIndex);
        }

        Rectangle {
            x: parent.width * 0.25
            y: parent.height * 0.25
            width: parent.width * 0.5
            height: parent.height * 0.5
            color: swipeBox.okButtonStyle === 1 ? "lightgrey" : "transparent"
        }
        Text {
            anchors.centerIn: parent
            width: parent.width * 0.9
            height: parent.height * 0.9
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
            fontSizeMode: Text.Fit
            visible: swipeBox.okButtonStyle !== 2
            opacity: okButton.canConfirm ? 1 : 0.5
            font.family: swipeBox.fontFamily
            font.pixelSize: Math.max(1, Math.min(width, height) * 0.3)
            color: swipeBox.textColour
            text: swipeBox.confirmationText
        }
    }

    Rectangle {
        x: itemListView.width
        y: (swipeBox.height - height) / 2
        width: Math.max(1, swipeBox.smaller * 0.02)
        height: Math.max(0, itemListView.height - swipeBox.smaller * 0.04)
        color: swipeBox.useSourceColour ? "black" : swipeBox.borderColour
    }

    Rectangle {
        objectName: "border"
        anchors.fill: parent
        radius: swipeBox.cornerRadius * width
        color: swipeBox.hasWidget ? "transparent" : "white"
        border.width: swipeBox.smaller * 0.04
        border.color: swipeBox.useSourceColour && swipeBox.shownSource ? swipeBox.shownSource.sourceColour
                                                                       : swipeBox.borderColour
    }

    Timer {
        id: acceptTimer

        objectName: "acceptTimer"
        interval: 10000
        onTriggered: {
            swipeBox.setIndexFirst = false;
            swipeBox.showCurrent();
        }
    }
}
