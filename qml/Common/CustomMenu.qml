import QtQuick 2.15
import QtQuick.Controls 2.15

// A menu of the window's menu bar, as wide as its widest item: the items' texts are never cut.
Menu {
    id: menu

    width: {
        var widest = implicitBackgroundWidth;
        for (var i = 0; i < count; ++i) {
            var item = itemAt(i);
            if (item)
                widest = Math.max(widest, item.implicitWidth);
        }
        return widest + leftPadding + rightPadding + leftInset + rightInset;
    }
}
