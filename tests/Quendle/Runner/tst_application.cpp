// The application object's own state: login settings, kiosk mode and the window's presentation,
// the kiosk unlock password, the panel PC flags and pausing.

#include "Quendle/AppCommon/ConnectionUnit.h"
#include "Quendle/AppCommon/FoundUnitsManager.h"
#include "Quendle/AppCommon/QmlUnit.h"
#include "Quendle/AppCommon/StoredSettings.h"
#include "Quendle/Runner/Application.h"
#include "Quendle/Runner/PlatformShell.h"
#include "Quendle/Runner/WidgetFactory.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include <memory>

namespace
{

class cRecordingShell : public cPlatformShell
{
public:
    void SetPresentationOptions(unsigned options) override { mOptions.append(options); }
    QString BundleDir() const override { return QStringLiteral("/"); }
    QList<unsigned> mOptions;
};

/// Every notify signal of the application object, in the order they came.
class cSignalLog : public QObject
{
public:
    explicit cSignalLog(cApplication& app)
    {
        const QMetaObject* meta = app.metaObject();
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() != QMetaMethod::Signal)
                continue;
            auto* spy = new QSignalSpy(&app, ("2" + method.methodSignature()).constData());
            mSpies.emplace_back(spy);
            mNames.append(QString::fromLatin1(method.name()));
        }
    }
    QStringList Fired() const
    {
        QStringList fired;
        for (size_t i = 0; i < mSpies.size(); ++i) {
            if (mSpies[i]->count() > 0)
                fired.append(mNames[int(i)]);
        }
        return fired;
    }

private:
    std::vector<std::unique_ptr<QSignalSpy>> mSpies;
    QStringList mNames;
};

} // namespace

class tst_Application : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void defaults();
    void kioskWordStoredSilently();
    void loginSettings_data();
    void loginSettings();
    void damagedFlags_data();
    void damagedFlags();
    void damagedNames_data();
    void damagedNames();
    void unlockPassword();
    void kioskPresentation();
    void kioskBeforeWindow();
    void leavingKioskWhileMaximised();
    void panelPC();
    void pauseAndResume();
    void failureReasons_data();
    void failureReasons();
    void downloadWithoutPrimaryUnit_data();
    void downloadWithoutPrimaryUnit();
    void progressThinned();
    void demoMode();
    void failedDemoLeavesLiveWidgets();
    void qmlFileForType();
    void typedAddressOfAFoundUnit();
    void metaTypesAndQmlNames();

private:
    QTemporaryDir mConfigHome;
    cRecordingShell mShell;
};

void tst_Application::initTestCase()
{
    QVERIFY(mConfigHome.isValid());
    qputenv("XDG_CONFIG_HOME", mConfigHome.path().toUtf8());
    QCoreApplication::setOrganizationName(QStringLiteral("QuendleTest"));
    QCoreApplication::setApplicationName(QStringLiteral("Quendle App"));
    cPlatformShell::SetInstance(&mShell);
}

void tst_Application::init()
{
    QSettings().clear();
    mShell.mOptions.clear();
}

void tst_Application::cleanup()
{
    QSettings().clear();
}

void tst_Application::defaults()
{
    cApplication app(cApplication::DesktopDevice, false, false, false);
    QCOMPARE(app.rememberLoginDetails(), true);
    QCOMPARE(app.eulaAccepted(), false);
    QCOMPARE(app.autoLogin(), false);
    QCOMPARE(app.kioskMode(), false);
    QCOMPARE(app.username(), QString());
    QCOMPARE(app.passwordStored(), false);
    QCOMPARE(app.isDesktop(), true);
    QCOMPARE(app.proDVXPIN(), QStringLiteral("5307"));
    QCOMPARE(app.versionString(), QStringLiteral("V1.3.1"));
    QVERIFY(app.privacyURL().startsWith(QLatin1String("https://")));
    QVERIFY(app.privacyURL().endsWith(QLatin1String("/company/privacy-statement/")));
    QCOMPARE(app.foundUnitsManager()->FinderNames(),
        QStringList({ QStringLiteral("Vek Find"), QStringLiteral("Frell Find"), QStringLiteral("Vespril Find") }));
    QVERIFY(!QSettings().contains(cApplication::KioskModeKey()));
}

