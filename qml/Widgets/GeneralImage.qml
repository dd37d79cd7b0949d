import QtQuick 2.15
import "qrc:/WidgetBase"

// An image of the configuration, tinted with the widget's colour when the configuration calls it
// recolourable.
WidgetBase {
    id: generalImage

    objectName: "generalImage"
    defaultWidthFraction: 0.2
    defaultHeightFraction: 0.2

    readonly property string imageIdentifier: cppWidget ? cppWidget.imageIdentifier : "_default"
    readonly property color colour: cppWidget ? cppWidget.colour : "#D7D6D5"
    readonly property real imageOpacity: cppWidget ? cppWidget.opacity : 1
    // Grows by one ":" whenever the image behind the id changes, so the provider is asked again.
    property string imagePostfix: ""
    readonly property bool recolourable: {
        imagePostfix; // re-asked when the image itself changes
        var config = _application.currentConfig;
        return config ? config.isImageRecolourable(imageIdentifier) : false;
    }

    Connections {
        target: generalImage.cppWidget
        ignoreUnknownSignals: true

        function onImageChanged() {
            generalImage.imagePostfix += ":";
        }
    }

    Item {
        parent: generalImage.contentPositioner
        anchors.fill: parent
        opacity: generalImage.imageOpacity

        Image {
            id: image

            objectName: "image"
            anchors.fill: parent
            source: "image://imageProvider/" + generalImage.imageIdentifier + generalImage.imagePostfix
            sourceSize: Qt.size(100, 100)
            fillMode: Image.Stretch
            smooth: true

            // Rendered small at first and again at the item's size a random moment later, so that
            // a page of many images does not render them all at once.
            onWidthChanged: resizeTimer.restart()
            onHeightChanged: resizeTimer.restart()

            Timer {
                id: resizeTimer

                interval: 1000 * Math.random()
                onTriggered: {
                    if (image.width > 0 && image.height > 0)
                        image.sourceSize = Qt.size(image.width, image.height);
                }
            }
        }

        ShaderEffect {
            objectName: "recolouredImage"
            anchors.fill: parent
            visible: generalImage.recolourable
            property variant source: ShaderEffectSource {
                sourceItem: image
                hideSource: generalImage.recolourable
            }
            property color newColor: generalImage.colour
            property color testColor: {
                generalImage.imagePostfix;
                var config = _application.currentConfig;
                return config ? config.getRecolourableColour(generalImage.imageIdentifier) : "white";
            }
            property real range: 0.12
            fragmentShader: "qrc:/Widgets/Recolour.frag"
        }
    }
}
