#include "Quendle/Runner/ApplicationMain.h"

#include "Quendle/AppCommon/ImageProvider.h"
#include "Quendle/Runner/Application.h"
#include "Quendle/Runner/ApplicationArguments.h"
#include "ZUNet/Core/Trace.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>

#include <memory>

namespace Quendle
{

int RunApplication(int& argc, char** argv, const QUrl& root)
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QGuiApplication guiApplication(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quendle Audio"));
    QCoreApplication::setApplicationName(QStringLiteral("Quendle App"));

    if (QFontDatabase::addApplicationFont(QStringLiteral("://lato")) == -1)
        ZU_ERR("Could not load font");
    const QFont font(QStringLiteral("Lato"), 8);
    QGuiApplication::setFont(font);

    const sKioskArguments kiosk = ParseKioskArguments(QCoreApplication::arguments().mid(1));

    int result = -1;
    cApplication application(cApplication::DesktopDevice, kiosk.mGiven, false, kiosk.mOn);
    auto engine = std::make_unique<QQmlApplicationEngine>();
    engine->rootContext()->setContextProperty(QStringLiteral("_application"), &application);
    engine->addImageProvider(QStringLiteral("imageProvider"), new cImageProvider(application));
    engine->load(root);
    if (!engine->rootObjects().isEmpty()) {
        application.StartZUNet();
        result = QGuiApplication::exec();
        engine->removeImageProvider(QStringLiteral("imageProvider"));
    }
    // Every QML object goes with the engine; the application object, going next, stops the network.
    engine.reset();
    return result;
}

} // namespace Quendle
