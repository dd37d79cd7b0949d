// The found-units list: order, fixed entries, versions and user lists from discovery reports, the
// selection that stays on its unit while the list changes, the remembered last unit; and end to
// end, unit announcers running as separate processes on the test network appear and disappear.
#include "Quendle/AppCommon/ConnectionUnit.h"
#include "Quendle/AppCommon/FoundUnitsManager.h"
#include "tests/support/TestNetwork.h"

#include <QAbstractItemModelTester>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

namespace
{

const QString kVek = QStringLiteral("Vek Find");

/// Discovery reports fed by hand.
class cManager : public cFoundUnitsManager
{
public:
    using cFoundUnitsManager::cFoundUnitsManager;
    using cFoundUnitsManager::UnitFound;
    using cFoundUnitsManager::UnitLost;

    void Found(const QString& name, const QString& address, const QString& info = QString(), const QString& find = kVek,
        const QVector<QString>& users = {}, const QVector<bool>& flags = {})
    {
        UnitFound(sUnit { QHostAddress(address), name, find, info }, users, flags);
    }
    void Lost(const QString& name, const QString& address)
    {
        UnitLost(sUnit { QHostAddress(address), name, kVek, QString() });
    }
    QString Names() const
    {
        QStringList names;
        for (cQmlUnit* unit : units()->toList())
            names << unit->name();
        return names.join(QLatin1Char(','));
    }
    QString Selected() const { return getUnitName(selectedUnitIndex()); }
};

struct cKillProcess {
    void operator()(QProcess* process) const
    {
        process->kill();
        process->waitForFinished(5000);
        delete process;
    }
};
using tAnnouncer = std::unique_ptr<QProcess, cKillProcess>;

tAnnouncer StartAnnouncer(const QString& name, const QString& info, bool listen = true)
{
    tAnnouncer unit(new QProcess());
    unit->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments { kVek, name, info };
    if (!listen)
        arguments << QStringLiteral("--no-listen");
    unit->start(QStringLiteral(ZUNET_FINDME_UNIT), arguments);
    QByteArray output;
    QElapsedTimer waited;
    waited.start();
    while (!output.contains("ready\n") && waited.elapsed() < 10000 && unit->state() != QProcess::NotRunning) {
        QTest::qWait(20);
        output += unit->readAllStandardOutput();
    }
    return output.contains("ready\n") ? std::move(unit) : nullptr;
}

} // namespace

class tst_FoundUnits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void order_data();
    void order();
    void descriptions();
    void validVersion_data();
    void validVersion();
    void addresses();
    void userLists();
    void selectionStaysOnItsUnit();
    void selectedUnitBackAfterARestart();
    void lastUnitFollowsDiscovery();
    void damagedStoredIndex();
    void lastConnectionIpAddress_data();
    void lastConnectionIpAddress();
    void unitsOnTheTestNetwork();
};

