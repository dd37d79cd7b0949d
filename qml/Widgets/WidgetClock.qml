pragma Singleton
import QtQuick 2.15

// The one clock of every date-and-time view: it ticks four times a second, so a shown second never
// lags by more than a quarter, and only while there are views.
QtObject {
    id: clock

    property date now: new Date()
    // The time hidden clocks hold: they show nothing and follow no tick.
    readonly property date started: new Date()
    property int views: 0

    // The first view after a pause gets the time of now, not of the last tick.
    function add() {
        if (views++ === 0)
            now = new Date();
    }

    function remove() {
        --views;
    }

    property Timer tick: Timer {
        interval: 250
        repeat: true
        running: clock.views > 0
        onTriggered: clock.now = new Date()
    }
}
