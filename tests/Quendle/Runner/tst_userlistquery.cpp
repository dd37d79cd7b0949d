// The runner's user-list query against the unit side running as a separate process on the test
// network: found units and their users, a typed address asked directly, a unit that is gone or
// goes, and replies that end early.
#include "Quendle/Global/ConfigManagerProtocol.h"
#include "Quendle/Runner/UserListQuery.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "tests/support/Connections.h"
#include "tests/support/HexData.h"
#include "tests/support/NetTestHelpers.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/quendle/QuendleUnit.h"

#include <QJsonArray>
#include <QScopeGuard>
#include <QtTest>

#include <memory>

namespace
{

const QString kUnitAddress = QStringLiteral("127.0.0.2");
const QString kNobody = QStringLiteral("127.0.0.9"); // no unit listens here
const QString kFindString = QStringLiteral("Test Find");
const QString kUnitName = QStringLiteral("unit.one");

using tNames = QVector<QString>;
using tFlags = QVector<bool>;

/// The query as its owner holds it: made after the network, ended with UnregisterAndDeleteLater.
struct sQuery {
    sQuery()
        : mQuery(new cUserListQuery(cNetworkConnection::Instance()))
        , mResults(mQuery, &cUserListQuery::UserListResult)
        , mDirect(mQuery, &cUserListQuery::DirectUserListResult)
        , mLost(mQuery, &cUserListQuery::UnitLostSignal)
    {
    }
    ~sQuery()
    {
        QPointer<cUserListQuery> query(mQuery);
        mQuery->UnregisterAndDeleteLater();
        QTRY_VERIFY(query.isNull());
    }
    cUserListQuery* operator->() const { return mQuery; }
    cUserListQuery* mQuery;
    QSignalSpy mResults;
    QSignalSpy mDirect;
    QSignalSpy mLost;
};

sUnit FoundUnit(const QString& name, const QString& address)
{
    return sUnit { QHostAddress(address), name, kFindString, QStringLiteral("{}") };
}

QJsonObject DescriptionWithUsers(const QJsonArray& users)
{
    QJsonObject description = cQuendleUnit::DefaultDescription();
    description["users"] = users;
    return description;
}

} // namespace

class tst_UserListQuery : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void directQuery_data();
    void directQuery();
    void directQueryIgnoresASecondRequestUntilDone();
    void sharedConnectionStays();
    void unitGoesBeforeItAnswers();
    void foundUnitsAndTheirUsers();
    void foundUnitLostMeanwhile();
    void unitBeingAskedIsNotQueuedAgain();

private:
    QString ConfigPath() const { return TestDataPath(QStringLiteral("config/runner.xml")); }
    cStartedNetwork mNetwork;
};

void tst_UserListQuery::initTestCase()
{
    qRegisterMetaType<sUnit>();
}

void tst_UserListQuery::cleanup()
{
    EndEveryConnection();
}

void tst_UserListQuery::directQuery_data()
{
    QTest::addColumn<bool>("unitRuns");
    QTest::addColumn<QString>("config");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QJsonObject>("description");
    QTest::addColumn<bool>("supported");
    QTest::addColumn<tNames>("names");
    QTest::addColumn<tFlags>("flags");

    const QJsonObject standard = cQuendleUnit::DefaultDescription();
    const QString config = ConfigPath();
    const QString noConfig = QStringLiteral("/nonexistent/config.xml");
    auto user = [](const QString& name, const QString& password) {
        return QJsonObject { { "name", name }, { "password", password }, { "valid", true } };
    };
    auto fixed = [](const char* hex) { return QStringList { "--user-list-reply", hex }; };

    QTest::newRow("users listed") << true << config << QStringList() << standard << true
                                  << tNames { "Alice", "Bob", "Admin" } << tFlags { true, false, true };
    QTest::newRow("user lists not enabled")
        << true << noConfig << QStringList() << standard << true << tNames() << tFlags();
    QTest::newRow("UTF-8 names") << true << config << QStringList()
                                 << DescriptionWithUsers({ user(QString::fromUtf8("Zo\xC3\xAB"), "x"),
                                        user(QString::fromUtf8("\xC3\x86gir"), "") })
                                 << true << tNames { QString::fromUtf8("Zo\xC3\xAB"), QString::fromUtf8("\xC3\x86gir") }
                                 << tFlags { true, false };
    QTest::newRow("no unit at the address")
        << false << config << QStringList() << standard << false << tNames() << tFlags();
    // Replies that end early give the users read in whole.
    QTest::newRow("count beyond the data")
        << true << config << fixed("03410001") << standard << true << tNames { "A" } << tFlags { true };
    QTest::newRow("name without NUL") << true << config << fixed("01414243") << standard << true << tNames()
                                      << tFlags();
    QTest::newRow("flag missing") << true << config << fixed("0241000142 00") << standard << true << tNames { "A" }
                                  << tFlags { true };
    QTest::newRow("empty reply") << true << config << fixed("") << standard << true << tNames() << tFlags();
}

