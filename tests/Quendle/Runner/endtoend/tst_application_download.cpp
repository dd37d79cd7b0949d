// The application object's download road against the unit program of the tests: connect to the
// unit by address, sign in, download its stored configuration and read it, as the page machine
// drives it. What a configuration older than multi-unit binds its mixer-bound widgets to, and the
// failures a download ends in; a connection lost while the configuration is read.
#include "Quendle/AppCommon/ConfigUnit.h"
#include "Quendle/Runner/Application.h"
#include "Quendle/Runner/RunnerConfig.h"
#include "Quendle/Runner/RunnerLayout.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "ZUNet/QT/TestSettings.h"
#include "tests/Quendle/Widgets/Control/MixerTestLeaves.h"
#include "tests/support/TestNetwork.h"
#include "tests/support/quendle/QuendleUnit.h"
#include "tests/support/quendle/WidgetTestKit.h"

#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>

#include <signal.h>

namespace
{

const QString kUnitAddress = QStringLiteral("127.0.0.2");
constexpr int kSlow = 30000;
// Short enough that a frozen unit is lost within seconds.
constexpr int kKeepAliveMs = 100;

/// A stored configuration with the root's attributes `rootAttributes`, the `Units` element `units` (may be empty) and
/// one layout for every runner.
QByteArray StoredConfig(const QString& rootAttributes, const QString& units)
{
    QString text
        = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QuendleConfig %1>\n").arg(rootAttributes);
    if (!units.isEmpty())
        text += QStringLiteral("    <Units>\n        %1\n    </Units>\n").arg(units);
    text += QStringLiteral("    <Layouts>\n"
                           "        <Layout name=\"Desk\" allUsers=\"1\" desktop=\"1\" allScenes=\"1\">\n"
                           "            <Widget id=\"1\" type=\"rect\" x=\"0\" y=\"0\" width=\"1\" height=\"1\"/>\n"
                           "        </Layout>\n"
                           "    </Layouts>\n"
                           "</QuendleConfig>\n");
    return text.toUtf8();
}

} // namespace

class tst_ApplicationDownload : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void download_data();
    void download();

private:
    QTemporaryDir mConfigHome;
    std::unique_ptr<QTemporaryDir> mDir;
};

void tst_ApplicationDownload::initTestCase()
{
    ZU_REQUIRE_PRIVATE_TEST_NETWORK();
    QVERIFY(mConfigHome.isValid());
    qputenv("XDG_CONFIG_HOME", mConfigHome.path().toUtf8());
}

void tst_ApplicationDownload::init()
{
    QSettings().clear();
    mDir = std::make_unique<QTemporaryDir>();
}

void tst_ApplicationDownload::cleanup()
{
    ZUNetTestSettings::Reset();
    QSettings().clear();
    mDir.reset();
}

void tst_ApplicationDownload::download_data()
{
    QTest::addColumn<QByteArray>("stored"); // "-": the unit holds no configuration
    QTest::addColumn<int>("widgetUnit"); // the unit id the mixer-bound widget is read with
    QTest::addColumn<QString>("failure"); // empty: the download succeeds
    QTest::addColumn<QString>("units"); // the configuration's units after the download
    QTest::addColumn<int>("boundTo"); // the unit id the widget is bound to then
    QTest::addColumn<bool>("lostWhileReading"); // the unit's connection is lost while the first layout is read

    // Older than multi-unit: the primary unit becomes unit 0 and every mixer-bound widget binds to it.
    QTest::newRow("1.2.0, default unit made") << StoredConfig(QStringLiteral("version=\"1.2.0\""), QString()) << 5
                                              << QString() << "0:127.0.0.2*" << 0 << false;
    // Unit 0 is taken, so the default unit is refused: the widgets keep the units they were read with.
    QTest::newRow("1.2.0, default unit refused") << StoredConfig(QStringLiteral("version=\"1.2.0\""),
        QStringLiteral("<Unit id=\"0\" nameOrIpAddress=\"10.77.0.40\" type=\"tarvo\"/>"))
                                                 << 0 << QString() << "0:10.77.0.40" << 0 << false;
    QTest::newRow("multi-unit") << StoredConfig(QStringLiteral("version=\"1.3.1\""),
        QStringLiteral("<Unit id=\"3\" nameOrIpAddress=\"127.0.0.2\" type=\"fennick\" "
                       "primaryUnit=\"1\"/>"))
                                << 3 << QString() << "3:127.0.0.2*" << 3 << false;
    QTest::newRow("nothing stored") << QByteArray("-") << 0 << "Unit does not have a stored configuration" << QString()
                                    << -1 << false;
    QTest::newRow("unreadable") << StoredConfig(QStringLiteral("appVersion=\"1.2.0\""), QString()) << 0
                                << "Failed to read version" << QString() << -1 << false;
    // The reading thread holds the download's file while the lost connection is ended under the
    // poll lock, and a widget made then takes the poll lock: neither may wait for the other.
    QTest::newRow("1.2.0, unit lost while reading") << StoredConfig(QStringLiteral("version=\"1.2.0\""), QString()) << 5
                                                    << QString() << "0:127.0.0.2*" << 0 << true;
}