void tst_FoundUnits::initTestCase()
{
    ZU_REQUIRE_PRIVATE_TEST_NETWORK();
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("QuendleTests"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_foundunits"));
}

void tst_FoundUnits::init()
{
    QSettings().clear();
}

// Rows: reports as "name@address" in order; the list afterwards.
void tst_FoundUnits::order_data()
{
    QTest::addColumn<QStringList>("reports");
    QTest::addColumn<QString>("names");
    QTest::newRow("between") << QStringList { "a@10.0.0.1", "c@10.0.0.3", "b@10.0.0.2" } << "Other...,a,b,c";
    QTest::newRow("same name elsewhere goes after")
        << QStringList { "b@10.0.0.2", "c@10.0.0.3", "b@10.0.0.9" } << "Other...,b,b,c";
    QTest::newRow("same unit twice") << QStringList { "b@10.0.0.2", "b@10.0.0.2" } << "Other...,b";
    QTest::newRow("case-sensitive order")
        << QStringList { "b@10.0.0.2", "B@10.0.0.3", "a@10.0.0.4" } << "Other...,B,a,b";
}

void tst_FoundUnits::order()
{
    QFETCH(QStringList, reports);
    QFETCH(QString, names);
    cManager manager({ kVek }, nullptr);
    QAbstractItemModelTester tester(manager.units(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (const QString& report : reports)
        manager.Found(report.section(QLatin1Char('@'), 0, 0), report.section(QLatin1Char('@'), 1));
    QCOMPARE(manager.Names(), names);
}

void tst_FoundUnits::descriptions()
{
    cManager manager({ kVek }, nullptr);
    manager.Found(QStringLiteral("a"), QStringLiteral("10.0.0.1"),
        QStringLiteral("{\"V\":[\"1\",\"8\",\"1\"],\"N\":\"Corvo-32\"}"));
    manager.Found(QStringLiteral("b"), QStringLiteral("10.0.0.2"), QStringLiteral("{not json"));
    manager.Found(QStringLiteral("c"), QStringLiteral("10.0.0.3"), QStringLiteral("{\"V\":[1,8,1],\"N\":5}"));
    manager.Found(QStringLiteral("d"), QStringLiteral("10.0.0.4"), QStringLiteral("{\"V\":[\"2\"]}"),
        QStringLiteral("Other Find"));
    manager.Found(QStringLiteral("e"), QStringLiteral("10.0.0.5"), QStringLiteral("{\"N\":\"Corvo-64\"}"),
        QStringLiteral("Vespril Find"));

    cQmlUnit* a = manager.units()->at(1);
    QCOMPARE(a->version(), QStringLiteral("V1.8.1"));
    QCOMPARE(a->productName(), QStringLiteral("Corvo-32"));
    QCOMPARE(a->type(), cQmlUnit::TarvoMirvane);
    QVERIFY(a->validVersion());
    cQmlUnit* b = manager.units()->at(2);
    QCOMPARE(b->version(), QString());
    QVERIFY(!b->validVersion()); // a Tarvo without a description is greyed out
    cQmlUnit* c = manager.units()->at(3);
    QCOMPARE(c->VersionParts(), (QStringList { "", "", "" })); // numbers are no version texts
    QCOMPARE(c->productName(), QString());
    cQmlUnit* d = manager.units()->at(4);
    QCOMPARE(d->type(), cQmlUnit::Unknown);
    QVERIFY(d->VersionParts().isEmpty()); // other families' descriptions are not read
    cQmlUnit* e = manager.units()->at(5);
    QCOMPARE(e->type(), cQmlUnit::VesprilMirvane);
    QCOMPARE(cConnectionUnit::QmlUnitToUnitType(e), QStringLiteral("corvo64"));
    QCOMPARE(cConnectionUnit::QmlUnitToUnitType(a), QStringLiteral("tarvo"));
    QCOMPARE(cConnectionUnit::QmlUnitToUnitType(nullptr), QStringLiteral("unknown"));
}

void tst_FoundUnits::validVersion_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("parts");
    QTest::addColumn<bool>("valid");
    QTest::newRow("tarvo 1.8.0") << 2 << QStringList { "1", "8", "0" } << false;
    QTest::newRow("tarvo 1.8.1") << 2 << QStringList { "1", "8", "1" } << true;
    QTest::newRow("tarvo 1.8.X") << 2 << QStringList { "1", "8", "X" } << true;
    QTest::newRow("tarvo 1.9.0") << 2 << QStringList { "1", "9", "0" } << true;
    QTest::newRow("tarvo 2.0.0") << 2 << QStringList { "2", "0", "0" } << true;
    QTest::newRow("tarvo 1.7.9") << 2 << QStringList { "1", "7", "9" } << false;
    QTest::newRow("tarvo two parts") << 2 << QStringList { "1", "8" } << false;
    QTest::newRow("tarvo words") << 2 << QStringList { "x", "y", "z" } << false;
    QTest::newRow("pell 1.4.9") << 4 << QStringList { "1", "4", "9" } << false;
    QTest::newRow("pell 1.5.0") << 4 << QStringList { "1", "5", "0" } << true;
    QTest::newRow("demo") << 0 << QStringList() << true;
    QTest::newRow("unknown") << 1 << QStringList() << true;
    QTest::newRow("frell") << 3 << QStringList() << true;
    QTest::newRow("vespril") << 5 << QStringList() << true;
    QTest::newRow("beyond") << 6 << QStringList { "9", "9", "9" } << false;
}

void tst_FoundUnits::validVersion()
{
    QFETCH(int, type);
    QFETCH(QStringList, parts);
    QFETCH(bool, valid);
    cQmlUnit unit(QStringLiteral("u"), QString(), cQmlUnit::eUnitType(type), parts, QString(), {}, {}, nullptr);
    QCOMPARE(unit.validVersion(), valid);
}

void tst_FoundUnits::addresses()
{
    cManager manager({ kVek }, nullptr);
    manager.Found(QStringLiteral("mapped"), QStringLiteral("::FFFF:10.0.0.2"));
    manager.Found(QStringLiteral("six"), QStringLiteral("fe80::1"));
    QCOMPARE(manager.units()->at(1)->readableIpAddress(), QStringLiteral("10.0.0.2"));
    QCOMPARE(manager.units()->at(2)->readableIpAddress(), QStringLiteral("0.0.0.0"));
    cQmlUnit raw(QStringLiteral("r"), QStringLiteral("::FFFF:10.0.0.7"), cQmlUnit::Unknown, {}, {}, {}, {}, nullptr);
    QCOMPARE(raw.readableIpAddress(), QStringLiteral("10.0.0.7"));
}

void tst_FoundUnits::userLists()
{
    cManager manager({ kVek }, nullptr);
    manager.Found(
        QStringLiteral("a"), QStringLiteral("10.0.0.1"), QString(), kVek, { "Alice", "Bob" }, { true, false });
    cQmlUnit* unit = manager.units()->at(1);
    QAbstractItemModelTester tester(unit->userList(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QCOMPARE(unit->userList()->count(), 2);
    QVERIFY(unit->userList()->at(0)->hasPassword());

    QSignalSpy rows(unit->userList(), &QAbstractItemModel::rowsRemoved);
    manager.Found(
        QStringLiteral("a"), QStringLiteral("10.0.0.1"), QString(), kVek, { "Alice", "Bob" }, { true, false });
    QCOMPARE(rows.count(), 0);
    manager.Found(QStringLiteral("a"), QStringLiteral("10.0.0.1"), QString(), kVek, { "Carol" }, { true });
    QCOMPARE(rows.count(), 1);
    QCOMPARE(unit->userList()->count(), 1);
    QCOMPARE(unit->userList()->at(0)->userName(), QStringLiteral("Carol"));
    QCOMPARE(manager.units()->count(), 2);
}

// The user picks a unit; units found or lost before it in the list must not move the selection
// to another unit ("connect" would go to the wrong mixer).
void tst_FoundUnits::selectionStaysOnItsUnit()
{
    cManager manager({ kVek }, nullptr);
    manager.Found(QStringLiteral("m"), QStringLiteral("10.0.0.1"));
    manager.Found(QStringLiteral("x"), QStringLiteral("10.0.0.2"));
    manager.setUserChangedSelectedUnit();
    manager.setSelectedUnitIndex(2);
    QCOMPARE(manager.Selected(), QStringLiteral("x"));

    QSignalSpy changed(&manager, &cFoundUnitsManager::selectedUnitIndexChanged);
    manager.Found(QStringLiteral("a"), QStringLiteral("10.0.0.3"));
    QCOMPARE(manager.Selected(), QStringLiteral("x"));
    QCOMPARE(manager.selectedUnitIndex(), 3);
    QCOMPARE(changed.count(), 1);
    manager.Found(QStringLiteral("z"), QStringLiteral("10.0.0.4")); // after it: nothing moves
    QCOMPARE(manager.selectedUnitIndex(), 3);
    manager.Lost(QStringLiteral("m"), QStringLiteral("10.0.0.1"));
    manager.Lost(QStringLiteral("a"), QStringLiteral("10.0.0.3"));
    QCOMPARE(manager.Selected(), QStringLiteral("x"));
    QCOMPARE(manager.selectedUnitIndex(), 1);

    // The selected unit itself goes: the remembered unit or "Other..." is selected.
    manager.Lost(QStringLiteral("x"), QStringLiteral("10.0.0.2"));
    QCOMPARE(manager.Selected(), QStringLiteral("Other..."));
    QCOMPARE(manager.Names(), QStringLiteral("Other...,z"));
    QCOMPARE(manager.getUnitName(-1), QString());
    QCOMPARE(manager.getUnitName(2), QString());
}

void tst_FoundUnits::selectedUnitBackAfterARestart()
{
    cManager manager({ kVek }, nullptr);
    manager.Found(QStringLiteral("m"), QStringLiteral("10.0.0.1"));
    manager.Found(QStringLiteral("x"), QStringLiteral("10.0.0.2"));
    // Picked as the picker picks, never connected to: nothing remembered.
    manager.setSelectedUnitIndex(2);
    manager.setUserChangedSelectedUnit();

    // Restarted: gone a while, then back; another unit came meanwhile.
    manager.Lost(QStringLiteral("x"), QStringLiteral("10.0.0.2"));
    QCOMPARE(manager.Selected(), QStringLiteral("Other..."));
    manager.Found(QStringLiteral("a"), QStringLiteral("10.0.0.3"));
    QCOMPARE(manager.Selected(), QStringLiteral("Other..."));
    manager.Found(QStringLiteral("x"), QStringLiteral("10.0.0.2"));
    QCOMPARE(manager.Selected(), QStringLiteral("x"));

    // Gone again, and the user picks another meanwhile: that pick stays.
    manager.Lost(QStringLiteral("x"), QStringLiteral("10.0.0.2"));
    manager.setSelectedUnitIndex(1);
    manager.setUserChangedSelectedUnit();
    manager.Found(QStringLiteral("x"), QStringLiteral("10.0.0.2"));
    QCOMPARE(manager.Selected(), QStringLiteral("a"));
}

void tst_FoundUnits::lastUnitFollowsDiscovery()
{
    {
        cManager first({ kVek }, nullptr);
        first.Found(QStringLiteral("Stage"), QStringLiteral("10.0.0.1"));
        first.setLastUnitNameFromIndex(1);
    }
    QCOMPARE(QSettings().value(QStringLiteral("LUI")).toInt(), 1);
    QCOMPARE(QSettings().value(QStringLiteral("LUN")).toString(), QStringLiteral("Stage"));

    cManager manager({ kVek }, nullptr);
    manager.Found(QStringLiteral("Other unit"), QStringLiteral("10.0.0.5"));
    QCOMPARE(manager.Selected(), QStringLiteral("Other..."));
    QSignalSpy changed(&manager, &cFoundUnitsManager::selectedUnitIndexChanged);
    manager.Found(QStringLiteral("Stage"), QStringLiteral("10.0.0.1"));
    QCOMPARE(manager.Selected(), QStringLiteral("Stage"));
    QVERIFY(changed.count() >= 1);
}

void tst_FoundUnits::damagedStoredIndex()
{
    QSettings().setValue(QStringLiteral("LUI"), -3);
    QSettings().setValue(QStringLiteral("LUN"), QStringLiteral("gone"));
    cManager manager({ kVek }, nullptr);
    QCOMPARE(manager.LastUnitIndex(), 0);
    manager.Found(QStringLiteral("a"), QStringLiteral("10.0.0.1"));
    QCOMPARE(manager.selectedUnitIndex(), 0);
}

void tst_FoundUnits::lastConnectionIpAddress_data()
{
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QString>("shown");
    QTest::newRow("address") << "10.0.0.7"
                             << "10.0.0.7";
    QTest::newRow("start of one") << "10.0.0"
                                  << "10.0.0";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("name") << "Stage Rack"
                          << "";
    QTest::newRow("too many digits") << "1000.0.0.1"
                                     << "";
}

void tst_FoundUnits::lastConnectionIpAddress()
{
    QFETCH(QString, saved);
    QFETCH(QString, shown);
    QSettings().setValue(QStringLiteral("LUN"), saved);
    cManager manager({ kVek }, nullptr);
    QCOMPARE(manager.lastConnectionIpAddress(), shown);
}

void tst_FoundUnits::unitsOnTheTestNetwork()
{
    cFoundUnitsManager manager({ kVek, QStringLiteral("Frell Find") }, nullptr);
    QAbstractItemModelTester tester(manager.units(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    manager.StartUnitFinder();
    QVERIFY(manager.UnitFinder());
    QCOMPARE(gMultiUnitFinder.load(), manager.UnitFinder());
    // The finder's clock is driven here, five times faster than its own, so a loss takes a second.
    manager.UnitFinder()->SetTimerRunning(false);
    QTimer clock;
    connect(&clock, &QTimer::timeout, manager.UnitFinder(), &cMultiUnitFinder::TimerFired);
    clock.start(200);

    tAnnouncer stage
        = StartAnnouncer(QStringLiteral("Stage"), QStringLiteral("{\"V\":[\"1\",\"9\",\"0\"],\"N\":\"x\"}"));
    QVERIFY(stage);
    // Only one process can answer requests on the discovery port; the second only announces.
    tAnnouncer alpha = StartAnnouncer(QStringLiteral("Alpha"), QStringLiteral("{}"), false);
    QVERIFY(alpha);
    auto names = [&] {
        QStringList list;
        for (cQmlUnit* unit : manager.units()->toList())
            list << unit->name();
        list.removeDuplicates(); // an announcer may be heard from both test addresses
        return list.join(QLatin1Char(','));
    };
    QTRY_COMPARE_WITH_TIMEOUT(names(), QStringLiteral("Other...,Alpha,Stage"), 10000);
    cQmlUnit* stageEntry = manager.units()->at(manager.units()->count() - 1);
    QCOMPARE(stageEntry->version(), QStringLiteral("V1.9.0"));
    QVERIFY(stageEntry->validVersion());
    QVERIFY(QHostAddress(stageEntry->IpAddress()).isInSubnet(QHostAddress(QStringLiteral("10.77.0.0")), 24));

    stage.reset();
    QTRY_COMPARE_WITH_TIMEOUT(names(), QStringLiteral("Other...,Alpha"), 10000);
    manager.StopUnitFinder();
    QVERIFY(!manager.UnitFinder());
    QCOMPARE(gMultiUnitFinder.load(), nullptr);
}

QTEST_GUILESS_MAIN(tst_FoundUnits)
#include "tst_foundunits.moc"
