// The window's page machine driven from outside: the real registration of the application's QML
// types, and a fake "_application" that logs every call the pages make.

#include "Quendle/Runner/ApplicationQml.h"
#include "tests/qml/FakeApplication.h"
#include "tests/support/QuickTestMain.h"

#include <QQmlContext>
#include <QQmlEngine>

void RegisterQuickTestTypes(QQmlEngine* engine)
{
    Quendle::RegisterApplicationQmlTypes();
    static cFakeApplication application;
    engine->rootContext()->setContextProperty(QStringLiteral("_application"), &application);
}
