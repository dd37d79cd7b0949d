// Connection units against the unit side running as a separate process on the test network:
// reached by address (probe, connection, manager seek), by a name or a fallback address, signed in
// through the configuration client with the right and the wrong password, refused for its version,
// and followed through a unit that goes away and comes back.
#include "Common/Qt/UnitFinder.h"
#include "Quendle/AppCommon/ConnectionUnit.h"
#include "Quendle/AppCommon/EditorQuendleConfigClient.h"
#include "Quendle/AppCommon/PasswordHashing.h"
#include "Quendle/AppCommon/QuendleConfigClient.h"
#include "Quendle/AppCommon/RunnerQuendleConfigClient.h"
#include "Quendle/Properties/Properties.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "ZUNet/QT/TestDottedIPAddress.h"
#include "tests/support/Connections.h"
#include "tests/support/quendle/QuendleUnit.h"
#include "tests/support/quendle/TestConfig.h"

#include <QProcess>
#include <QtTest>

#include <memory>

using Quendle::GetHashedPassword;
using Quendle::GetHashedString;

namespace
{

const QString kUnitAddress = QStringLiteral("127.0.0.2");
const QString kSecondAddress = QStringLiteral("127.0.0.3");
const QString kNobody = QStringLiteral("127.0.0.4");

/// Counts every notification of a unit, as QML would see them.
struct sUnitSpies {
    explicit sUnitSpies(cConnectionUnit* unit)
        : mConnected(unit, &cConnectionUnit::connectedChanged)
        , mAuthenticated(unit, &cConnectionUnit::authenticatedChanged)
        , mFailed(unit, &cConnectionUnit::authenticationFailedChanged)
        , mFound(unit, &cConnectionUnit::ConfigClientFound)
        , mNotFound(unit, &cConnectionUnit::ConfigClientNotFound)
        , mSignedIn(unit, &cConnectionUnit::Authenticated)
        , mRefused(unit, &cConnectionUnit::authenticationFailedSignal)
    {
    }
    int Outcomes() const { return mFound.count() + mNotFound.count(); }
    QSignalSpy mConnected, mAuthenticated, mFailed, mFound, mNotFound, mSignedIn, mRefused;
};

} // namespace

class tst_ConnectionUnit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void typesAndNames();
    void clientFollowsTheConfiguration();
    void unreachableTexts_data();
    void unreachableTexts();
    void secondAttemptWhileProbing();
    void lowLifetimeWarningOfItsOwnConnection();
    void signIn_data();
    void signIn();
    void fallbackAddress();
    void versionMismatch();
    void unitGoneBeforeSignIn();
    void unitLostAfterSignInAndBack();
    void failedRetryTellsQml();
    void connectionEndsWhileSeeking();
    void nameThroughDiscovery();

private:
    bool Connect(cConnectionUnit& unit, sUnitSpies& spies);
    bool SignIn(cConnectionUnit& unit, sUnitSpies& spies, const QString& name, const QString& password);

    cStartedNetwork mNetwork;
    std::unique_ptr<QTemporaryDir> mDir;
    std::unique_ptr<cQuendleUnit> mUnit;
};

void tst_ConnectionUnit::init()
{
    mDir = std::make_unique<QTemporaryDir>();
    mUnit = std::make_unique<cQuendleUnit>();
}

void tst_ConnectionUnit::cleanup()
{
    mUnit.reset();
    EndEveryConnection();
    mDir.reset();
}

bool tst_ConnectionUnit::Connect(cConnectionUnit& unit, sUnitSpies& spies)
{
    const int before = spies.Outcomes();
    unit.ConnectToUnit(nullptr);
    [&] { QTRY_VERIFY_WITH_TIMEOUT(spies.Outcomes() > before, 15000); }();
    return spies.mFound.count() > 0 && unit.connected();
}

bool tst_ConnectionUnit::SignIn(cConnectionUnit& unit, sUnitSpies& spies, const QString& name, const QString& password)
{
    const int before = spies.mSignedIn.count() + spies.mRefused.count();
    unit.ConfigClient()->Authenticate(GetHashedString(name), GetHashedPassword(password));
    [&] { QTRY_VERIFY_WITH_TIMEOUT(spies.mSignedIn.count() + spies.mRefused.count() > before, 10000); }();
    return unit.authenticated();
}