void tst_Application::kioskWordStoredSilently()
{
    cApplication on(cApplication::DesktopDevice, true, false, true);
    QCOMPARE(on.kioskMode(), true);
    QCOMPARE(QSettings().value(cApplication::KioskModeKey()).toBool(), true);
    cApplication later(cApplication::DesktopDevice, false, false, false);
    QCOMPARE(later.kioskMode(), true);
    cApplication off(cApplication::DesktopDevice, true, false, false);
    QCOMPARE(off.kioskMode(), false);
    QCOMPARE(QSettings().value(cApplication::KioskModeKey()).toBool(), false);
}

void tst_Application::loginSettings_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QStringList>("signals");
    QTest::addColumn<QString>("storedUser");
    QTest::addColumn<bool>("storedHashEmpty");

    QTest::newRow("same user") << "user"
                               << "bob" << QStringList() << "bob" << false;
    QTest::newRow("other user") << "user"
                                << "amy" << QStringList { "usernameChanged", "passwordStoredChanged" } << "amy" << true;
    QTest::newRow("remember off") << "remember"
                                  << "false"
                                  << QStringList { "usernameChanged", "passwordStoredChanged",
                                         "rememberLoginDetailsChanged" }
                                  << "" << true;
    QTest::newRow("remember on unchanged") << "remember"
                                           << "true" << QStringList() << "bob" << false;
    QTest::newRow("same password") << "password"
                                   << "secret" << QStringList() << "bob" << false;
    // Stored only once a sign-in with it succeeds: a wrong one never replaces one that works.
    QTest::newRow("new password waits for a sign-in") << "password"
                                                      << "other" << QStringList() << "bob" << false;
    QTest::newRow("licence unchanged") << "eula"
                                       << "false" << QStringList() << "bob" << false;
    QTest::newRow("auto login on") << "auto"
                                   << "true" << QStringList { "autoLoginChanged" } << "bob" << false;
}

void tst_Application::loginSettings()
{
    QFETCH(QString, call);
    QFETCH(QString, argument);
    QFETCH(QStringList, signals);
    QFETCH(QString, storedUser);
    QFETCH(bool, storedHashEmpty);

    const QString hash = QString::fromStdString(cApplication::GetHashedPassword(QStringLiteral("secret")));
    {
        QSettings settings;
        settings.setValue(cApplication::RememberLoginDetailsKey(), true);
        settings.setValue(cApplication::UsernameKey(), QStringLiteral("bob"));
        settings.setValue(cApplication::HashedPasswordKey(), hash);
    }
    cApplication app(cApplication::DesktopDevice, false, false, false);
    QCOMPARE(app.username(), QStringLiteral("bob"));
    QCOMPARE(app.passwordStored(), true);
    cSignalLog log(app);

    if (call == "user")
        app.setUsername(argument);
    else if (call == "remember")
        app.setRememberLoginDetails(argument == "true");
    else if (call == "password")
        app.setPassword(argument);
    else if (call == "eula")
        app.setEulaAccepted(argument == "true");
    else if (call == "auto")
        app.setAutoLogin(argument == "true");

    QStringList fired = log.Fired();
    fired.sort();
    signals.sort();
    QCOMPARE(fired, signals);
    QSettings settings;
    QCOMPARE(settings.value(cApplication::UsernameKey()).toString(), storedUser);
    QCOMPARE(settings.value(cApplication::HashedPasswordKey()).toString().isEmpty(), storedHashEmpty);
    if (call == "eula")
        QVERIFY(!settings.contains(cApplication::EulaAcceptedKey()));
    if (call == "password") {
        QCOMPARE(settings.value(cApplication::HashedPasswordKey()).toString(), hash);
        QCOMPARE(QString::fromStdString(app.HashedPassword()), hash);
    }
}

