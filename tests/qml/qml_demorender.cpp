// The window with the real application object and its image provider, as the program starts it but
// without the network: demo mode needs no unit. Layout files of the tests can be read into its
// configuration as a download would fill it.

#include "Quendle/AppCommon/ImageProvider.h"
#include "Quendle/Runner/Application.h"
#include "tests/support/QuickTestMain.h"

#include <QFile>
#include <QQmlContext>
#include <QQmlEngine>

namespace
{

class cLayoutFiles : public QObject
{
    Q_OBJECT
public:
    cLayoutFiles(cApplication& application, QObject* parent)
        : QObject(parent)
        , mApplication(application)
    {
    }
    /// A file under tests/, read into the configuration in place of what it holds.
    Q_INVOKABLE bool read(const QString& pathInTests)
    {
        QFile file(qEnvironmentVariable("ZUNET_TEST_DATA") + QStringLiteral("/../") + pathInTests);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        mApplication.currentConfig()->Reset(true);
        return mApplication.currentConfig()->ReadXml(file);
    }

private:
    cApplication& mApplication;
};

} // namespace

void RegisterQuickTestTypes(QQmlEngine* engine)
{
    // Goes with the engine, after every QML object.
    auto* application = new cApplication(cApplication::DesktopDevice, false, false, false);
    application->setParent(engine);
    QQmlEngine::setObjectOwnership(application, QQmlEngine::CppOwnership);
    engine->rootContext()->setContextProperty(QStringLiteral("_application"), application);
    engine->addImageProvider(QStringLiteral("imageProvider"), new cImageProvider(*application));
    engine->rootContext()->setContextProperty(
        QStringLiteral("_layoutFiles"), new cLayoutFiles(*application, application));
}

#include "qml_demorender.moc"
