import QtQuick 2.15
import "qrc:/WidgetBase"

// A source selector: the unit's sources as a swipe box (confirmed with a button) or a combo box; the
// choice is written to the widget's `currentSourceIndex`, which sends it to the unit.
WidgetBase {
    id: selector

    objectName: "zuNetSourceSel"
    defaultWidthFraction: 0.4
    defaultHeightFraction: 0.1

    readonly property bool isSwipeBox: cppWidget ? cppWidget.isSwipeBox : true
    readonly property string imageBackgroundIdentifier: cppWidget ? cppWidget.imageBackgroundIdentifier
                                                                  : "default_source_selector_background_0"
    readonly property string imageDelegateIdentifier: cppWidget ? cppWidget.imageDelegateIdentifier
                                                                : "default_source_selector_background_0"
    readonly property bool useCustomBackground: cppWidget ? cppWidget.useCustomBackground : false
    readonly property bool useDelegateImage: cppWidget ? cppWidget.useDelegateImage : false
    readonly property int arrowStyle: cppWidget ? cppWidget.arrowStyleComboIndex : 0
    readonly property int okButtonStyle: cppWidget ? cppWidget.okButtonStyleComboIndex : 0
    property string imageBackgroundIdentifierPostFix: ""
    property string imageDelegateIdentifierPostFix: ""
    readonly property string fontFamily: WidgetFonts.family(cppWidget ? cppWidget.textFont : "lato")

    Connections {
        target: selector.cppWidget
        ignoreUnknownSignals: true

        function onImageBackgroundChanged() {
            selector.imageBackgroundIdentifierPostFix += ":";
        }
        function onImageDelegateChanged() {
            selector.imageDelegateIdentifierPostFix += ":";
        }
    }

    Loader {
        id: swipeBox

        objectName: "swipeBoxLoader"
        x: selector.contentX
        y: selector.contentY
        width: selector.contentWidth
        height: selector.contentHeight
        active: selector.isSwipeBox
        sourceComponent: SourceSelectorSwipeBox {
            sourceInfoList: selector.cppWidget ? selector.cppWidget.sourceInfoList : null
            currentSourceIndex: selector.cppWidget ? selector.cppWidget.currentSourceIndex : -1
            fontFamily: selector.fontFamily
            useSourceColour: selector.cppWidget ? selector.cppWidget.useSourceColour : false
            backgroundColour: selector.cppWidget ? selector.cppWidget.backgroundColour : "lightgrey"
            textColour: selector.cppWidget ? selector.cppWidget.textColour : "darkgrey"
            borderColour: selector.cppWidget ? selector.cppWidget.borderColour : "black"
            cornerRadius: selector.cppWidget ? selector.cppWidget.cornerRadius : 0
            arrowStyle: selector.arrowStyle
            okButtonStyle: selector.okButtonStyle
            imageBackgroundSource: "image://imageProvider/" + selector.imageBackgroundIdentifier
                                   + selector.imageBackgroundIdentifierPostFix
            useCustomBackground: selector.useCustomBackground
            hasWidget: selector.cppWidget !== null
            confirmationText: selector.cppWidget ? selector.cppWidget.confirmationText : "OK"
            onOkClicked: if (selector.cppWidget) selector.cppWidget.currentSourceIndex = index
        }
    }

    Loader {
        id: comboBox

        objectName: "comboBoxLoader"
        x: selector.contentX
        y: selector.contentY
        width: selector.contentWidth
        height: selector.contentHeight
        active: !selector.isSwipeBox
        sourceComponent: SourceSelectorComboBox {
            sourceInfoList: selector.cppWidget ? selector.cppWidget.sourceInfoList : null
            currentSourceIndex: selector.cppWidget ? selector.cppWidget.currentSourceIndex : -1
            fontFamily: selector.fontFamily
            arrowsAlignLeft: selector.cppWidget ? selector.cppWidget.arrowsAlignLeft : false
            backgroundColour: selector.cppWidget ? selector.cppWidget.backgroundColour : "lightgrey"
            delegateBgColour: selector.cppWidget ? selector.cppWidget.delegateBgColour : "lightgrey"
            useSourceColour: selector.cppWidget ? selector.cppWidget.useSourceColour : true
            borderColour: selector.cppWidget ? selector.cppWidget.borderColour : "black"
            textColour: selector.cppWidget ? selector.cppWidget.textColour : "darkgrey"
            cornerRadius: selector.cppWidget ? selector.cppWidget.cornerRadius : 0
            arrowStyle: selector.arrowStyle
            imageBackgroundSource: "image://imageProvider/" + selector.imageBackgroundIdentifier
                                   + selector.imageBackgroundIdentifierPostFix
            useCustomBackground: selector.useCustomBackground
            imageDelegateSource: "image://imageProvider/" + selector.imageDelegateIdentifier
                                 + selector.imageDelegateIdentifierPostFix
            useDelegateImage: selector.useDelegateImage
            onSourceSelected: if (selector.cppWidget) selector.cppWidget.currentSourceIndex = index
        }
    }
}
