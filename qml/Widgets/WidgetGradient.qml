import QtQuick 2.15

// The two-colour gradient of a rectangle view, along or across it.
Gradient {
    property Item view

    orientation: view.gradientTopToBottom ? Gradient.Vertical : Gradient.Horizontal

    GradientStop {
        position: 0
        color: view.gradientColourStart
    }

    GradientStop {
        position: 1
        color: view.gradientColourEnd
    }
}
