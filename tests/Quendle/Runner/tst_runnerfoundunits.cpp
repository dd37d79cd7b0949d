// The runner's found-units list end to end: the unit program of the tests, found by discovery on
// the test network, listed with its users; typed addresses probed and asked directly with their
// status texts; late answers and timers of an earlier address; the probe dying with the manager.
#include "Quendle/AppCommon/SettingsKeys.h"
#include "Quendle/Global/ConfigManagerProtocol.h"
#include "Quendle/Runner/RunnerFoundUnitsManager.h"
#include "Quendle/Runner/UserListQuery.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "ZUNet/QT/TestDottedIPAddress.h"
#include "tests/support/Connections.h"
#include "tests/support/HexData.h"
#include "tests/support/NetTestHelpers.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/TestNetwork.h"
#include "tests/support/UnitProcess.h"
#include "tests/support/quendle/QuendleUnit.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QJsonArray>
#include <QQmlEngine>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

namespace
{

const QString kFindString = QStringLiteral("Test Find");
const QString kContacting = QStringLiteral("Contacting unit...");
const QString kNotReachable = QStringLiteral("Failed to discover\nremote unit");
const QString kNotEnabled = QStringLiteral("User lists\nnot enabled");
const QString kNotSupported = QStringLiteral("User lists\nnot supported");
const QString kSilentSubnetAddress = QStringLiteral("10.77.0.9"); // on the test subnet, nobody there

using tNames = QVector<QString>;
using tFlags = QVector<bool>;

/// The manager as the application holds it, with every status text it showed and when: a wait in
/// the test may notice a text late under load, the times here are when it came.
struct sManager {
    sManager()
        : mManager(new cRunnerFoundUnitsManager({ kFindString }, nullptr))
    {
        mClock.start();
        QObject::connect(mManager.get(), &cRunnerFoundUnitsManager::userListIPAddressErrorChanged, [this] {
            mTexts.append(mManager->userListIPAddressError());
            mShownAt.append(mClock.elapsed());
        });
    }
    ~sManager()
    {
        if (!mManager)
            return;
        QPointer<cUserListQuery> query(mManager->UserListQuery());
        mManager.reset();
        // At once, with no event loop turning: at exit none is left to carry a deferred delete.
        QVERIFY(query.isNull());
    }
    /// Joined into the network as StartZUNet does; the login page shows after that, or, with
    /// `shownFirst`, before it, as at the program's start.
    void Start(bool shownFirst = false)
    {
        if (shownFirst)
            mManager->pauseUserListQuery(false);
        mManager->SetZUNetNetworkConnection(cNetworkConnection::Instance());
        mManager->StartUnitFinder();
        if (!shownFirst)
            mManager->pauseUserListQuery(false);
    }
    cRunnerFoundUnitsManager* operator->() const { return mManager.get(); }
    QString Names() const
    {
        QStringList names;
        for (cQmlUnit* unit : mManager->units()->toList())
            names << unit->name();
        return names.join(QLatin1Char(','));
    }
    tNames OtherUsers() const
    {
        tNames names;
        const auto* users = mManager->units()->at(cRunnerFoundUnitsManager::kOtherIndex)->userList();
        for (int i = 0; i < users->count(); ++i)
            names.append(users->at(i)->userName());
        return names;
    }

    /// Milliseconds from text `index - 1` to text `index`.
    qint64 Shown(int index) const { return mShownAt.at(index) - mShownAt.at(index - 1); }
    /// Milliseconds since the last text came.
    qint64 SinceLast() const { return mClock.elapsed() - mShownAt.last(); }

    std::unique_ptr<cRunnerFoundUnitsManager> mManager;
    QStringList mTexts;
    QVector<qint64> mShownAt;
    QElapsedTimer mClock;
};

QJsonObject DescriptionWithUsers(const QStringList& names)
{
    QJsonArray users;
    for (const QString& name : names)
        users.append(QJsonObject { { "name", name }, { "password", "" }, { "valid", true } });
    QJsonObject description = cQuendleUnit::DefaultDescription();
    description["users"] = users;
    return description;
}

int ThreadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

} // namespace

