import QtQuick 2.15

Item {
    notAProperty: 1
}
