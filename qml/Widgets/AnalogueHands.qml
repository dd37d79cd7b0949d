import QtQuick 2.15

// The marks and hands of an analogue clock view, over its face.
Canvas {
    id: hands

    property Item clock
    readonly property date time: clock.now

    objectName: "hands"
    anchors.fill: parent

    // Nothing is painted for a view that does not show.
    function repaint() {
        if (visible)
            requestPaint();
    }

    onAvailableChanged: repaint()
    onTimeChanged: repaint()
    onWidthChanged: repaint()
    onHeightChanged: repaint()
    onVisibleChanged: repaint()

    // A stroke along the radius at the angle (clockwise from twelve), from one distance from the
    // centre to another.
    function stroke(ctx, angle, from, to, lineWidth) {
        ctx.save();
        ctx.rotate(angle);
        ctx.lineWidth = lineWidth;
        ctx.beginPath();
        ctx.moveTo(0, -from);
        ctx.lineTo(0, -to);
        ctx.stroke();
        ctx.restore();
    }

    onPaint: {
        var ctx = getContext("2d");
        ctx.reset();
        var r = Math.min(width, height) / 2 - clock.borderWidth;
        if (r <= 0)
            return;
        ctx.translate(width / 2, height / 2);
        ctx.strokeStyle = clock.colour;
        ctx.lineCap = "round";
        for (var i = 0; i < 12; ++i)
            stroke(ctx, i * Math.PI / 6, 0.82 * r, 0.95 * r, r * (i % 3 === 0 ? 0.05 : 0.025));
        var h = time.getHours() % 12, m = time.getMinutes(), s = time.getSeconds();
        stroke(ctx, (h + m / 60) * Math.PI / 6, -0.05 * r, 0.5 * r, 0.07 * r);
        stroke(ctx, (m + s / 60) * Math.PI / 30, -0.05 * r, 0.75 * r, 0.045 * r);
        if (clock.showSecondHand)
            stroke(ctx, s * Math.PI / 30, -0.1 * r, 0.85 * r, 0.02 * r);
    }
}
