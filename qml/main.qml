import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Window 2.15

ApplicationWindow {
    id: mainWindow

    minimumWidth: 320
    minimumHeight: 240
    visible: true
    title: _application.melvarBuild ? qsTr("Ostrel") : qsTr("Quendle App")

    Component.onCompleted: _application.applicationWindowReady()

    Rectangle {
        anchors.fill: parent
        gradient: Gradient {
            GradientStop { position: 0; color: Qt.rgba(0, 0.02, 0.03, 1) }
            GradientStop { position: 1; color: Qt.rgba(0.07, 0.13, 0.15, 1) }
        }
    }
}