void tst_UserListQuery::directQuery()
{
    QFETCH(bool, unitRuns);
    QFETCH(QString, config);
    QFETCH(QStringList, arguments);
    QFETCH(QJsonObject, description);
    QFETCH(bool, supported);
    QFETCH(tNames, names);
    QFETCH(tFlags, flags);

    cQuendleUnit unit;
    const QString address = unitRuns ? kUnitAddress : kNobody;
    if (unitRuns)
        QVERIFY(unit.Start(kUnitAddress, config, arguments, description));
    sQuery query;
    query->RequestDirectUserList(address);
    QVERIFY(query->DirectQueryPending());
    QTRY_COMPARE_WITH_TIMEOUT(query.mDirect.count(), 1, 15000);
    const QList<QVariant> result = query.mDirect.takeFirst();
    QCOMPARE(result.at(0).toBool(), supported);
    QCOMPARE(result.at(1).toString(), address);
    QCOMPARE(result.at(2).value<tNames>(), names);
    QCOMPARE(result.at(3).value<tFlags>(), flags);
    QVERIFY(!query->DirectQueryPending());
    QCOMPARE(query.mResults.count(), 0);
    // The connection the query opened goes once the answer is in.
    QTRY_COMPARE(ConnectionTo(address), ZUNET_NO_CONNECTION);
}

void tst_UserListQuery::directQueryIgnoresASecondRequestUntilDone()
{
    cQuendleUnit unit;
    QVERIFY(unit.Start(kUnitAddress, ConfigPath()));
    sQuery query;
    QVERIFY(query->RequestDirectUserList(kUnitAddress));
    QVERIFY(!query->RequestDirectUserList(kNobody));
    QTRY_COMPARE_WITH_TIMEOUT(query.mDirect.count(), 1, 15000);
    QCOMPARE(query.mDirect.at(0).at(1).toString(), kUnitAddress);
    QCOMPARE(query.mDirect.at(0).at(0).toBool(), true);

    // Once answered, the next request is served.
    QVERIFY(query->RequestDirectUserList(kNobody));
    QTRY_COMPARE_WITH_TIMEOUT(query.mDirect.count(), 2, 15000);
    QCOMPARE(query.mDirect.at(1).at(1).toString(), kNobody);
    QCOMPARE(query.mDirect.at(1).at(0).toBool(), false);
    QCOMPARE(unit.CountLines(QStringLiteral("unit: user list asked")), 0);
}

