// The platform singleton QML sees as MainActivity and the help web-view stand-in.

#include "Quendle/Runner/ApplicationQml.h"
#include "Quendle/Runner/MainActivity.h"
#include "Quendle/Runner/PlatformShell.h"

#include <QDesktopServices>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace
{

class cUrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> mUrls;

public Q_SLOTS:
    void handle(const QUrl& url) { mUrls.append(url); }
};

class cFolderShell : public cPlatformShell
{
public:
    explicit cFolderShell(const QString& folder = QStringLiteral("/opt/quendle/"))
        : mFolder(folder)
    {
    }
    void SetPresentationOptions(unsigned) override { }
    QString BundleDir() const override { return mFolder; }

private:
    QString mFolder;
};

} // namespace

class tst_MainActivity : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void settersWithoutInstance();
    void wifiNameAndPaused();
    void slotMayCallSetterAgain();
    void oneInstanceUntilDeleted();
    void openHelpOpensBundledFile_data();
    void openHelpOpensBundledFile();
    void helpPageBesideBuiltProgram();
    void qmlTypes();
};

void tst_MainActivity::settersWithoutInstance()
{
    cMainActivity::SetWifiNetworkName(QStringLiteral("\"Home\""));
    cMainActivity::SetAppPaused(true);
    std::unique_ptr<QObject> instance(cMainActivity::CreateSingleton(nullptr, nullptr));
    auto* activity = qobject_cast<cMainActivity*>(instance.get());
    QVERIFY(activity != nullptr);
    QCOMPARE(activity->wifiNetworkName(), QString());
    QCOMPARE(activity->kioskModeAvailable(), true);
    QCOMPARE(activity->gestureNavigation(), false);
}

void tst_MainActivity::wifiNameAndPaused()
{
    std::unique_ptr<QObject> instance(cMainActivity::CreateSingleton(nullptr, nullptr));
    auto* activity = static_cast<cMainActivity*>(instance.get());
    QSignalSpy name(activity, &cMainActivity::wifiNetworkNameChanged);
    QSignalSpy paused(activity, &cMainActivity::appPausedChanged);

    cMainActivity::SetWifiNetworkName(QStringLiteral("\"Home\""));
    QCOMPARE(activity->wifiNetworkName(), QStringLiteral("Home"));
    QCOMPARE(name.count(), 1);
    cMainActivity::SetWifiNetworkName(QStringLiteral("\"Home\""));
    cMainActivity::SetWifiNetworkName(QStringLiteral("Home"));
    QCOMPARE(name.count(), 1);
    cMainActivity::SetWifiNetworkName(QStringLiteral("Ho\"me 2"));
    QCOMPARE(activity->wifiNetworkName(), QStringLiteral("Home 2"));
    QCOMPARE(name.count(), 2);

    cMainActivity::SetAppPaused(true);
    cMainActivity::SetAppPaused(true);
    QCOMPARE(paused.count(), 1);
    cMainActivity::SetAppPaused(false);
    QCOMPARE(paused.count(), 2);
}

void tst_MainActivity::slotMayCallSetterAgain()
{
    std::unique_ptr<QObject> instance(cMainActivity::CreateSingleton(nullptr, nullptr));
    auto* activity = static_cast<cMainActivity*>(instance.get());
    int calls = 0;
    // A directly connected slot on the same thread re-enters the setters and the provider.
    connect(activity, &cMainActivity::wifiNetworkNameChanged, activity, [&] {
        ++calls;
        QCOMPARE(cMainActivity::CreateSingleton(nullptr, nullptr), instance.get());
        cMainActivity::SetAppPaused(true);
        cMainActivity::SetWifiNetworkName(QStringLiteral("Second"));
    });
    cMainActivity::SetWifiNetworkName(QStringLiteral("First"));
    QCOMPARE(activity->wifiNetworkName(), QStringLiteral("Second"));
    QCOMPARE(calls, 2);
}