void tst_ConnectionUnit::typesAndNames()
{
    cConnectionUnit a(nullptr, QStringLiteral("x"), QStringLiteral("corvo16"), nullptr);
    const QByteArray first(a.ConfigClient()->GetName());
    QVERIFY(first.startsWith("QuendleConfigClient_"));
    const int n = first.mid(int(strlen("QuendleConfigClient_"))).toInt();
    auto b = std::make_unique<cConnectionUnit>(nullptr, QStringLiteral("y"), QStringLiteral("corvo48"), nullptr);
    QCOMPARE(QByteArray(b->ConfigClient()->GetName()), "QuendleConfigClient_" + QByteArray::number(n + 1));
    b.reset();
    cConnectionUnit c(nullptr, QStringLiteral("z"), QStringLiteral("unknown"), nullptr);
    QCOMPARE(QByteArray(c.ConfigClient()->GetName()), "QuendleConfigClient_" + QByteArray::number(n + 2));

    QCOMPARE(a.GetUserFacingTypeString(), QStringLiteral("Corvo-16"));
    QCOMPARE(a.userFacingTypeProperty()->stringValue(), QStringLiteral("Corvo-16"));
    QCOMPARE(c.GetUserFacingTypeString(), QStringLiteral("Unknown"));
    QCOMPARE(
        cConnectionUnit::AvailableUnitTypes(), (QStringList { "corvo16", "corvo32", "corvo64", "fennick", "tarvo" }));
    QVERIFY(!cConnectionUnit::AllTypes().contains(QStringLiteral("unknown")));
    QCOMPARE(cConnectionUnit::VesprilTypes(), (QStringList { "corvo64", "corvo32", "corvo16" }));

    QSignalSpy typeChanged(&a, &cConnectionUnit::typeChanged);
    a.SetType(QStringLiteral("tarvo"));
    a.SetType(QStringLiteral("tarvo"));
    QCOMPARE(typeChanged.count(), 1);
    QCOMPARE(a.userFacingTypeProperty()->stringValue(), QStringLiteral("Tarvo"));
    QCOMPARE(a.nameOrIpAddressProperty()->name(), QStringLiteral("Name / Ip Address"));
    QVERIFY(a.nameOrIpAddressProperty()->editable());
    QVERIFY(!a.userFacingTypeProperty()->editable());

    // A low-TTL warning counts only for the unit's own connection.
    QSignalSpy low(&a, &cConnectionUnit::lostCommsLowTTLChanged);
    Q_EMIT cNetworkConnection::Instance()->UnitLowTTLWarning(5, true);
    QCOMPARE(low.count(), 0);
}

void tst_ConnectionUnit::clientFollowsTheConfiguration()
{
    cTestApplication application;
    cTestConfig config(&application);
    cConnectionUnit runner(nullptr, QStringLiteral("x"), QStringLiteral("tarvo"), &config);
    QVERIFY(qobject_cast<cRunnerQuendleConfigClient*>(runner.ConfigClient()));
    cConnectionUnit withoutConfig(nullptr, QStringLiteral("x"), QStringLiteral("tarvo"), nullptr);
    QVERIFY(qobject_cast<cRunnerQuendleConfigClient*>(withoutConfig.ConfigClient()));
    config.mEditor = true;
    cConnectionUnit editor(nullptr, QStringLiteral("x"), QStringLiteral("tarvo"), &config);
    QVERIFY(qobject_cast<cEditorQuendleConfigClient*>(editor.ConfigClient()));
    QVERIFY(QByteArray(editor.ConfigClient()->GetName()).startsWith("QuendleConfigClient_"));
}

void tst_ConnectionUnit::unreachableTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason");
    QTest::newRow("three dots, no address") << "10.0.0.300"
                                            << "Invalid IP address";
    QTest::newRow("three dots in a name") << "mixer1.stage.local.lan"
                                          << "Invalid IP address";
    QTest::newRow("name without a finder") << "Stage"
                                           << "Could not resolve unit name";
    QTest::newRow("nobody there") << kNobody << "";
}

void tst_ConnectionUnit::unreachableTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, reason);
    cConnectionUnit unit(nullptr, text, QStringLiteral("tarvo"), nullptr);
    sUnitSpies spies(&unit);
    QVERIFY(!Connect(unit, spies));
    QCOMPARE(spies.mNotFound.count(), 1);
    QCOMPARE(unit.connectionFailureReason(), reason);
    QVERIFY(!unit.connected());
    QCOMPARE(spies.mConnected.count(), 0);
}

