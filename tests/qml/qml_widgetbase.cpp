// The widget base item needs nothing registered: its tests give it plain QML objects as widgets.

#include "tests/support/QuickTestMain.h"

void RegisterQuickTestTypes(QQmlEngine*) { }