void tst_UserListQuery::sharedConnectionStays()
{
    // Another object of the runner holds a link over a connection to the same address: the query
    // uses that connection and leaves it open.
    cQuendleUnit unit;
    QVERIFY(unit.Start(kUnitAddress, ConfigPath()));
    cProbeObject holder("Holder", 1);
    holder.mSwallowAll = true;
    QVERIFY(AddSyncLink(kUnitAddress + "/" + Quendle::kUserListServerName, "Holder"));
    QTRY_VERIFY_WITH_TIMEOUT(!ReceivedUnderPollLock(holder).isEmpty(), 15000);
    const UWORD held = ConnectionTo(kUnitAddress);
    QVERIFY(held != ZUNET_NO_CONNECTION);
    const ULONG generation = cNetworkConnection::Instance()->GetConnectionGeneration(held);

    sQuery query;
    for (int round = 1; round <= 2; ++round) {
        query->RequestDirectUserList(kUnitAddress);
        QTRY_COMPARE_WITH_TIMEOUT(query.mDirect.count(), round, 15000);
        QCOMPARE(query.mDirect.last().at(2).value<tNames>(), (tNames { "Alice", "Bob", "Admin" }));
    }
    // The second round was served after anything the first could have queued.
    QCOMPARE(ConnectionTo(kUnitAddress), held);
    QCOMPARE(cNetworkConnection::Instance()->GetConnectionGeneration(held), generation);
}

void tst_UserListQuery::unitGoesBeforeItAnswers()
{
    cQuendleUnit unit;
    QVERIFY(unit.Start(kUnitAddress, ConfigPath(), { "--user-list-reply", "silent" }));
    sQuery query;
    query->RequestDirectUserList(kUnitAddress);
    QVERIFY(unit.WaitForLine(QStringLiteral("unit: user list asked")));
    QCOMPARE(query.mDirect.count(), 0);
    unit.Kill();
    QTRY_COMPARE_WITH_TIMEOUT(query.mDirect.count(), 1, 15000);
    QCOMPARE(query.mDirect.at(0).at(0).toBool(), false);
    QCOMPARE(query.mDirect.at(0).at(1).toString(), kUnitAddress);
    QVERIFY(!query->DirectQueryPending());

    // The query is free for the next request.
    query->RequestDirectUserList(kNobody);
    QTRY_COMPARE_WITH_TIMEOUT(query.mDirect.count(), 2, 15000);
}

void tst_UserListQuery::foundUnitsAndTheirUsers()
{
    cQuendleUnit unit;
    QVERIFY(unit.Start(kUnitAddress, ConfigPath()));
    // Discovery has heard the unit, so its name leads to its address.
    cMultiUnitFinder finder;
    finder.SetTimerRunning(false);
    finder.StartFindingUnits(kFindString, false);
    gMultiUnitFinder.store(&finder);
    auto forget = qScopeGuard([] { gMultiUnitFinder.store(nullptr); });
    sQuery query;
    connect(&finder, &cMultiUnitFinder::UnitFound, query.mQuery, &cUserListQuery::UnitFoundSlot);
    connect(&finder, &cMultiUnitFinder::UnitLost, query.mQuery, &cUserListQuery::UnitLostSlot);
    finder.ProcessDiscoveryDatagram(QByteArray("ZU_UFV2\0Test Find\0unit.one\0{}\0", 30), QHostAddress(kUnitAddress));

    // Listed at once, without users; reported again, listed once; another address, another unit.
    QCOMPARE(query.mResults.count(), 1);
    sUnit listed = query.mResults.at(0).at(0).value<sUnit>();
    QCOMPARE(listed.mUnitName, kUnitName);
    QVERIFY(query.mResults.at(0).at(1).value<tNames>().isEmpty());
    query->UnitFoundSlot(FoundUnit(kUnitName, QStringLiteral("::ffff:127.0.0.2")));
    QCOMPARE(query.mResults.count(), 1);
    query->UnitFoundSlot(FoundUnit(kUnitName, QStringLiteral("127.0.0.4")));
    QCOMPARE(query.mResults.count(), 2);
    query->UnitFoundSlot(FoundUnit(QStringLiteral("unit.two"), QStringLiteral("127.0.0.5")));
    QCOMPARE(query.mResults.count(), 3);

    // Paused, a selection asks nothing.
    const ULONG linksBefore = gSystemBuilder->GetRequested();
    query->SetSelected(kUnitAddress);
    query->RefreshUserLists();
    QCOMPARE(gSystemBuilder->GetRequested(), linksBefore);

    // Unpaused, a refresh asks the selected unit by name.
    query->SetPaused(false);
    query->RefreshUserLists();
    QTRY_COMPARE_WITH_TIMEOUT(query.mResults.count(), 4, 15000);
    QCOMPARE(query.mResults.at(3).at(0).value<sUnit>(), listed);
    QCOMPARE(query.mResults.at(3).at(1).value<tNames>(), (tNames { "Alice", "Bob", "Admin" }));
    QCOMPARE(query.mResults.at(3).at(2).value<tFlags>(), (tFlags { true, false, true }));
    QTRY_COMPARE(ConnectionTo(kUnitName), ZUNET_NO_CONNECTION);

    // A new selection is asked at once; no unit of that name can be reached.
    query->SetSelected(QStringLiteral("127.0.0.5"));
    QTRY_COMPARE_WITH_TIMEOUT(query.mResults.count(), 5, 15000);
    QCOMPARE(query.mResults.at(4).at(0).value<sUnit>().mUnitName, QStringLiteral("unit.two"));
    QVERIFY(query.mResults.at(4).at(1).value<tNames>().isEmpty());

    // Lost: the first matching found unit goes, once.
    query->UnitLostSlot(FoundUnit(kUnitName, QStringLiteral("::ffff:127.0.0.2")));
    query->UnitLostSlot(FoundUnit(kUnitName, kUnitAddress));
    QCOMPARE(query.mLost.count(), 1);
    QCOMPARE(query.mLost.at(0).at(0).value<sUnit>(), listed);
}

