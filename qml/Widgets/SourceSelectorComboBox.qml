import QtQuick 2.15
import QtQuick.Controls 2.15

// The sources as a drop-down list; choosing one emits `sourceSelected`.
Item {
    id: comboBoxItem

    property QtObject sourceInfoList: null
    property int currentSourceIndex: -1
    property string fontFamily: "Lato"
    property bool showIndicator: true
    property bool useSourceColour: true
    property bool arrowsAlignLeft: false
    property color backgroundColour: "#ffffff"
    property color delegateBgColour: "#ffffff"
    property color borderColour: "black"
    property color textColour: "#0f0f0f"
    property real cornerRadius: 0
    property int arrowStyle: 0
    property string imageArrowSource: arrowStyle === 2 ? "" : "image://imageProvider/default_source_sel_arrow_c_0"
    property string imageBackgroundSource: ""
    property bool useCustomBackground: false
    property string imageDelegateSource: ""
    property bool useDelegateImage: false
    readonly property real smaller: Math.min(width, height)
    readonly property int count: sourceInfoList ? sourceInfoList.count : 0
    // A current index the list does not have shows nothing.
    readonly property QtObject currentSource: currentSourceIndex >= 0 && currentSourceIndex < count
                                              ? sourceInfoList.get(currentSourceIndex) : null

    signal sourceSelected(int index)

    Rectangle {
        anchors.fill: parent
        color: comboBoxItem.backgroundColour
        radius: comboBoxItem.cornerRadius * width
    }

    Loader {
        anchors.fill: parent
        active: comboBoxItem.useCustomBackground
        sourceComponent: Image {
            source: comboBoxItem.imageBackgroundSource
            sourceSize: Qt.size(100, 100)
        }
    }

    ComboBox {
        id: comboBox

        objectName: "comboBox"
        anchors.fill: parent
        model: comboBoxItem.sourceInfoList
        textRole: "sourceName"
        currentIndex: comboBoxItem.currentSource ? comboBoxItem.currentSourceIndex : -1

        onActivated: comboBoxItem.sourceSelected(index)

        background: Rectangle {
            color: "transparent"
            radius: comboBoxItem.cornerRadius * width
        }

        indicator: Item {
            x: comboBoxItem.arrowsAlignLeft ? comboBox.width * 0.04 : comboBoxItem.width * 0.86
            width: comboBoxItem.showIndicator ? comboBoxItem.width * 0.1 : 0
            height: comboBoxItem.height

            Rectangle {
                anchors.centerIn: parent
                width: parent.width
                height: Math.min(parent.width * 2, parent.height * 0.7)
                visible: comboBoxItem.arrowStyle === 1
                color: "lightgrey"
            }
            Image {
                anchors.centerIn: parent
                width: parent.width
                height: Math.min(parent.width * 2, parent.height * 0.7)
                fillMode: Image.PreserveAspectFit
                sourceSize: Qt.size(100, 100)
                source: comboBoxItem.imageArrowSource
            }
        }

        contentItem: Rectangle {
            objectName: "currentSource"
            color: "transparent"
            radius: comboBoxItem.cornerRadius * width
            border.width: comboBoxItem.smaller * 0.04
            border.color: comboBoxItem.useSourceColour && comboBoxItem.currentSource
                          ? comboBoxItem.currentSource.sourceColour : comboBoxItem.borderColour

            Text {
                objectName: "currentSourceName"
                anchors.centerIn: parent
                width: parent.width * 0.9
                height: parent.height * 0.9
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                fontSizeMode: Text.Fit
                font.family: comboBoxItem.fontFamily
                font.pixelSize: Math.max(1, Math.min(width, height) * 0.4)
                color: comboBoxItem.textColour
                text: comboBoxItem.currentSource ? comboBoxItem.currentSource.sourceName : ""
            }
        }

        popup.background: Item {}

        delegate: ItemDelegate {
            width: comboBox.width
            height: comboBox.height

            background: Rectangle {
                color: comboBoxItem.delegateBgColour
                border.width: comboBoxItem.smaller * 0.04
                border.color: comboBoxItem.useSourceColour && model.qtObject
                              ? Qt.darker(model.qtObject.sourceColour, 1.2) : comboBoxItem.borderColour

                Image {
                    anchors.fill: parent
                    visible: comboBoxItem.useDelegateImage
                    source: comboBoxItem.useDelegateImage ? comboBoxItem.imageDelegateSource : ""
                    sourceSize: Qt.size(100, 100)
                }
            }
            contentItem: Text {
                horizontalAlignment: Text.AlignHCenter
                verticalAlignment: Text.AlignVCenter
                fontSizeMode: Text.Fit
                font.family: comboBoxItem.fontFamily
                font.pixelSize: Math.max(1, Math.min(width, height) * 0.4)
                color: comboBoxItem.textColour
                text: model.qtObject ? model.qtObject.sourceName : ""
            }
        }
    }
}
