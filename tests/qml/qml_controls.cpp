// The control views with their widgets' drivers registered (a registry router, never started), so
// that a widget is not disabled and its view takes the presses meant for it.

#include "tests/qml/ViewApplication.h"
#include "tests/support/Connections.h"
#include "tests/support/QuickTestMain.h"

#include <QQmlEngine>

void RegisterQuickTestTypes(QQmlEngine* engine)
{
    // Made before the first widget; gone after the last, which goes with the engine's application.
    auto* network = new cLocalNetwork(false);
    RegisterViewTestTypes(engine);
    QObject::connect(engine, &QObject::destroyed, [network] { delete network; });
}
