// The button views with the widget layer's real registration, the view double of `_application`
// and a local registry, so that the buttons' drivers register as in the runner.

#include "tests/qml/ViewApplication.h"
#include "tests/support/Connections.h"
#include "tests/support/QuickTestMain.h"

void RegisterQuickTestTypes(QQmlEngine* engine)
{
    // Kept to the end of the process: the widgets' drivers unregister from it as they go.
    static cLocalNetwork* network = new cLocalNetwork(false);
    (void)network;
    RegisterViewTestTypes(engine);
}