void tst_ConnectionUnit::secondAttemptWhileProbing()
{
    cConnectionUnit unit(nullptr, kNobody, QStringLiteral("tarvo"), nullptr);
    sUnitSpies spies(&unit);
    unit.ConnectToUnit(nullptr);
    unit.ConnectToUnit(nullptr);
    QCOMPARE(unit.findChildren<cTestDottedIPAddress*>().size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(spies.mNotFound.count(), 1, 15000);
    QCOMPARE(unit.findChildren<cTestDottedIPAddress*>().size(), 0);
}

void tst_ConnectionUnit::lowLifetimeWarningOfItsOwnConnection()
{
    QVERIFY(mUnit->Start(kUnitAddress, mDir->filePath(QStringLiteral("none.xml"))));
    cConnectionUnit unit(nullptr, kUnitAddress, QStringLiteral("tarvo"), nullptr);
    sUnitSpies spies(&unit);
    QVERIFY(Connect(unit, spies));
    QSignalSpy low(&unit, &cConnectionUnit::lostCommsLowTTLChanged);
    cNetworkConnection* network = cNetworkConnection::Instance();
    // Another connection's warning is not this unit's.
    Q_EMIT network->UnitLowTTLWarning(UWORD(unit.ConnectionId() + 1), true);
    QCOMPARE(low.count(), 0);
    Q_EMIT network->UnitLowTTLWarning(unit.ConnectionId(), true);
    Q_EMIT network->UnitLowTTLWarning(unit.ConnectionId(), true);
    QCOMPARE(low.count(), 1);
    QVERIFY(unit.lostCommsLowTTL());
    Q_EMIT network->UnitLowTTLWarning(unit.ConnectionId(), false);
    QCOMPARE(low.count(), 2);
    QVERIFY(!unit.lostCommsLowTTL());
    // The clearing step takes the warning down with the connection.
    Q_EMIT network->UnitLowTTLWarning(unit.ConnectionId(), true);
    unit.disconnectFromUnit();
    QVERIFY(!unit.lostCommsLowTTL());
    QCOMPARE(low.count(), 4);
}

void tst_ConnectionUnit::signIn_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("right password") << "wonder" << true;
    QTest::newRow("wrong password") << "blunder" << false;
}

void tst_ConnectionUnit::signIn()
{
    QFETCH(QString, password);
    QFETCH(bool, accepted);
    QVERIFY(mUnit->Start(kUnitAddress, mDir->filePath(QStringLiteral("none.xml"))));

    cConnectionUnit unit(nullptr, kUnitAddress, QStringLiteral("tarvo"), nullptr);
    sUnitSpies spies(&unit);
    QVERIFY(Connect(unit, spies));
    QCOMPARE(spies.mConnected.count(), 1);
    QVERIFY(unit.ConnectionId() != 0xFFFF);

    QCOMPARE(SignIn(unit, spies, QStringLiteral("Alice"), password), accepted);
    QCOMPARE(unit.authenticationFailed(), !accepted);
    QCOMPARE(unit.connectionFailureReason(), accepted ? QString() : QStringLiteral("Incorrect password"));
    QVERIFY(unit.connected());
    if (!accepted) {
        // A later success keeps the failure mark until the next clearing step.
        QVERIFY(SignIn(unit, spies, QStringLiteral("Alice"), QStringLiteral("wonder")));
        QVERIFY(unit.authenticationFailed());
    }

    const int connectedChanges = spies.mConnected.count();
    unit.disconnectFromUnit();
    QVERIFY(!unit.connected() && !unit.authenticated() && !unit.authenticationFailed());
    QCOMPARE(spies.mConnected.count(), connectedChanges + 1);
    QCOMPARE(unit.ConnectionId(), UWORD(0xFFFF));
    QTRY_COMPARE(cNetworkConnection::Instance()->GetNumberOfConnections(), UWORD(0));
}

void tst_ConnectionUnit::fallbackAddress()
{
    QVERIFY(mUnit->Start(kUnitAddress, mDir->filePath(QStringLiteral("none.xml"))));
    cConnectionUnit unit(nullptr, QStringLiteral("10.0.0.300"), QStringLiteral("tarvo"), kUnitAddress, nullptr);
    sUnitSpies spies(&unit);
    QCOMPARE(unit.FindIpAddress(nullptr), kUnitAddress.toUtf8());
    QVERIFY(Connect(unit, spies));
    QCOMPARE(ConnectionTo(kUnitAddress), unit.ConnectionId());
    QVERIFY(SignIn(unit, spies, QStringLiteral("Alice"), QStringLiteral("wonder")));
}