void tst_Application::damagedFlags_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("read");

    const struct {
        QString mKey;
        const char* mProperty;
        bool mDefault;
    } flags[] = {
        { cApplication::RememberLoginDetailsKey(), "rememberLoginDetails", true },
        { cApplication::EulaAcceptedKey(), "eulaAccepted", false },
        { cApplication::AutoLoginKey(), "autoLogin", false },
        { cApplication::KioskModeKey(), "kioskMode", false },
    };
    for (const auto& flag : flags) {
        const QByteArray key = flag.mKey.toUtf8();
        QTest::newRow(key + " true") << flag.mKey << QByteArray(flag.mProperty) << QVariant(true) << true;
        QTest::newRow(key + " false") << flag.mKey << QByteArray(flag.mProperty) << QVariant(false) << false;
        QTest::newRow(key + " \"true\"") << flag.mKey << QByteArray(flag.mProperty) << QVariant("true") << true;
        // Damaged: read as not stored.
        for (const char* damaged : { "maybe", "-1", "1", "", "TRUE", "true " })
            QTest::newRow(key + " \"" + damaged + "\"")
                << flag.mKey << QByteArray(flag.mProperty) << QVariant(QString::fromLatin1(damaged)) << flag.mDefault;
        QTest::newRow(key + " list") << flag.mKey << QByteArray(flag.mProperty)
                                     << QVariant(QStringList { "true", "true" }) << flag.mDefault;
    }
}

void tst_Application::damagedFlags()
{
    QFETCH(QString, key);
    QFETCH(QByteArray, property);
    QFETCH(QVariant, stored);
    QFETCH(bool, read);
    QSettings().setValue(key, stored);
    cApplication app(cApplication::DesktopDevice, false, false, false);
    QCOMPARE(app.property(property.constData()).toBool(), read);
}

void tst_Application::damagedNames_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("read");

    const QString longest(Quendle::kMaxStoredNameLength, QLatin1Char('n'));
    QTest::newRow("name") << QVariant(QStringLiteral("Alice")) << QStringLiteral("Alice");
    QTest::newRow("longest") << QVariant(longest) << longest;
    QTest::newRow("too long") << QVariant(longest + QLatin1Char('n')) << QString();
    QTest::newRow("megabyte") << QVariant(QString(1 << 20, QLatin1Char('n'))) << QString();
    QTest::newRow("list") << QVariant(QStringList { "Alice", "Bob" }) << QString();
    QTest::newRow("bytes") << QVariant(QByteArray("Alice")) << QString();
}

void tst_Application::damagedNames()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, read);
    QSettings().setValue(cApplication::UsernameKey(), stored);
    QSettings().setValue(cFoundUnitsManager::LastUnitNameKey(), stored);
    cApplication app(cApplication::DesktopDevice, false, false, false);
    QCOMPARE(app.username(), read);
    QCOMPARE(app.foundUnitsManager()->LastUnitName(), read);
}

void tst_Application::unlockPassword()
{
    cApplication app(cApplication::DesktopDevice, false, false, false);
    QCOMPARE(app.checkUnlockPassword(QString()), false);
    QCOMPARE(app.checkUnlockPassword(QStringLiteral("pw")), false);
    app.setUnlockPassword(QStringLiteral("pw"));
    QCOMPARE(QSettings().value(cApplication::UnlockPasswordKey()).toString().toStdString(),
        cApplication::GetHashedString(QStringLiteral("pw")));
    QCOMPARE(app.checkUnlockPassword(QStringLiteral("pw")), true);
    QCOMPARE(app.checkUnlockPassword(QStringLiteral("pw ")), false);
    // The whole text counts, unlike the sign-in password's first sixteen characters.
    app.setUnlockPassword(QStringLiteral("abcdefghijklmnopqrst"));
    QCOMPARE(app.checkUnlockPassword(QStringLiteral("abcdefghijklmnop")), false);
    QCOMPARE(app.checkUnlockPassword(QStringLiteral("abcdefghijklmnopqrst")), true);
}

