// The widget views and the content page with the widget layer's real registration and the view
// double of `_application` (tests/qml/ViewApplication.h).

#include "tests/qml/ViewApplication.h"
#include "tests/support/QuickTestMain.h"

void RegisterQuickTestTypes(QQmlEngine* engine)
{
    RegisterViewTestTypes(engine);
}
