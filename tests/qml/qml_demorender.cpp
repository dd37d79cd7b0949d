// The window with the real application object and its image provider, as the program starts it but
// without the network: demo mode needs no unit.

#include "Quendle/AppCommon/ImageProvider.h"
#include "Quendle/Runner/Application.h"
#include "tests/support/QuickTestMain.h"

#include <QQmlContext>
#include <QQmlEngine>

void RegisterQuickTestTypes(QQmlEngine* engine)
{
    // Goes with the engine, after every QML object.
    auto* application = new cApplication(cApplication::DesktopDevice, false, false, false);
    application->setParent(engine);
    QQmlEngine::setObjectOwnership(application, QQmlEngine::CppOwnership);
    engine->rootContext()->setContextProperty(QStringLiteral("_application"), application);
    engine->addImageProvider(QStringLiteral("imageProvider"), new cImageProvider(*application));
}