void tst_Application::kioskPresentation()
{
    QSettings().setValue(cApplicationBase::GeometryKey(), cApplicationBase::WriteGeometry(QRect(30, 40, 500, 300), 0));
    cApplication app(cApplication::DesktopDevice, false, false, false);
    QWindow window;
    app.applicationWindowReady();
    QVERIFY(window.flags().testFlag(Qt::WindowFullscreenButtonHint));
    QTRY_COMPARE(mShell.mOptions, QList<unsigned>({ 0 }));

    QSignalSpy changed(&app, &cApplication::kioskModeChanged);
    app.setKioskMode(false);
    QCOMPARE(changed.count(), 0);
    QVERIFY(!QSettings().contains(cApplication::KioskModeKey()));

    app.setKioskMode(true);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(QSettings().value(cApplication::KioskModeKey()).toBool(), true);
    QTRY_COMPARE(mShell.mOptions, QList<unsigned>({ 0, 42 }));
    QCOMPARE(window.windowStates(), Qt::WindowStates(Qt::WindowFullScreen));

    window.setFlag(Qt::WindowFullscreenButtonHint, false);
    window.setGeometry(0, 0, 800, 600);
    app.setKioskMode(false);
    QCOMPARE(changed.count(), 2);
    QVERIFY(window.flags().testFlag(Qt::WindowFullscreenButtonHint));
    QTRY_COMPARE(mShell.mOptions, QList<unsigned>({ 0, 42, 0 }));
    QCOMPARE(window.windowStates(), Qt::WindowStates(Qt::WindowNoState));
    QCOMPARE(window.geometry(), QRect(30, 40, 500, 300));
}

void tst_Application::kioskBeforeWindow()
{
    cApplication app(cApplication::DesktopDevice, false, false, false);
    app.setKioskMode(true);
    app.setKioskMode(false);
    app.EnterKioskMode();
    app.EnterNormalMode();
    QTest::qWait(50);
    QCOMPARE(mShell.mOptions, QList<unsigned>());
    QCOMPARE(app.kioskMode(), false);

    // The choice made before the window exists is kept, and taken up by the window when it comes.
    app.setKioskMode(true);
    QTest::qWait(50);
    QCOMPARE(mShell.mOptions, QList<unsigned>());
    QCOMPARE(app.kioskMode(), true);
    QWindow window;
    app.applicationWindowReady();
    QTRY_COMPARE(mShell.mOptions, QList<unsigned>({ 42 }));
    QCOMPARE(window.windowStates(), Qt::WindowStates(Qt::WindowFullScreen));
}

void tst_Application::leavingKioskWhileMaximised()
{
    QSettings().setValue(cApplicationBase::GeometryKey(), cApplicationBase::WriteGeometry(QRect(30, 40, 500, 300), 2));
    cApplication app(cApplication::DesktopDevice, true, false, true);
    QWindow window;
    app.applicationWindowReady();
    QTRY_COMPARE(window.windowStates(), Qt::WindowStates(Qt::WindowFullScreen));
    window.setGeometry(0, 0, 800, 600);
    app.setKioskMode(false);
    // The maximised window takes its state back, and its geometry is left to the state.
    QTRY_COMPARE(window.windowStates(), Qt::WindowStates(Qt::WindowMaximized));
    QCOMPARE(window.geometry(), QRect(0, 0, 800, 600));
}

void tst_Application::panelPC()
{
    cApplication panel(cApplication::DesktopDevice, false, true, false);
    QCOMPARE(panel.isProDVX(), true);
    QSignalSpy pad(&panel, &cApplication::showPinPadChanged);
    QSignalSpy dvx(&panel, &cApplication::isProDVXChanged);
    panel.setShowPinPad(true);
    panel.setShowPinPad(true);
    panel.SetIsProDVX(true);
    panel.SetIsProDVX(false);
    QCOMPARE(pad.count(), 1);
    QCOMPARE(pad.first().first().toBool(), true);
    QCOMPARE(dvx.count(), 1);
    QCOMPARE(dvx.first().first().toBool(), false);
}

