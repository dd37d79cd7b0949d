import QtQuick 2.15
import QtQuick.Window 2.15
import "qrc:/WidgetBase/OnDemand.js" as OnDemand

// An image of the configuration or of the built-in set, tinted with `colour` where the configuration
// calls the id recolourable. Drawn small at first and again at its size a random moment later, so
// that a page of many images does not render them all at once. Never rendered larger than the
// window: a widget many pages wide would otherwise render (and hold) an image of its whole size.
Item {
    id: recolourableImage

    property string imageIdentifier: "_default"
    property color colour: "#D7D6D5"
    // Grows by one ":" whenever the image behind the id changes, so the provider is asked again.
    property string imagePostfix: ""
    readonly property bool recolourable: {
        imagePostfix; // re-asked when the image itself changes
        var config = _application.currentConfig;
        return config ? config.isImageRecolourable(imageIdentifier) : false;
    }

    // Made only for a recolourable image: an effect and its layer cost each image view, drawn or not.
    property Item recolouring: null

    onRecolourableChanged: recolouring = OnDemand.follow(recolouring, recolourable, "qrc:/Widgets/Recolouring.qml",
                                                         recolourableImage, { "image": recolourableImage, "sourceImage": image })

    // For the widget's signal that the image behind its id changed.
    function reload() {
        imagePostfix += ":";
    }

    Image {
        id: image

        objectName: "image"
        anchors.fill: parent
        source: "image://imageProvider/" + recolourableImage.imageIdentifier + recolourableImage.imagePostfix
        sourceSize: Qt.size(100, 100)
        fillMode: Image.Stretch
        smooth: true

        onWidthChanged: resizeTimer.restart()
        onHeightChanged: resizeTimer.restart()

        Timer {
            id: resizeTimer

            interval: 1000 * Math.random()
            onTriggered: {
                var window = image.Window;
                if (image.width > 0 && image.height > 0 && window.width > 0 && window.height > 0)
                    image.sourceSize = Qt.size(Math.min(image.width, window.width),
                                               Math.min(image.height, window.height));
            }
        }
    }
}
