// The application base: stored window geometry and its fit to the screens, geometry tracking of the
// main window, the network's start and stop, the primary unit.

#include "Quendle/AppCommon/ConnectionUnit.h"
#include "Quendle/AppCommon/FoundUnitsManager.h"
#include "Quendle/Runner/ApplicationBase.h"
#include "ZUNet/Core/Syscall.h"

#include <QGuiApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include <limits>
#include <memory>

namespace
{

class cTestApplication : public cApplicationBase
{
public:
    explicit cTestApplication(bool withFinder = false)
    {
        if (withFinder)
            mFoundUnitsManager = new cFoundUnitsManager({ QStringLiteral("Vek Find") }, this);
    }
    void SetKiosk(bool on) { mKioskMode = on; }
    const cImageSource* CurrentImageSource() const override { return nullptr; }
    int mWindowStateCalls = 0;

protected:
    void ApplicationSetWindowStateSlot() override { ++mWindowStateCalls; }
};

using tRects = QVector<QRect>;

/// "SCG" as stored, any values: a QRect cannot hold all of them.
QByteArray Stored(qint32 x, qint32 y, qint32 w, qint32 h, qint32 state = 0)
{
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream << x << y << w << h << state;
    return data;
}

constexpr qint32 kMax = std::numeric_limits<qint32>::max();
constexpr qint32 kMin = std::numeric_limits<qint32>::min();

} // namespace

class tst_ApplicationBase : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void fitToScreens_data();
    void fitToScreens();
    void storedGeometry_data();
    void storedGeometry();
    void geometryWrittenAtExit();
    void burstOfMovesTakenOnce();
    void kioskRecordsNothing();
    void maximisedKeepsNormalGeometry();
    void lastChangeBeforeQuitKept();
    void windowGoneFirst();
    void networkStartAndStop();
    void stopWithoutStart();
    void primaryUnit();
    void constants();

private:
    QTemporaryDir mConfigHome;
};

void tst_ApplicationBase::initTestCase()
{
    // Before the first QSettings: the store goes into a folder of its own.
    QVERIFY(mConfigHome.isValid());
    qputenv("XDG_CONFIG_HOME", mConfigHome.path().toUtf8());
    QCoreApplication::setOrganizationName(QStringLiteral("QuendleTest"));
    QCoreApplication::setApplicationName(QStringLiteral("Quendle App"));
}

void tst_ApplicationBase::init()
{
    QSettings().clear();
}

void tst_ApplicationBase::fitToScreens_data()
{
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<tRects>("screens");
    QTest::addColumn<QRect>("primary");
    QTest::addColumn<QRect>("expected");

    const QRect hd(0, 0, 1920, 1080);
    QTest::newRow("top-left inside") << QRect(100, 100, 1024, 768) << tRects { hd } << hd << QRect(100, 100, 1024, 768);
    QTest::newRow("beyond the width") << QRect(3000, 100, 800, 600) << tRects { hd } << hd
                                      << QRect(1120, 100, 800, 600);
    QTest::newRow("negative and too large")
        << QRect(-50, -20, 4000, 3000) << tRects { hd } << hd << QRect(0, 0, 1920, 1080);
    QTest::newRow("top-right on a screen")
        << QRect(-100, 100, 800, 600) << tRects { hd } << hd << QRect(-100, 100, 800, 600);
    QTest::newRow("below the height") << QRect(10, 2000, 800, 600) << tRects { hd } << hd << QRect(10, 480, 800, 600);
    QTest::newRow("second screen holds it")
        << QRect(2000, 100, 800, 600) << tRects { hd, QRect(1920, 0, 1280, 1024) } << hd << QRect(2000, 100, 800, 600);
    // The primary's own origin is not used for the clamp.
    const QRect offset(1920, 0, 1280, 1024);
    QTest::newRow("primary not at the origin")
        << QRect(5000, 100, 800, 600) << tRects { offset } << offset << QRect(480, 100, 800, 600);
    // The right edge lies beyond what an int holds.
    const int far = cApplicationBase::kMaxWindowCoordinate;
    const int large = cApplicationBase::kMaxWindowSize;
    QTest::newRow("far right, largest size")
        << QRect(far, 100, large, 600) << tRects { hd } << hd << QRect(0, 100, 1920, 600);
}

void tst_ApplicationBase::fitToScreens()
{
    QFETCH(QRect, stored);
    QFETCH(tRects, screens);
    QFETCH(QRect, primary);
    QFETCH(QRect, expected);
    int x = stored.x(), y = stored.y(), w = stored.width(), h = stored.height();
    cApplicationBase::FitToScreens(x, y, w, h, screens, primary);
    QCOMPARE(QRect(x, y, w, h), expected);
}