void tst_ApplicationDownload::download()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, widgetUnit);
    QFETCH(QString, failure);
    QFETCH(QString, units);
    QFETCH(int, boundTo);
    QFETCH(bool, lostWhileReading);

    const QString path = mDir->filePath(QStringLiteral("config.xml"));
    if (stored != "-") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(stored);
    }
    QStringList arguments;
    if (lostWhileReading) {
        ZUNetTestSettings::SetLostCommsPeriod(kKeepAliveMs);
        arguments = QStringList { QStringLiteral("--keepalive-ms"), QString::number(kKeepAliveMs) };
    }
    cQuendleUnit unit;
    QVERIFY(unit.Start(kUnitAddress, path, arguments));

    cApplication app(cApplication::DesktopDevice, false, false, false);
    // Set on the thread that ends the connection, under the poll lock.
    std::atomic<bool> ending { false };
    bool frozen = false;
    cRunnerConfig* config = app.currentConfig();
    // A mixer-bound widget in each layout as it is read, before the application binds the widgets.
    QList<QPointer<cTestLevelWidget>> widgets;
    connect(config->layouts(), &QAbstractItemModel::rowsInserted, this, [&](const QModelIndex&, int first, int last) {
        for (int row = first; row <= last; ++row) {
            cRunnerLayout* layout = config->layouts()->at(row);
            if (lostWhileReading && !frozen) {
                // Silent with its socket open: the missing keep-alives end the connection on the
                // lost-comms thread.
                frozen = ::kill(pid_t(unit.Pid()), SIGSTOP) == 0;
                QVERIFY(frozen);
                QElapsedTimer waited;
                waited.start();
                while (!ending.load() && waited.elapsed() < kSlow)
                    QThread::msleep(10);
                QVERIFY(ending.load());
            }
            auto* widget = new cTestLevelWidget(90, layout, *config);
            QVERIFY(WidgetTest::Load(*widget,
                QStringLiteral("<Widget id=\"90\" type=\"test_zunet_fader\" unitId=\"%1\"/>").arg(widgetUnit)));
            layout->AddWidget(widget);
            widgets.append(widget);
        }
    });
    app.StartZUNet();
    if (lostWhileReading)
        connect(
            cNetworkConnection::Instance(), &cNetworkConnection::ConnectionDisconnected, this,
            [&] { ending.store(true); }, Qt::DirectConnection);
    app.setUsername(QStringLiteral("Alice"));
    app.setPassword(QStringLiteral("wonder"));

    QSignalSpy connected(&app, &cApplication::connectionAttemptSuccessful);
    QSignalSpy downloaded(&app, &cApplication::downloadConfigSuccessful);
    QSignalSpy failed(&app, &cApplication::downloadConfigFailed);
    app.connectToPrimaryUnit(kUnitAddress);
    QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 1, kSlow);
    app.downloadConfig();
    QTRY_COMPARE_WITH_TIMEOUT(downloaded.count() + failed.count(), 1, kSlow);
    if (frozen)
        ::kill(pid_t(unit.Pid()), SIGCONT);

    QCOMPARE(app.downloadConfigFailureReason(), failure);
    QCOMPARE(failed.count(), failure.isEmpty() ? 0 : 1);
    QStringList unitTexts;
    for (const cConfigUnit* record : config->units()->toList())
        unitTexts.append(QStringLiteral("%1:%2%3")
                             .arg(record->unitId())
                             .arg(record->NameOrIpAddress(), record->isPrimaryUnit() ? "*" : ""));
    QCOMPARE(unitTexts.join(QLatin1Char(',')), units);
    if (boundTo == -1) {
        QCOMPARE(config->layouts()->count(), 0);
        return;
    }
    QCOMPARE(widgets.size(), 1);
    QVERIFY(widgets.first());
    QCOMPARE(widgets.first()->CurrentUnitId(), boundTo);
}

QTEST_MAIN(tst_ApplicationDownload)
#include "tst_application_download.moc"
