import QtQuick 2.15

// A recolourable image drawn again with the widget's colour in place of the colour the configuration
// names for it, over the image it hides.
ShaderEffect {
    id: effect

    property Item image
    property Item sourceImage
    property variant source: ShaderEffectSource {
        sourceItem: effect.sourceImage
        hideSource: true
    }
    property color newColor: image.colour
    property color testColor: {
        image.imagePostfix; // asked again when the image itself changes
        var config = _application.currentConfig;
        return config ? config.getRecolourableColour(image.imageIdentifier) : "white";
    }
    property real range: 0.12

    objectName: "recolouredImage"
    anchors.fill: parent
    fragmentShader: "qrc:/Widgets/Recolour.frag"
}