void tst_ApplicationBase::storedGeometry_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<int>("state");

    const QRect defaults = cApplicationBase::DefaultGeometry();
    QTest::newRow("absent") << QByteArray() << defaults << 0;
    QTest::newRow("normal") << cApplicationBase::WriteGeometry(QRect(20, 30, 640, 480), 0) << QRect(20, 30, 640, 480)
                            << 0;
    QTest::newRow("maximised") << cApplicationBase::WriteGeometry(QRect(20, 30, 640, 480), 2) << QRect(20, 30, 640, 480)
                               << 2;
    QTest::newRow("minimised and maximised")
        << cApplicationBase::WriteGeometry(QRect(20, 30, 640, 480), 3) << QRect(20, 30, 640, 480) << 2;
    QTest::newRow("short") << cApplicationBase::WriteGeometry(QRect(20, 30, 640, 480), 0).left(12) << defaults << 0;
    QTest::newRow("state missing") << cApplicationBase::WriteGeometry(QRect(20, 30, 640, 480), 0).left(16) << defaults
                                   << 0;
    QTest::newRow("zero width") << cApplicationBase::WriteGeometry(QRect(20, 30, 0, 480), 0) << defaults << 0;
    QTest::newRow("negative height") << cApplicationBase::WriteGeometry(QRect(20, 30, 640, -5), 0) << defaults << 0;

    // Damaged: limited to the screen (offscreen: one of 800 x 600), with no sum overflowing on the way.
    QTest::newRow("largest size") << Stored(100, 100, kMax, kMax) << QRect(100, 100, 800, 600) << 0;
    QTest::newRow("largest place") << Stored(kMax, kMax, 640, 480) << QRect(160, 120, 640, 480) << 0;
    QTest::newRow("largest of all") << Stored(kMax, kMax, kMax, kMax) << QRect(0, 0, 800, 600) << 0;
    QTest::newRow("least place, largest size") << Stored(kMin, kMin, kMax, kMax) << QRect(0, 0, 800, 600) << 0;
    QTest::newRow("left of the screen, wide") << Stored(-100, 100, kMax, 480) << QRect(0, 100, 800, 480) << 0;
    QTest::newRow("larger than the screen") << Stored(0, 0, 1024, 768) << QRect(0, 0, 800, 600) << 0;
    QTest::newRow("unknown state bits") << Stored(20, 30, 640, 480, -1) << QRect(20, 30, 640, 480) << 6;
}

void tst_ApplicationBase::storedGeometry()
{
    QFETCH(QByteArray, stored);
    QFETCH(QRect, geometry);
    QFETCH(int, state);
    if (!stored.isNull())
        QSettings().setValue(cApplicationBase::GeometryKey(), stored);
    cTestApplication app;
    QCOMPARE(app.StoredGeometry(), geometry);
    QCOMPARE(app.PendingGeometry(), geometry);
    QCOMPARE(app.StoredWindowState(), state);
}

void tst_ApplicationBase::geometryWrittenAtExit()
{
    {
        cTestApplication app;
    }
    const QByteArray written = QSettings().value(cApplicationBase::GeometryKey()).toByteArray();
    QCOMPARE(written.toHex(),
        QByteArray("00000064000000640000040000000300"
                   "00000000"));
}

void tst_ApplicationBase::burstOfMovesTakenOnce()
{
    cTestApplication app;
    QWindow window;
    app.applicationWindowReady();
    QCOMPARE(app.MainWindow(), &window);
    QCOMPARE(window.geometry(), app.StoredGeometry());
    // A second call must not double the tracking.
    app.applicationWindowReady();

    QElapsedTimer clock;
    clock.start();
    for (int x = 110; x <= 150; x += 10) {
        window.setX(x);
        QTest::qWait(50);
    }
    window.resize(700, 500);
    QCOMPARE(app.StoredGeometry(), cApplicationBase::DefaultGeometry());
    QCOMPARE(app.PendingGeometry(), QRect(150, 100, 700, 500));
    QTRY_COMPARE(app.StoredGeometry(), QRect(150, 100, 700, 500));
    QVERIFY(clock.elapsed() >= 250 + cApplicationBase::kGeometryDelayMs - 50);
}

void tst_ApplicationBase::kioskRecordsNothing()
{
    cTestApplication app;
    QWindow window;
    app.applicationWindowReady();
    app.SetKiosk(true);
    window.setGeometry(0, 0, 300, 200);
    window.setWindowStates(Qt::WindowFullScreen);
    QTest::qWait(cApplicationBase::kGeometryDelayMs + 100);
    QCOMPARE(app.PendingGeometry(), cApplicationBase::DefaultGeometry());
    QCOMPARE(app.StoredGeometry(), cApplicationBase::DefaultGeometry());
    QCOMPARE(app.StoredWindowState(), 0);
}