void tst_ConnectionUnit::versionMismatch()
{
    QVERIFY(mUnit->Start(kUnitAddress, mDir->filePath(QStringLiteral("none.xml")),
        { QStringLiteral("--min-client-version"), QStringLiteral("1.4.0") }));
    cConnectionUnit unit(nullptr, kUnitAddress, QStringLiteral("tarvo"), nullptr);
    sUnitSpies spies(&unit);
    QVERIFY(!Connect(unit, spies));
    QCOMPARE(unit.connectionFailureReason(), QStringLiteral("Version mismatch"));
    QCOMPARE(unit.ConnectionId(), UWORD(0xFFFF));
    QTRY_COMPARE(cNetworkConnection::Instance()->GetNumberOfConnections(), UWORD(0));
}

void tst_ConnectionUnit::unitGoneBeforeSignIn()
{
    QVERIFY(mUnit->Start(kUnitAddress, mDir->filePath(QStringLiteral("none.xml"))));
    cConnectionUnit unit(nullptr, kUnitAddress, QStringLiteral("tarvo"), nullptr);
    sUnitSpies spies(&unit);
    QVERIFY(Connect(unit, spies));

    mUnit->Kill();
    QTRY_VERIFY_WITH_TIMEOUT(!unit.connected(), 15000);
    QCOMPARE(spies.mConnected.count(), 2);
    QCOMPARE(unit.ConnectionId(), UWORD(0xFFFF));
    QVERIFY(!Connect(unit, spies));
    QCOMPARE(unit.connectionFailureReason(), QString());
}

void tst_ConnectionUnit::unitLostAfterSignInAndBack()
{
    QVERIFY(mUnit->Start(kUnitAddress, mDir->filePath(QStringLiteral("none.xml"))));
    cConnectionUnit unit(nullptr, kUnitAddress, QStringLiteral("tarvo"), nullptr);
    sUnitSpies spies(&unit);
    QVERIFY(Connect(unit, spies));
    QVERIFY(SignIn(unit, spies, QStringLiteral("Alice"), QStringLiteral("wonder")));
    QCOMPARE(spies.mAuthenticated.count(), 1);

    mUnit->Kill();
    QTRY_VERIFY_WITH_TIMEOUT(!unit.connected(), 15000);
    QVERIFY(!unit.authenticated());
    QCOMPARE(spies.mConnected.count(), 2);
    QCOMPARE(spies.mAuthenticated.count(), 2);

    // The unit comes back: the same object connects and signs in again.
    mUnit = std::make_unique<cQuendleUnit>();
    QVERIFY(mUnit->Start(kUnitAddress, mDir->filePath(QStringLiteral("none.xml"))));
    QVERIFY(Connect(unit, spies));
    QCOMPARE(spies.mConnected.count(), 3);
    QVERIFY(SignIn(unit, spies, QStringLiteral("Alice"), QStringLiteral("wonder")));
    QCOMPARE(spies.mAuthenticated.count(), 3);
}