void tst_UserListQuery::foundUnitLostMeanwhile()
{
    // The unit is lost while its list is asked: no result for it, and the query goes on.
    cQuendleUnit unit;
    QVERIFY(unit.Start(kUnitAddress, ConfigPath(), { "--user-list-reply", "silent" }));
    sQuery query;
    query->SetPaused(false);
    const sUnit byAddress = FoundUnit(kUnitAddress, kUnitAddress); // a name that is its own address
    query->UnitFoundSlot(byAddress);
    QCOMPARE(query.mResults.count(), 1);
    query->SetSelected(kUnitAddress);
    QVERIFY(unit.WaitForLine(QStringLiteral("unit: user list asked")));
    query->UnitLostSlot(byAddress);
    QCOMPARE(query.mLost.count(), 1);
    unit.Kill();
    // The link's failure for a unit no longer listed still gives its empty list.
    QTRY_COMPARE_WITH_TIMEOUT(query.mResults.count(), 2, 15000);
    QVERIFY(query.mResults.at(1).at(1).value<tNames>().isEmpty());
    query->RequestDirectUserList(kNobody);
    QTRY_COMPARE_WITH_TIMEOUT(query.mDirect.count(), 1, 15000);
}

void tst_UserListQuery::unitBeingAskedIsNotQueuedAgain()
{
    cQuendleUnit unit;
    QVERIFY(unit.Start(kUnitAddress, ConfigPath(), { "--user-list-reply", "silent" }));
    sQuery query;
    // The selected unit is asked again every minute.
    auto* refresh = query.mQuery->findChild<QTimer*>();
    QVERIFY(refresh && refresh->isActive() && !refresh->isSingleShot());
    QCOMPARE(refresh->interval(), 60000);

    query->SetPaused(false);
    const sUnit byAddress = FoundUnit(kUnitAddress, kUnitAddress);
    query->UnitFoundSlot(byAddress);
    query->SetSelected(kUnitAddress);
    QVERIFY(unit.WaitForLine(QStringLiteral("unit: user list asked")));
    query->RefreshUserLists();
    query->RequestUserList(byAddress);
    unit.Kill();
    QTRY_COMPARE_WITH_TIMEOUT(query.mResults.count(), 2, 15000);
    // A unit asked a second time would be asked before this address.
    query->RequestDirectUserList(kNobody);
    QTRY_COMPARE_WITH_TIMEOUT(query.mDirect.count(), 1, 15000);
    QCOMPARE(query.mResults.count(), 2);
}

QTEST_GUILESS_MAIN(tst_UserListQuery)
#include "tst_userlistquery.moc"
