import QtQuick 2.15
import QtQuick.Controls 2.15

ScrollView {
    id: scrollView

    component RunnerScrollBar: ScrollBar {
        interactive: true
        policy: ScrollBar.AsNeeded
        contentItem: Rectangle {
            radius: 3
            color: parent.pressed ? "#CCCCCC" : "#5A5A5A"
        }
        background: Rectangle {
            color: Qt.rgba(0, 0, 0, 0.5)
        }
    }

    clip: true

    ScrollBar.vertical: RunnerScrollBar {
        parent: scrollView
        x: scrollView.width - width
        height: scrollView.height
        width: 12
    }
    ScrollBar.horizontal: RunnerScrollBar {
        parent: scrollView
        y: scrollView.height - height
        width: scrollView.width
        height: 12
    }
}