// A new attempt on a connected unit clears `connected` without a notice; when that attempt fails,
// QML must hear that the unit is no longer connected. A connection of an earlier attempt to another
// host is ended when the new one is stored, not left open.
void tst_ConnectionUnit::failedRetryTellsQml()
{
    QVERIFY(mUnit->Start(kUnitAddress, mDir->filePath(QStringLiteral("none.xml"))));
    cQuendleUnit second;
    QVERIFY(second.Start(kSecondAddress, mDir->filePath(QStringLiteral("none.xml"))));
    cConnectionUnit unit(nullptr, kUnitAddress, QStringLiteral("tarvo"), nullptr);
    sUnitSpies spies(&unit);
    QVERIFY(Connect(unit, spies));
    QCOMPARE(spies.mConnected.count(), 1);
    const UWORD firstId = unit.ConnectionId();

    unit.nameOrIpAddressProperty()->setStringValue(kSecondAddress);
    QVERIFY(Connect(unit, spies));
    QCOMPARE(spies.mConnected.count(), 2);
    cNetworkConnection* network = cNetworkConnection::Instance();
    QCOMPARE(ConnectionTo(kSecondAddress), unit.ConnectionId());
    QTRY_VERIFY(!network->IsConnectionIDInUse(firstId) || unit.ConnectionId() == firstId);
    QTRY_COMPARE(network->GetNumberOfConnections(), UWORD(1));

    unit.nameOrIpAddressProperty()->setStringValue(kNobody);
    unit.ConnectToUnit(nullptr);
    QVERIFY(!unit.connected());
    QCOMPARE(spies.mConnected.count(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(spies.mNotFound.count(), 1, 15000);
    QCOMPARE(spies.mConnected.count(), 3);
    QVERIFY(!unit.connected());
}

// The unit goes while its configuration manager is being sought (its version object never
// answers): the attempt ends as a failure, and the same object connects once the unit is back.
void tst_ConnectionUnit::connectionEndsWhileSeeking()
{
    QVERIFY(
        mUnit->Start(kUnitAddress, mDir->filePath(QStringLiteral("none.xml")), { QStringLiteral("--mute-version") }));
    cConnectionUnit unit(nullptr, kUnitAddress, QStringLiteral("tarvo"), nullptr);
    sUnitSpies spies(&unit);
    unit.ConnectToUnit(nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(unit.ConnectionId() != 0xFFFF, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(unit.ConfigClient()->ManagerConnectionId() != 0xFFFF, 10000);
    QTest::qWait(200);
    QCOMPARE(spies.Outcomes(), 0);

    mUnit->Kill();
    QTRY_COMPARE_WITH_TIMEOUT(spies.mNotFound.count(), 1, 15000);
    QCOMPARE(spies.mFound.count(), 0);
    QVERIFY(!unit.connected());
    QCOMPARE(unit.ConnectionId(), UWORD(0xFFFF));

    mUnit = std::make_unique<cQuendleUnit>();
    QVERIFY(mUnit->Start(kUnitAddress, mDir->filePath(QStringLiteral("none.xml"))));
    QVERIFY(Connect(unit, spies));
    QVERIFY(SignIn(unit, spies, QStringLiteral("Alice"), QStringLiteral("wonder")));
}

// A typed name is resolved through discovery: an announcer process names the unit, the unit
// program answers on every address of the test network.
void tst_ConnectionUnit::nameThroughDiscovery()
{
    QVERIFY(mUnit->Start(QStringLiteral("0.0.0.0"), mDir->filePath(QStringLiteral("none.xml"))));
    cMultiUnitFinder finder;
    finder.SetTimerRunning(false);
    finder.StartFindingUnits(QStringLiteral("Vek Find"), true);
    gMultiUnitFinder.store(&finder);
    QProcess announcer;
    announcer.start(QStringLiteral(ZUNET_FINDME_UNIT),
        { QStringLiteral("Vek Find"), QStringLiteral("Stage"), QStringLiteral("{}") });
    QVERIFY(announcer.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(
        !finder.GetHostAddressByUnitName(QStringLiteral("Vek Find"), QStringLiteral("Stage")).isNull(), 10000);

    cConnectionUnit wrongCase(nullptr, QStringLiteral("stage"), QStringLiteral("tarvo"), nullptr);
    sUnitSpies wrongSpies(&wrongCase);
    wrongCase.ConnectToUnit(&finder);
    QCOMPARE(wrongSpies.mNotFound.count(), 1);
    QCOMPARE(wrongCase.connectionFailureReason(), QStringLiteral("Could not resolve unit name"));

    cConnectionUnit unit(nullptr, QStringLiteral("Stage"), QStringLiteral("tarvo"), nullptr);
    sUnitSpies spies(&unit);
    QVERIFY(QHostAddress(QString::fromUtf8(unit.FindIpAddress(&finder)))
                .isInSubnet(QHostAddress(QStringLiteral("10.77.0.0")), 24));
    const int before = spies.Outcomes();
    unit.ConnectToUnit(&finder);
    QTRY_VERIFY_WITH_TIMEOUT(spies.Outcomes() > before, 15000);
    QVERIFY(unit.connected());
    QVERIFY(SignIn(unit, spies, QStringLiteral("Alice"), QStringLiteral("wonder")));

    unit.disconnectFromUnit();
    gMultiUnitFinder.store(nullptr);
    announcer.kill();
    announcer.waitForFinished(5000);
}

QTEST_GUILESS_MAIN(tst_ConnectionUnit)
#include "tst_connectionunit.moc"