void tst_ApplicationBase::maximisedKeepsNormalGeometry()
{
    cTestApplication app;
    QWindow window;
    app.applicationWindowReady();
    window.setWindowStates(Qt::WindowMaximized);
    QTRY_COMPARE(app.StoredWindowState(), int(Qt::WindowMaximized));
    window.setGeometry(0, 0, 800, 600);
    QTest::qWait(cApplicationBase::kGeometryDelayMs + 100);
    QCOMPARE(app.StoredGeometry(), cApplicationBase::DefaultGeometry());
    QCOMPARE(app.PendingGeometry(), cApplicationBase::DefaultGeometry());
}

void tst_ApplicationBase::lastChangeBeforeQuitKept()
{
    {
        cTestApplication app;
        QWindow window;
        app.applicationWindowReady();
        window.setGeometry(40, 50, 600, 400);
    }
    QRect geometry;
    int state = -1;
    QVERIFY(cApplicationBase::ReadGeometry(
        QSettings().value(cApplicationBase::GeometryKey()).toByteArray(), geometry, state));
    QCOMPARE(geometry, QRect(40, 50, 600, 400));
    QCOMPARE(state, 0);
}

void tst_ApplicationBase::windowGoneFirst()
{
    cTestApplication app;
    {
        QWindow window;
        app.applicationWindowReady();
        QCOMPARE(app.MainWindow(), &window);
    }
    QCOMPARE(app.MainWindow(), nullptr);
    app.SetMainWindowGeometry();
    QMetaObject::invokeMethod(&app, "WindowStateChanged", Q_ARG(Qt::WindowState, Qt::WindowMaximized));
    QCOMPARE(app.StoredWindowState(), 0);
}

void tst_ApplicationBase::networkStartAndStop()
{
    {
        cTestApplication app(true);
        QCOMPARE(gRegistryRouter, nullptr);
        app.StartZUNet();
        QVERIFY(app.ZUNetRunning());
        QVERIFY(gRegistryRouter != nullptr);
        QVERIFY(gSystemBuilder != nullptr);
        QVERIFY(app.foundUnitsManager()->UnitFinder() != nullptr);
        app.StartZUNet();
        QTest::qWait(100);
    }
    QCOMPARE(gRegistryRouter, nullptr);
    QCOMPARE(gSystemBuilder, nullptr);
}

void tst_ApplicationBase::stopWithoutStart()
{
    cTestApplication app;
    app.StopZUNet();
    QVERIFY(!app.ZUNetRunning());
    QCOMPARE(gRegistryRouter, nullptr);
}

void tst_ApplicationBase::primaryUnit()
{
    cTestApplication app;
    app.StartZUNet();
    QSignalSpy changed(&app, &cApplicationBase::primaryUnitChanged);
    QSignalSpy connected(&app, &cApplicationBase::primaryUnitConnectedChanged);

    app.disconnectAndRemovePrimaryUnit();
    QCOMPARE(changed.count(), 0);

    auto* unit = new cConnectionUnit(&app, QStringLiteral("10.77.0.9"), cConnectionUnit::UnknownType(), nullptr);
    QPointer<cConnectionUnit> watch(unit);
    app.SetPrimaryUnit(unit);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(app.primaryUnit(), unit);
    QCOMPARE(app.PrimaryUnit(), unit);
    unit->SetConnected(true);
    QCOMPARE(connected.count(), 1);

    app.SetPrimaryUnit(new cConnectionUnit(&app, QStringLiteral("10.77.0.8"), cConnectionUnit::UnknownType(), nullptr));
    QCOMPARE(changed.count(), 2);
    QVERIFY(watch.isNull());

    app.disconnectAndRemovePrimaryUnit();
    QCOMPARE(changed.count(), 3);
    QCOMPARE(app.primaryUnit(), nullptr);
    app.disconnectAndRemovePrimaryUnit();
    QCOMPARE(changed.count(), 3);
}

void tst_ApplicationBase::constants()
{
    cTestApplication app;
    QCOMPARE(app.property("version").toString(), QStringLiteral("1.3.1"));
    QCOMPARE(app.property("fullVersion").toString(), QStringLiteral("V1.3.1 - Rev. 76722"));
    QCOMPARE(app.fontCodeToName(QStringLiteral("nope")), QString());
    QCOMPARE(app.fontCodeToName(QStringLiteral("lato")), QStringLiteral("Lato"));
    QVERIFY(app.fontCodes().contains(QStringLiteral("lato")));
    QCOMPARE(cApplicationBase::GetHashedPassword(QString()), cApplicationBase::GetHashedBlankPassword());
}

QTEST_MAIN(tst_ApplicationBase)
#include "tst_applicationbase.moc"