void tst_Application::pauseAndResume()
{
    cApplication app(cApplication::DesktopDevice, false, false, false);
    app.ApplicationWillEnterForeground();
    QVERIFY(app.foundUnitsManager()->UnitFinder() != nullptr);
    app.ApplicationDidEnterBackground();
    QVERIFY(app.foundUnitsManager()->UnitFinder() != nullptr);
    app.ApplicationWillSuspend();
    QCOMPARE(app.foundUnitsManager()->UnitFinder(), nullptr);
}

void tst_Application::failureReasons_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("2") << 2 << "Unrecognised device";
    QTest::newRow("3") << 3 << "The connection to the Mirvane was lost during the download";
    QTest::newRow("4") << 4 << "Mirvane encountered an error while processing the download";
    QTest::newRow("5") << 5 << "Username or password incorrect";
    QTest::newRow("7") << 7 << "This version of the application is too old to connect to the unit";
    QTest::newRow("0") << 0 << "Unknown error";
    QTest::newRow("6") << 6 << "Unknown error";
    QTest::newRow("99") << 99 << "Unknown error";
}

void tst_Application::failureReasons()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(cApplication::FailureReasonText(code), text);
}

void tst_Application::downloadWithoutPrimaryUnit_data()
{
    QTest::addColumn<QByteArray>("step");
    QTest::newRow("sign-in") << QByteArray("downloadConfig");
    QTest::newRow("download start") << QByteArray("ConfigClientStartDownload");
    QTest::newRow("download done") << QByteArray("DownloadConfigSuccessful");
    QTest::newRow("download failed") << QByteArray("DownloadConfigFailed");
}

void tst_Application::downloadWithoutPrimaryUnit()
{
    QFETCH(QByteArray, step);
    cApplication app(cApplication::DesktopDevice, false, false, false);
    QSignalSpy failed(&app, &cApplication::downloadConfigFailed);
    QSignalSpy succeeded(&app, &cApplication::downloadConfigSuccessful);
    QVERIFY(QMetaObject::invokeMethod(&app, step.constData()));
    QCOMPARE(failed.count(), 1);
    QCOMPARE(succeeded.count(), 0);
    QCOMPARE(app.downloadConfigFailureReason(), QStringLiteral("Unknown error"));
}

void tst_Application::progressThinned()
{
    cApplication app(cApplication::DesktopDevice, false, false, false);
    QSignalSpy progress(&app, &cApplication::downloadProgressChanged);
    QMetaObject::invokeMethod(&app, "SetDownloadProgress", Q_ARG(float, 0.00005f));
    QCOMPARE(progress.count(), 0);
    QMetaObject::invokeMethod(&app, "SetDownloadProgress", Q_ARG(float, 0.5f));
    QCOMPARE(progress.count(), 1);
    QCOMPARE(app.downloadProgress(), 0.5f);
    app.setDownloadProgress(0.5f);
    QCOMPARE(progress.count(), 1);
}

void tst_Application::demoMode()
{
    cApplication app(cApplication::DesktopDevice, false, false, false);
    QSignalSpy loaded(&app, &cApplication::loadDemoConfigSuccessful);
    QSignalSpy failed(&app, &cApplication::loadDemoConfigFailed);
    // The widgets read from the demo file are made in demo mode.
    QList<bool> demoWhileRead;
    connect(app.currentConfig()->layouts(), &QQmlObjectListModelBase::countChanged, &app,
        [&] { demoWhileRead.append(cRunnerWidgetFactory::mDemoMode); });
    app.enterDemoMode(true);
    QCOMPARE(demoWhileRead, QList<bool> { true });
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(failed.count(), 0);
    QCOMPARE(app.currentConfig()->layouts()->count(), 1);
    QCOMPARE(cRunnerWidgetFactory::mDemoMode, false);
    app.enterDemoMode(false);
    QCOMPARE(app.currentConfig()->layouts()->count(), 0);
    QCOMPARE(cRunnerWidgetFactory::mDemoMode, false);
}

