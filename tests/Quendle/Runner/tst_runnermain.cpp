// The whole runner process as the program entry assembles it, with small root QML files: the
// exit code, the kiosk word kept in the settings across runs, the default font, and the network
// gone when the entry returns, after the last QML object.

#include "Quendle/Runner/ApplicationMain.h"
#include "ZUNet/Core/Syscall.h"
#include "tests/support/TraceCapture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <vector>

namespace
{

/// The threads of this process that belong to the network, by the names the system gives them
/// (cut to 15 characters).
QStringList NetworkThreads()
{
    static const QStringList names { "ActionTickThrea", "LostCommsSender", "LostCommsReceiv" };
    QStringList found;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly))
            continue;
        const QString name = QString::fromUtf8(comm.readAll()).trimmed();
        if (names.contains(name))
            found.append(name);
    }
    found.sort();
    return found;
}

#ifdef RUNNER_MAIN_WITHOUT_RESOURCES
// This build holds none of the program's resources: the font is missing, the run goes on.
constexpr int kFontFailures = 1;
#else
constexpr int kFontFailures = 0;
#endif

// Whether the network still ran when the root QML object was destroyed: -1 not destroyed.
int gNetworkUpAtRootDestruction = -1;
QStringList gThreadsAtRootDestruction;
QtMessageHandler gPreviousHandler = nullptr;

int gQmlWarnings = 0;

void WatchRootDestruction(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    const bool fromQml = (context.file && QByteArray(context.file).endsWith(".qml")) || text.contains(".qml");
    if (type != QtDebugMsg && type != QtInfoMsg && fromQml)
        ++gQmlWarnings;
    if (text.contains(QStringLiteral("report.qml: root destroyed"))) {
        gNetworkUpAtRootDestruction = gRegistryRouter != nullptr ? 1 : 0;
        // A thread takes its name once it runs: the network may have started just before the
        // root goes, its tick thread started but not yet scheduled. Nothing stops the network
        // while this handler holds the GUI thread, so a thread that is up shows in time.
        QElapsedTimer named;
        named.start();
        gThreadsAtRootDestruction = NetworkThreads();
        while (gNetworkUpAtRootDestruction == 1
            && !gThreadsAtRootDestruction.contains(QStringLiteral("ActionTickThrea")) && named.elapsed() < 10000) {
            QThread::msleep(5);
            gThreadsAtRootDestruction = NetworkThreads();
        }
    }
    gPreviousHandler(type, context, text);
}

} // namespace

class tst_RunnerMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void run_data();
    void run();
    void cleanupTestCase();

private:
    QTemporaryDir mConfigHome;
};

void tst_RunnerMain::initTestCase()
{
    QVERIFY(mConfigHome.isValid());
    qputenv("XDG_CONFIG_HOME", mConfigHome.path().toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // No OpenGL context offscreen.
    qputenv("QT_QUICK_BACKEND", "software");
    gPreviousHandler = qInstallMessageHandler(WatchRootDestruction);
}

void tst_RunnerMain::cleanupTestCase()
{
    qInstallMessageHandler(gPreviousHandler);
}

void tst_RunnerMain::run_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QVariant>("storedKiosk");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QVariant>("kioskAfter");

    const QVariant none;
    // 10 + kiosk mode (1) + default font Lato 8 pt (2) + configuration layouts readable (4).
    QTest::newRow("root fails") << "broken.qml" << none << QStringList() << -1 << none;
    QTest::newRow("root fails, kiosk word stored")
        << "broken.qml" << none << QStringList { "KioskMode" } << -1 << QVariant(true);
    QTest::newRow("nothing stored") << "report.qml" << none << QStringList() << 16 << none;
    QTest::newRow("KioskMode") << "report.qml" << none << QStringList { "KioskMode" } << 17 << QVariant(true);
    QTest::newRow("stored on, no word") << "report.qml" << QVariant(true) << QStringList() << 17 << QVariant(true);
    QTest::newRow("NoKioskMode") << "report.qml" << QVariant(true) << QStringList { "NoKioskMode" } << 16
                                 << QVariant(false);
    QTest::newRow("wrong word keeps the stored choice")
        << "report.qml" << QVariant(true) << QStringList { "kioskmode" } << 17 << QVariant(true);
    QTest::newRow("two words") << "report.qml" << QVariant(false) << QStringList { "KioskMode", "KioskMode" } << 16
                               << QVariant(false);
}

void tst_RunnerMain::run()
{
    QFETCH(QString, root);
    QFETCH(QVariant, storedKiosk);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QVariant, kioskAfter);

    {
        QSettings settings(QStringLiteral("Quendle Audio"), QStringLiteral("Quendle App"));
        settings.clear();
        if (storedKiosk.isValid())
            settings.setValue(QStringLiteral("KM"), storedKiosk);
    }

    std::vector<QByteArray> words { QByteArray("quendle_runner") };
    for (const QString& argument : qAsConst(arguments))
        words.push_back(argument.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    int argc = int(words.size());

    gNetworkUpAtRootDestruction = -1;
    gThreadsAtRootDestruction.clear();
    gQmlWarnings = 0;
    cTraceCapture trace;
    const QUrl url = QUrl::fromLocalFile(QFINDTESTDATA("runnermain/" + root));
    const int result = Quendle::RunApplication(argc, argv.data(), url);
    QCOMPARE(result, exitCode);
    QCOMPARE(trace.CountContaining(QStringLiteral("Could not load font")), kFontFailures);
    QCOMPARE(gRegistryRouter, nullptr);
    QCOMPARE(gSystemBuilder, nullptr);
    // The QML goes first: no QML object is left when the network stops.
    QCOMPARE(gNetworkUpAtRootDestruction, root == QStringLiteral("report.qml") ? 1 : -1);
    // Only the broken root warns, of its own fault.
    QCOMPARE(gQmlWarnings > 0, root == QStringLiteral("broken.qml"));
    if (root == QStringLiteral("report.qml"))
        QVERIFY2(gThreadsAtRootDestruction.contains(QStringLiteral("ActionTickThrea")),
            qPrintable(gThreadsAtRootDestruction.join(',')));
    // A waited-for thread may take a moment more to leave the system's list.
    QTRY_COMPARE_WITH_TIMEOUT(NetworkThreads(), QStringList(), 2000);

    QSettings settings(QStringLiteral("Quendle Audio"), QStringLiteral("Quendle App"));
    const QVariant stored = settings.value(QStringLiteral("KM"));
    QCOMPARE(stored.isValid(), kioskAfter.isValid());
    QCOMPARE(stored.toBool(), kioskAfter.toBool());
}

QTEST_APPLESS_MAIN(tst_RunnerMain)
#include "tst_runnermain.moc"