void tst_MainActivity::oneInstanceUntilDeleted()
{
    QObject* first = cMainActivity::CreateSingleton(nullptr, nullptr);
    QCOMPARE(cMainActivity::CreateSingleton(nullptr, nullptr), first);
    QPointer<QObject> watch(first);
    delete first;
    cMainActivity::SetWifiNetworkName(QStringLiteral("After"));
    std::unique_ptr<QObject> second(cMainActivity::CreateSingleton(nullptr, nullptr));
    QVERIFY(second != nullptr);
    QCOMPARE(static_cast<cMainActivity*>(second.get())->wifiNetworkName(), QString());
}

void tst_MainActivity::openHelpOpensBundledFile_data()
{
    QTest::addColumn<QList<int>>("place");
    QTest::newRow("menu bar") << QList<int> { 0, 0, 0, 0 };
    QTest::newRow("slide-out menu") << QList<int> { 1, 2, 3, 4 };
}

void tst_MainActivity::openHelpOpensBundledFile()
{
    QFETCH(QList<int>, place);
    cUrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "handle");
    std::unique_ptr<QObject> instance(cMainActivity::CreateSingleton(nullptr, nullptr));
    auto* activity = static_cast<cMainActivity*>(instance.get());

    activity->openHelp(place[0], place[1], place[2], place[3]);
    cFolderShell shell;
    cPlatformShell::SetInstance(&shell);
    activity->openHelp(place[0], place[1], place[2], place[3]);
    cPlatformShell::SetInstance(nullptr);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    QCOMPARE(recorder.mUrls.size(), 2);
    QCOMPARE(recorder.mUrls[0],
        QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + "/Contents/Resources/Help/Help.html"));
    QCOMPARE(recorder.mUrls[1], QUrl(QStringLiteral("file:///opt/quendle/Contents/Resources/Help/Help.html")));
}

void tst_MainActivity::helpPageBesideBuiltProgram()
{
#ifndef QUENDLE_RUNNER_DIR
    QSKIP("this build has no runner program");
#else
    // The program's own shell names the program's folder; the page opened from there must exist.
    cFolderShell shell(QStringLiteral(QUENDLE_RUNNER_DIR "/"));
    cPlatformShell::SetInstance(&shell);
    cUrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "handle");
    std::unique_ptr<QObject> instance(cMainActivity::CreateSingleton(nullptr, nullptr));
    static_cast<cMainActivity*>(instance.get())->openHelp(0, 0, 0, 0);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    cPlatformShell::SetInstance(nullptr);

    QCOMPARE(recorder.mUrls.size(), 1);
    QFile page(recorder.mUrls[0].toLocalFile());
    QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
    const QString text = QString::fromUtf8(page.readAll());
    QVERIFY(text.contains(QLatin1String("</html>")));
    for (const char* section : { "id=\"sign-in\"", "id=\"demo\"", "id=\"kiosk\"" })
        QVERIFY2(text.contains(QLatin1String(section)), section);
#endif
}

void tst_MainActivity::qmlTypes()
{
    Quendle::RegisterApplicationQmlTypes();
    Quendle::RegisterApplicationQmlTypes();
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData(R"(
        import QtQuick 2.15
        import MainActivitySingleton 1.0
        import DeviceDetailsSingleton 1.0
        import IOSWebView 1.0
        Item {
            property bool kiosk: MainActivity.kioskModeAvailable
            property bool gestures: MainActivity.gestureNavigation
            property string wifi: MainActivity.wifiNetworkName
            property bool panel: DeviceDetails.proDVX
            IOSWebView { objectName: "web"; width: 10; height: 10 }
            Component.onCompleted: MainActivity.lockOrientation(false, false)
        })",
        QUrl());
    std::unique_ptr<QObject> root(component.create());
    QVERIFY2(root != nullptr, qPrintable(component.errorString()));
    QCOMPARE(root->property("kiosk").toBool(), true);
    QCOMPARE(root->property("gestures").toBool(), false);
    QCOMPARE(root->property("panel").toBool(), false);
    auto* web = root->findChild<QQuickItem*>(QStringLiteral("web"));
    QVERIFY(web != nullptr);
    QVERIFY(qobject_cast<cDummyWebView*>(web) != nullptr);
    QCOMPARE(web->width(), 10.0);
}

QTEST_MAIN(tst_MainActivity)
#include "tst_mainactivity.moc"