void tst_Application::failedDemoLeavesLiveWidgets()
{
    // The phone's demo file of this test is cut short.
    cApplication phone(cApplication::PhoneDevice, false, false, false);
    QSignalSpy failed(&phone, &cApplication::loadDemoConfigFailed);
    phone.enterDemoMode(true);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(phone.currentConfig()->layouts()->count(), 0);
    // A later real download must not build demo widgets.
    QCOMPARE(cRunnerWidgetFactory::mDemoMode, false);
}

void tst_Application::qmlFileForType()
{
    cApplication app(cApplication::DesktopDevice, false, false, false);
    QCOMPARE(app.getQmlUrlForType(QStringLiteral("rect")), QStringLiteral("../Widgets/RectangleWidget.qml"));
    QCOMPARE(app.getQmlUrlForType(QStringLiteral("zunet_button")), QStringLiteral("../Widgets/ZUNetButton.qml"));
    // A key whose class is still to come shows as the unknown widget.
    QCOMPARE(app.getQmlUrlForType(QStringLiteral("zunet_meter")), QStringLiteral("../Widgets/UnknownWidget.qml"));
    QCOMPARE(app.getQmlUrlForType(QStringLiteral("knob")), QStringLiteral("../Widgets/UnknownWidget.qml"));
    QCOMPARE(app.getQmlUrlForType(QString()), QStringLiteral("../Widgets/UnknownWidget.qml"));
}

void tst_Application::typedAddressOfAFoundUnit()
{
    cApplication app(cApplication::DesktopDevice, false, false, false);
    auto* units = app.foundUnitsManager()->units();
    units->append(new cQmlUnit(QStringLiteral("Stage"), QStringLiteral("10.0.0.7"), cQmlUnit::FrellMirvane, {},
        QString(), {}, {}, app.foundUnitsManager()));
    // The address the user typed is that of a found unit: the primary unit is that unit.
    app.connectToPrimaryUnit(QStringLiteral("10.0.0.7"));
    QVERIFY(app.PrimaryUnit());
    QCOMPARE(app.PrimaryUnit()->NameOrIpAddress(), QStringLiteral("Stage"));
    QCOMPARE(app.PrimaryUnit()->type(), QStringLiteral("fennick"));
    app.connectToPrimaryUnit(QStringLiteral("10.0.0.8"));
    QCOMPARE(app.PrimaryUnit()->NameOrIpAddress(), QStringLiteral("10.0.0.8"));
    QCOMPARE(app.PrimaryUnit()->type(), QStringLiteral("unknown"));
}

void tst_Application::metaTypesAndQmlNames()
{
    cApplication app(cApplication::DesktopDevice, false, false, false);
    for (const char* name : { "cRunnerConfig*", "QQmlObjectListModel<cRunnerLayout>*", "QQmlObjectListModel<cWidget>*",
             "QQmlObjectListModel<cSourceInfo>*", "cUserListQuery*" })
        QVERIFY2(QMetaType::type(name) != QMetaType::UnknownType, name);
    QString version;
    QVERIFY(QMetaObject::invokeMethod(&app, "versionString", Q_RETURN_ARG(QString, version)));
    QCOMPARE(version, QStringLiteral("V1.3.1"));

    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData("import QtQml 2.0\nimport ZUQml 1.0\nQtObject { property var types: [RunnerConfig.TarvoMirvane, "
                      "RunnerConfig.FrellMirvane, RunnerConfig.PellMirvane] }",
        QUrl());
    std::unique_ptr<QObject> object(component.create());
    QVERIFY2(object, qPrintable(component.errorString()));
    QCOMPARE(object->property("types").toList(), QVariantList({ 0, 1, 2 }));
}

QTEST_MAIN(tst_Application)
#include "tst_application.moc"