class tst_RunnerFoundUnits : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void fixedEntries();
    void probeEndsWithTheManager(); // before any connection thread has come and gone
    void discoveredUnitWithItsUsers_data();
    void discoveredUnitWithItsUsers();
    void typedAddress_data();
    void typedAddress();
    void secondRequestWhileProbing();
    void newerTextOutlivesAnEarlierClear();
    void addressEditedWhileProbed();
    void answerForAnEarlierAddressDropped();
    void heldConnectionStays();

private:
    QString ConfigPath() const { return TestDataPath(QStringLiteral("config/runner.xml")); }
    cStartedNetwork mNetwork;
};

void tst_RunnerFoundUnits::initTestCase()
{
    ZU_REQUIRE_PRIVATE_TEST_NETWORK();
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("QuendleTests"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_runnerfoundunits"));
}

void tst_RunnerFoundUnits::init()
{
    QSettings().clear();
}

void tst_RunnerFoundUnits::cleanup()
{
    EndEveryConnection();
}

void tst_RunnerFoundUnits::fixedEntries()
{
    sManager manager;
    QAbstractItemModelTester tester(manager->units(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QCOMPARE(manager.Names(), QStringLiteral("Demo,Other..."));
    QCOMPARE(manager->units()->at(0)->type(), cQmlUnit::Demo);
    QVERIFY(manager->units()->at(0)->IpAddress().isEmpty());
    QCOMPARE(manager->selectedUnitIndex(), 1);
    QVERIFY(manager->selectedUnitIsIPAddress());
    QVERIFY(!manager->hasUserListIPAddressError());
    QVERIFY(manager->userListIPAddressError().isNull());
    QVERIFY(manager->selectedUnitUserList().isEmpty());

    // A first start selects the same entry once a unit is found.
    QVERIFY(QMetaObject::invokeMethod(manager.mManager.get(), "UnitFound", Qt::DirectConnection,
        Q_ARG(sUnit, (sUnit { QHostAddress(QStringLiteral("10.77.0.5")), QStringLiteral("Stage"), kFindString, {} })),
        Q_ARG(QVector<QString>, {}), Q_ARG(QVector<bool>, {})));
    QCOMPARE(manager.Names(), QStringLiteral("Demo,Other...,Stage"));
    QCOMPARE(manager->selectedUnitIndex(), cRunnerFoundUnitsManager::kOtherIndex);

    // Choosing "Demo" stores its index and keeps the last unit's name.
    manager->setLastUnitNameAndIndex(3, QStringLiteral("Stage"));
    manager->setLastUnitNameFromIndex(0);
    QCOMPARE(QSettings().value(cSettingsKeys::LastUnitIndex).toInt(), 0);
    QCOMPARE(QSettings().value(cSettingsKeys::LastUnitName).toString(), QStringLiteral("Stage"));

    // Without a network the invokables are harmless.
    manager->pauseUserListQuery(false);
    manager->setSelectedUnitIndex(0);
    QVERIFY(!manager->selectedUnitIsIPAddress());
    manager->unitIPAddressChanged();
}

void tst_RunnerFoundUnits::discoveredUnitWithItsUsers_data()
{
    QTest::addColumn<bool>("shownFirst");
    QTest::newRow("network, then login page") << false;
    QTest::newRow("login page, then network") << true;
}

void tst_RunnerFoundUnits::discoveredUnitWithItsUsers()
{
    QFETCH(bool, shownFirst);
    cQuendleUnit unit;
    // Every address: discovery reports whichever one the announcement left from.
    QVERIFY(
        unit.Start(QStringLiteral("0.0.0.0"), ConfigPath(), { "--announce", kFindString, "--unit-name", "unit.one" }));
    sManager manager;
    QAbstractItemModelTester tester(manager->units(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    manager.Start(shownFirst);
    QTRY_COMPARE_WITH_TIMEOUT(manager.Names(), QStringLiteral("Demo,Other...,unit.one"), 10000);
    cQmlUnit* found = manager->units()->at(2);
    QCOMPARE(found->userList()->count(), 0); // users come when it is selected

    QSignalSpy namesChanged(manager.mManager.get(), &cRunnerFoundUnitsManager::selectedUnitUserListChanged);
    QSignalSpy flagsChanged(manager.mManager.get(), &cRunnerFoundUnitsManager::selectedUnitUserHasPasswordListChanged);
    manager->setUserChangedSelectedUnit();
    manager->setSelectedUnitIndex(2);
    QVERIFY(!manager->selectedUnitIsIPAddress());
    QCOMPARE(manager->UserListQuery()->SelectedAddress(), found->IpAddress());
    QTRY_COMPARE_WITH_TIMEOUT(manager->selectedUnitUserList(), (QStringList { "Alice", "Bob", "Admin" }), 15000);
    QCOMPARE(manager->selectedUnitUserHasPasswordList(), (tFlags { true, false, true }));
    QCOMPARE(found->userList()->count(), 3);
    {
        // QML reads both lists as arrays.
        QQmlEngine engine;
        QQmlEngine::setObjectOwnership(manager.mManager.get(), QQmlEngine::CppOwnership);
        engine.globalObject().setProperty(QStringLiteral("manager"), engine.newQObject(manager.mManager.get()));
        const QJSValue seen = engine.evaluate(
            QStringLiteral("[manager.selectedUnitUserList.join(','), manager.selectedUnitUserHasPasswordList.length,"
                           " manager.selectedUnitUserHasPasswordList[1], manager.selectedUnitIsIPAddress,"
                           " manager.hasUserListIPAddressError].join(';')"));
        QCOMPARE(seen.toString(), QStringLiteral("Alice,Bob,Admin;3;false;false;false"));
    }
    QCOMPARE(namesChanged.count(), 1);
    QCOMPARE(flagsChanged.count(), 1);
    // The connection opened for the list goes once it is in.
    QTRY_COMPARE(ConnectionTo(QStringLiteral("unit.one")), ZUNET_NO_CONNECTION);

    // Selecting the same unit again changes nothing it shows.
    manager->setSelectedUnitIndex(2);
    QCOMPARE(namesChanged.count(), 1);
    QCOMPARE(flagsChanged.count(), 1);

    // "Demo" and "Other..." have no users and select no found unit; back on the unit its list is
    // shown again.
    manager->setSelectedUnitIndex(0);
    QVERIFY(manager->selectedUnitUserList().isEmpty());
    QVERIFY(manager->selectedUnitUserHasPasswordList().isEmpty());
    QVERIFY(manager->UserListQuery()->SelectedAddress().isNull());
    manager->setSelectedUnitIndex(1);
    QVERIFY(manager->selectedUnitUserList().isEmpty());
    QCOMPARE(namesChanged.count(), 2);
    manager->setSelectedUnitIndex(2);
    QCOMPARE(manager->selectedUnitUserList(), (QStringList { "Alice", "Bob", "Admin" }));
    QCOMPARE(manager->UserListQuery()->SelectedAddress(), found->IpAddress());
    manager->setSelectedUnitIndex(1);
    QVERIFY(manager->UserListQuery()->SelectedAddress().isNull());

    // Out of the list: no users, nothing asked.
    manager->setSelectedUnitIndex(7);
    QVERIFY(manager->selectedUnitUserList().isEmpty());

    // The unit stops announcing: it leaves the list.
    manager->setSelectedUnitIndex(2);
    unit.Kill();
    QTRY_COMPARE_WITH_TIMEOUT(manager.Names(), QStringLiteral("Demo,Other..."), 15000);
}

// A typed address: the texts shown in order (a null text as ""), and the users given to "Other...".
void tst_RunnerFoundUnits::typedAddress_data()
{
    QTest::addColumn<QString>("unitProgram"); // "quendle", "zunet" (no user-list server) or none
    QTest::addColumn<QString>("config");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<tNames>("names");
    QTest::addColumn<tFlags>("flags");

    const QString config = ConfigPath();
    const QString noConfig = QStringLiteral("/nonexistent/config.xml");
    const QString unitAddress = QStringLiteral("10.77.0.1");
    QTest::newRow("users listed") << "quendle" << config << unitAddress << QStringList { kContacting, "" }
                                  << tNames { "Alice", "Bob", "Admin" } << tFlags { true, false, true };
    QTest::newRow("user lists not enabled") << "quendle" << noConfig << unitAddress
                                            << QStringList { kContacting, "", kNotEnabled, "" } << tNames() << tFlags();
    QTest::newRow("user lists not supported")
        << "zunet" << config << unitAddress << QStringList { kContacting, "", kNotSupported, "" } << tNames()
        << tFlags();
    QTest::newRow("nobody on the subnet") << "none" << config << kSilentSubnetAddress
                                          << QStringList { kContacting, kNotReachable, "" } << tNames() << tFlags();
    QTest::newRow("nobody on loopback") << "none" << config << QStringLiteral("127.0.0.9")
                                        << QStringList { kContacting, kNotReachable, "" } << tNames() << tFlags();
    QTest::newRow("malformed") << "none" << config << QStringLiteral("10.77.0.256")
                               << QStringList { kContacting, kNotReachable, "" } << tNames() << tFlags();
    QTest::newRow("empty") << "none" << config << QStringLiteral("") << QStringList { kContacting, kNotReachable, "" }
                           << tNames() << tFlags();
}

void tst_RunnerFoundUnits::typedAddress()
{
    QFETCH(QString, unitProgram);
    QFETCH(QString, config);
    QFETCH(QString, address);
    QFETCH(QStringList, texts);
    QFETCH(tNames, names);
    QFETCH(tFlags, flags);

    cQuendleUnit quendleUnit;
    cUnitProcess zunetUnit;
    if (unitProgram == QLatin1String("quendle"))
        QVERIFY(quendleUnit.Start(address, config));
    else if (unitProgram == QLatin1String("zunet"))
        QVERIFY(zunetUnit.Start({ "--listen", address }));

    sManager manager;
    manager.Start();
    QSignalSpy errorChanged(manager.mManager.get(), &cRunnerFoundUnitsManager::userListIPAddressErrorChanged);
    manager->requestIPAddressUserList(address);
    QCOMPARE(manager.mTexts, QStringList { kContacting });
    QVERIFY(manager->hasUserListIPAddressError());

    QTRY_COMPARE_WITH_TIMEOUT(manager.mTexts.size(), texts.size() - 1, 20000);
    if (texts.size() > 2) {
        // A failure text clears itself after three seconds.
        QVERIFY(manager->hasUserListIPAddressError());
        QTRY_COMPARE_WITH_TIMEOUT(manager.mTexts.size(), texts.size(), 6000);
        const qint64 shown = manager.Shown(texts.size() - 1);
        QVERIFY2(shown >= 2800, qPrintable(QString::number(shown)));
    } else if (!names.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(manager.OtherUsers(), names, 15000);
    }
    QCOMPARE(manager.mTexts, texts);
    QVERIFY(!manager->hasUserListIPAddressError());
    QCOMPARE(manager.OtherUsers(), names);
    // "Other..." is selected: its users are the ones offered.
    QCOMPARE(manager->selectedUnitUserList(), QStringList(names.toList()));
    QCOMPARE(manager->selectedUnitUserHasPasswordList(), flags);
    QCOMPARE(errorChanged.count(), texts.size());
    QTRY_COMPARE(ConnectionTo(address), ZUNET_NO_CONNECTION);

    // Editing the address empties "Other..." at once.
    manager->unitIPAddressChanged();
    QVERIFY(manager.OtherUsers().isEmpty());
    QVERIFY(manager->selectedUnitUserList().isEmpty());
}

void tst_RunnerFoundUnits::secondRequestWhileProbing()
{
    cQuendleUnit unit;
    QVERIFY(unit.Start(QStringLiteral("10.77.0.1"), ConfigPath()));
    sManager manager;
    manager.Start();
    manager->requestIPAddressUserList(kSilentSubnetAddress);
    manager->requestIPAddressUserList(QStringLiteral("10.77.0.1"));
    QCOMPARE(manager.mTexts, QStringList { kContacting });
    QTRY_COMPARE_WITH_TIMEOUT(manager.mTexts, (QStringList { kContacting, kNotReachable }), 10000);
    QVERIFY(manager.OtherUsers().isEmpty());
    QVERIFY(!manager->UserListQuery()->DirectQueryPending());
}

void tst_RunnerFoundUnits::newerTextOutlivesAnEarlierClear()
{
    // A failure arms the clear; a new request a second later shows "Contacting unit..." while its
    // probe (a silent address: some seconds) runs past the moment the first clear was due, and its
    // own failure gets its own three seconds. Times count from when each text came, not from when
    // the test saw it, and leave room for a loaded machine.
    sManager manager;
    manager.Start();
    manager->requestIPAddressUserList(QStringLiteral("127.0.0.9"));
    QTRY_COMPARE_WITH_TIMEOUT(manager.mTexts, (QStringList { kContacting, kNotReachable }), 10000);
    QTest::qWait(int(qMax<qint64>(0, 1000 - manager.SinceLast())));
    manager->requestIPAddressUserList(kSilentSubnetAddress);
    QCOMPARE(manager->userListIPAddressError(), kContacting);
    const qint64 firstClearDue = manager.mShownAt.at(1) + 3500;
    QTest::qWait(int(qMax<qint64>(0, firstClearDue - manager.mClock.elapsed())));
    if (manager.mTexts.size() == 3) // the subnet probe is still running
        QCOMPARE(manager->userListIPAddressError(), kContacting);
    QTRY_COMPARE_WITH_TIMEOUT(manager.mTexts.size(), 4, 10000);
    QCOMPARE(manager.mTexts.last(), kNotReachable);
    QTRY_COMPARE_WITH_TIMEOUT(manager.mTexts.size(), 5, 6000);
    QVERIFY2(manager.Shown(4) >= 2800, qPrintable(QString::number(manager.Shown(4))));
    QCOMPARE(manager.mTexts, (QStringList { kContacting, kNotReachable, kContacting, kNotReachable, "" }));
}

void tst_RunnerFoundUnits::addressEditedWhileProbed()
{
    // The user edits the address while it is probed: its outcome is not shown and nothing is asked.
    cQuendleUnit unit;
    QVERIFY(unit.Start(QStringLiteral("10.77.0.1"), ConfigPath()));
    for (const QString& address : { QStringLiteral("10.77.0.1"), kSilentSubnetAddress }) {
        sManager manager;
        manager.Start();
        manager->requestIPAddressUserList(address);
        manager->unitIPAddressChanged();
        QTRY_COMPARE_WITH_TIMEOUT(manager.mTexts, (QStringList { kContacting, "" }), 10000);
        QVERIFY(!manager->UserListQuery()->DirectQueryPending());
        QTest::qWait(200);
        QVERIFY(manager.OtherUsers().isEmpty());
        QCOMPARE(manager.mTexts.size(), 2);
    }
    QCOMPARE(unit.CountLines(QStringLiteral("unit: user list asked")), 0);
}

void tst_RunnerFoundUnits::answerForAnEarlierAddressDropped()
{
    // The first unit never answers its user list; the user types the second unit's address while
    // that query still runs. The first unit's late failure is not shown, and the second is asked
    // as soon as the query is free.
    cQuendleUnit first;
    QVERIFY(first.Start(QStringLiteral("127.0.0.2"), ConfigPath(), { "--user-list-reply", "silent" }));
    cQuendleUnit second;
    QVERIFY(second.Start(QStringLiteral("127.0.0.3"), ConfigPath(), {}, DescriptionWithUsers({ "Carol", "Dave" })));
    sManager manager;
    manager.Start();
    manager->requestIPAddressUserList(QStringLiteral("127.0.0.2"));
    QVERIFY(first.WaitForLine(QStringLiteral("unit: user list asked")));
    manager->unitIPAddressChanged();
    manager->requestIPAddressUserList(QStringLiteral("127.0.0.3"));
    QTRY_COMPARE_WITH_TIMEOUT(manager.mTexts, (QStringList { kContacting, "", kContacting, "" }), 10000);
    QVERIFY(manager->UserListQuery()->DirectQueryPending()); // still the first unit's query
    first.Kill();
    QTRY_COMPARE_WITH_TIMEOUT(manager.OtherUsers(), (tNames { "Carol", "Dave" }), 15000);
    QCOMPARE(manager->selectedUnitUserList(), (QStringList { "Carol", "Dave" }));
    QCOMPARE(manager.mTexts, (QStringList { kContacting, "", kContacting, "" }));
}

void tst_RunnerFoundUnits::heldConnectionStays()
{
    // The runner already holds a connection to the typed address (as sign-in does): the direct
    // query goes over it and leaves it open.
    const QString address = QStringLiteral("10.77.0.1");
    cQuendleUnit unit;
    QVERIFY(unit.Start(address, ConfigPath()));
    cProbeObject holder("Holder", 1);
    holder.mSwallowAll = true;
    QVERIFY(AddSyncLink(address + "/" + Quendle::kUserListServerName, "Holder"));
    QTRY_VERIFY_WITH_TIMEOUT(!ReceivedUnderPollLock(holder).isEmpty(), 15000);
    const UWORD held = ConnectionTo(address);
    QVERIFY(held != ZUNET_NO_CONNECTION);
    const ULONG generation = cNetworkConnection::Instance()->GetConnectionGeneration(held);

    sManager manager;
    manager.Start();
    manager->requestIPAddressUserList(address);
    QTRY_COMPARE_WITH_TIMEOUT(manager.OtherUsers(), (tNames { "Alice", "Bob", "Admin" }), 15000);
    // A later request over the same connection is answered too: the first link was undone.
    manager->unitIPAddressChanged();
    manager->requestIPAddressUserList(address);
    QTRY_COMPARE_WITH_TIMEOUT(manager.OtherUsers(), (tNames { "Alice", "Bob", "Admin" }), 15000);
    QCOMPARE(ConnectionTo(address), held);
    QCOMPARE(cNetworkConnection::Instance()->GetConnectionGeneration(held), generation);
}

void tst_RunnerFoundUnits::probeEndsWithTheManager()
{
    // The manager goes while its probe waits for an address nobody answers: the probe and its
    // thread go with it, and its finish never reaches the deleted manager.
    QTest::qWait(200); // the network's threads have settled
    const int threadsBefore = ThreadCount();
    {
        auto manager = std::make_unique<cRunnerFoundUnitsManager>(QStringList { kFindString }, nullptr);
        manager->requestIPAddressUserList(kSilentSubnetAddress);
        QCOMPARE(manager->userListIPAddressError(), kContacting);
        QTRY_COMPARE(ThreadCount(), threadsBefore + 1);
    }
    QTRY_COMPARE(ThreadCount(), threadsBefore);
    // Past the probe's own time-out nothing else happens.
    QTest::qWait(cTestDottedIPAddress::kTimeoutMs + 500);
    QCOMPARE(ThreadCount(), threadsBefore);
}

QTEST_GUILESS_MAIN(tst_RunnerFoundUnits)
#include "tst_runnerfoundunits.moc"
