import QtQuick 2.15
import "qrc:/WidgetBase"

// A tab container: a row of tab buttons at the top or the bottom and one page per tab, of which only
// the current tab's shows. The content page puts each child's view into getContainer(location).
WidgetBase {
    id: tabContainer

    objectName: "tabContainer"
    defaultWidthFraction: 0.4
    defaultHeightFraction: 0.4

    readonly property var tabModel: cppWidget ? cppWidget.tabs : null
    readonly property int tabCount: tabModel ? tabModel.count : 0
    readonly property int currentTab: cppWidget ? cppWidget.currentTabIndex : 0
    readonly property bool tabsAtBottom: cppWidget ? cppWidget.tabPosition === "bottom" : false
    readonly property string onColour: cppWidget ? cppWidget.tabOnColour : "white"
    readonly property string offColour: cppWidget ? cppWidget.tabOffColour : "darkgrey"
    readonly property string onImage: cppWidget ? cppWidget.imageOnIdentifier : "_basic"
    readonly property string offImage: cppWidget ? cppWidget.imageOffIdentifier : "_basic"
    readonly property string fontFamily: cppWidget ? fontLoader.name : ""

    WidgetFont {
        id: fontLoader

        code: tabContainer.cppWidget ? tabContainer.cppWidget.textFont : "lato"
    }

    // The page that holds the children at a location; a hidden item for a location with no tab.
    function getContainer(location) {
        var page = location >= 0 && location < pages.count ? pages.itemAt(location) : null;
        return page ? page : unplaced;
    }

    Item {
        id: drawing

        x: tabContainer.contentX
        y: tabContainer.contentY
        width: tabContainer.contentWidth
        height: tabContainer.contentHeight

        // Buttons placed by index rather than by a Row: a Row lays out only at the next polish.
        Item {
            id: tabBar

            objectName: "tabBar"
            y: tabContainer.tabsAtBottom ? drawing.height - height : 0
            width: drawing.width
            height: drawing.height * 0.1

            Repeater {
                model: tabContainer.tabModel

                delegate: Rectangle {
                    id: tabButton

                    readonly property bool selected: index === tabContainer.currentTab
                    readonly property string imageId: selected ? tabContainer.onImage : tabContainer.offImage

                    objectName: "tabButton" + index
                    x: index * width
                    width: tabBar.width / Math.max(1, tabContainer.tabCount)
                    height: tabBar.height
                    color: selected ? tabContainer.onColour : tabContainer.offColour
                    border.color: "black"
                    border.width: 1

                    Image {
                        anchors.fill: parent
                        visible: tabButton.imageId !== "_basic"
                        source: visible ? "image://imageProvider/" + tabButton.imageId : ""
                        fillMode: Image.Stretch
                    }

                    Text {
                        objectName: "tabCaption"
                        anchors.fill: parent
                        text: model.tabName
                        textFormat: Text.PlainText
                        font.family: tabContainer.fontFamily
                        font.pixelSize: Math.max(1, parent.height * 0.5)
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                        elide: Text.ElideRight
                    }

                    MouseArea {
                        anchors.fill: parent
                        onClicked: tabContainer.cppWidget.currentTabIndex = index
                    }
                }
            }
        }

        Item {
            id: pageArea

            objectName: "pageArea"
            y: tabContainer.tabsAtBottom ? 0 : tabBar.height
            width: drawing.width
            height: drawing.height - tabBar.height

            Repeater {
                id: pages

                model: tabContainer.tabModel

                delegate: Item {
                    id: page

                    objectName: "tabPage" + index
                    width: pageArea.width
                    height: pageArea.height
                    visible: index === tabContainer.currentTab

                    Component.onCompleted: model.qtObject.addLinkedContainerQuickItem(page, tabContainer.editor)
                }
            }

            Item {
                id: unplaced

                objectName: "unplaced"
                visible: false
            }
        }
    }
}
