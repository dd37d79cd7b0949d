// The rendering test needs nothing registered: it draws plain Qt Quick items.

#include "tests/support/QuickTestMain.h"

void RegisterQuickTestTypes(QQmlEngine*) { }
