import QtQuick 2.15

// Three orange balls that swell and shrink in turn while the icon is visible: a connection is being
// tried.
Item {
    id: connectingIcon

    property real ballWidth: width / 4
    property int transitionDuration: 250

    implicitWidth: 40
    implicitHeight: 40

    Repeater {
        model: 3

        delegate: Rectangle {
            id: ball

            // Ball 1 leads, ball 2 follows half a step later, ball 3 a whole step later; every
            // cycle lasts four steps.
            readonly property int leadIn: index * connectingIcon.transitionDuration / 2
            property real diameter: 0

            x: connectingIcon.width * (2 * index + 1) / 6 - diameter / 2
            y: (connectingIcon.height - diameter) / 2
            width: diameter
            height: diameter
            radius: diameter / 2
            color: "orange"

            SequentialAnimation on diameter {
                running: connectingIcon.visible
                loops: Animation.Infinite

                PauseAnimation {
                    duration: ball.leadIn
                }
                NumberAnimation {
                    from: 0
                    to: connectingIcon.ballWidth
                    duration: connectingIcon.transitionDuration
                    easing.type: Easing.OutQuad
                }
                PauseAnimation {
                    duration: connectingIcon.transitionDuration
                }
                NumberAnimation {
                    from: connectingIcon.ballWidth
                    to: 0
                    duration: connectingIcon.transitionDuration
                }
                PauseAnimation {
                    duration: connectingIcon.transitionDuration - ball.leadIn
                }
            }
        }
    }
}
