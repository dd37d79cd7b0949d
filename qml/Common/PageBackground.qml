import QtQuick 2.15

// The gradient every page is drawn on.
Rectangle {
    gradient: Gradient {
        GradientStop { position: 0; color: Qt.rgba(0, 0.02, 0.03, 1) }
        GradientStop { position: 1; color: Qt.rgba(0.07, 0.13, 0.15, 1) }
    }
}
