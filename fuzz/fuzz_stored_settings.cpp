// The runner's settings file as another program or a failing disk may leave it: any text in place of
// the file, read by the real application object as at every start (window geometry, flags, names),
// its geometry applied to the main window and stored again at exit. Whatever the text: the window
// lies within bounds and no larger than the screens, a flag is on only where "true" is stored, a
// name is never longer than a stored name may be, and the geometry stored at exit reads back as it
// was applied.
#include "Quendle/AppCommon/FoundUnitsManager.h"
#include "Quendle/AppCommon/StoredSettings.h"
#include "Quendle/Runner/Application.h"
#include "ZUNet/Core/Trace.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QWindow>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{

void Discard(const char*, std::size_t, void*) { }

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

struct sWorld {
    QString mPath;
    QWindow* mWindow = nullptr;
    qint64 mWrites = 0;
};

sWorld& World()
{
    static sWorld* world = [] {
        static int argc = 1;
        static char name[] = "fuzz_stored_settings";
        static char* argv[] = { name, nullptr };
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
        SetTraceSink(&Discard, nullptr);
        static QTemporaryDir home;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
        QCoreApplication::setOrganizationName(QStringLiteral("Quendle Audio"));
        QCoreApplication::setApplicationName(QStringLiteral("Quendle App"));
        auto* created = new sWorld;
        created->mPath = QSettings().fileName();
        QDir().mkpath(QFileInfo(created->mPath).path());
        // The one top-level window: the application takes it for its main window.
        created->mWindow = new QWindow;
        return created;
    }();
    return *world;
}

/// Whether the file holds "true" for `key`, as the settings store reads it.
bool StoredTrue(const QString& key)
{
    const QVariant value = QSettings().value(key);
    return value.type() == QVariant::Bool
        ? value.toBool()
        : value.type() == QVariant::String && value.toString() == QLatin1String("true");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    sWorld& world = World();
    {
        QFile file(world.mPath);
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(reinterpret_cast<const char*>(data), qint64(size));
        // The store reads the file again only when its time or size changed.
        file.setFileTime(QDateTime::fromMSecsSinceEpoch(++world.mWrites * 1000), QFileDevice::FileModificationTime);
    }

    QRect applied;
    {
        cApplication application(cApplication::DesktopDevice, false, false, false);
        Check(application.kioskMode() == StoredTrue(cApplication::KioskModeKey()));
        Check(application.autoLogin() == StoredTrue(cApplication::AutoLoginKey()));
        Check(application.eulaAccepted() == StoredTrue(cApplication::EulaAcceptedKey()));
        Check(application.username().size() <= Quendle::kMaxStoredNameLength);
        Check(application.foundUnitsManager()->LastUnitName().size() <= Quendle::kMaxStoredNameLength);

        const QRect geometry = application.StoredGeometry();
        const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
        Check(geometry.width() > 0 && geometry.height() > 0);
        Check(geometry.width() <= qMax(screen.width(), cApplicationBase::DefaultGeometry().width()));
        Check(geometry.height() <= qMax(screen.height(), cApplicationBase::DefaultGeometry().height()));
        Check(qAbs(geometry.x()) <= cApplicationBase::kMaxWindowCoordinate);
        Check(qAbs(geometry.y()) <= cApplicationBase::kMaxWindowCoordinate);
        Check(application.PendingGeometry() == geometry);
        Check((application.StoredWindowState() & ~int(Qt::WindowMaximized | Qt::WindowFullScreen)) == 0);

        application.applicationWindowReady();
        Check(application.MainWindow() == world.mWindow);
        Check(world.mWindow->geometry() == geometry);
    }
    // Stored at exit as the window has it: the next start reads the same.
    applied = world.mWindow->geometry();
    QRect stored;
    int state = 0;
    Check(cApplicationBase::ReadGeometry(
        QSettings().value(cApplicationBase::GeometryKey()).toByteArray(), stored, state));
    Check(stored == applied);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
