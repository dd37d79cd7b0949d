#include "Quendle/Runner/ApplicationMain.h"

#include "Quendle/AppCommon/ImageProvider.h"
#include "Quendle/Runner/Application.h"
#include "Quendle/Runner/ApplicationArguments.h"
#include "ZUNet/Core/Trace.h"

#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QTimeZone>
#include <QTimer>

#include <memory>

namespace Quendle
{

namespace
{

/// A window that never draws (never exposed) still gets its network this long after the start.
constexpr int kNetworkStartLatestMs = 1000;

/// Starts the network once the window's first frame is on the screen: discovery and the network's
/// threads then take nothing from that frame. Without a window, at once.
void StartNetworkAfterFirstFrame(cApplication& application, QObject* root)
{
    auto* window = qobject_cast<QQuickWindow*>(root);
    if (!window) {
        application.StartZUNet();
        return;
    }
    auto firstFrame = std::make_shared<QMetaObject::Connection>();
    auto start = [&application, firstFrame] {
        QObject::disconnect(*firstFrame);
        application.StartZUNet();
    };
    // The frame may be swapped on the render thread: the start is queued to this one.
    *firstFrame = QObject::connect(window, &QQuickWindow::frameSwapped, &application, start, Qt::QueuedConnection);
    QTimer::singleShot(kNetworkStartLatestMs, &application, start);
}

} // namespace

void NameLocalTimeZone()
{
    if (qEnvironmentVariableIsSet("TZ"))
        return;
    const QByteArray zone = QTimeZone::systemTimeZoneId();
    const QString zoneFile = QStringLiteral("/usr/share/zoneinfo/") + QString::fromLatin1(zone);
    const QFileInfo localTime(QStringLiteral("/etc/localtime"));
    // Only where the local-time file links to the zone of that name: both then read one file.
    const bool sameZone = localTime.isSymLink()
        && QFileInfo(localTime.symLinkTarget()).canonicalFilePath() == QFileInfo(zoneFile).canonicalFilePath();
    if (!zone.isEmpty() && sameZone)
        qputenv("TZ", zone);
}

int RunApplication(int& argc, char** argv, const QUrl& root)
{
    NameLocalTimeZone();
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
        StartNetworkAfterFirstFrame(application, engine->rootObjects().constFirst());
        result = QGuiApplication::exec();
        engine->removeImageProvider(QStringLiteral("imageProvider"));
    }
    // Every QML object goes with the engine; the application object, going next, stops the network.
    engine.reset();
    return result;
}

} // namespace Quendle
