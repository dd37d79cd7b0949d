// The multi-unit connection interface against unit programs running as separate processes on the
// test network: a primary unit that hands out login tokens and secondary units that accept them
// only from the address the primary stored; units going on line as they sign in, reported lost
// when their program is killed and back when it returns; token refusals, the old-manager
// fallback, the order of the token queue, and retries that stop with the list.
#include "Quendle/AppCommon/PasswordHashing.h"
#include "Quendle/AppCommon/QuendleConfigClient.h"
#include "Quendle/Properties/Properties.h"
#include "Quendle/Runner/ConfigConnectionInterface.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "tests/support/Connections.h"
#include "tests/support/HexData.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/quendle/QuendleUnit.h"

#include <QtTest>

#include <memory>

using namespace Quendle;

namespace
{

const QString kPrimary = QStringLiteral("127.0.0.2");
const QString kSecondary = QStringLiteral("127.0.0.3");
const QString kThird = QStringLiteral("127.0.0.4");
const QString kFourth = QStringLiteral("127.0.0.5");
const QString kNobody = QStringLiteral("127.0.0.9"); // no unit listens here
// The test network's second address: a runner reaching the primary here is seen as 10.77.0.2, while
// it reaches the other units on loopback from 127.0.0.1.
const QString kPrimaryOnTestNetwork = QStringLiteral("10.77.0.2");
const QString kTokenRefusedTrace = QStringLiteral("ERROR: Token failed to authenticate to unit %1");

/// The application as the interface sees it: it holds the primary unit and signs in to it again
/// with the user's stored credentials.
class cTestApplication : public QObject, public cConnectionInterfaceApplication
{
public:
    cConnectionUnit* PrimaryConnectionUnit() const override { return mPrimary; }
    cMultiUnitFinder* MultiUnitFinder() const override { return nullptr; }
    UBYTE DeviceType() const override { return 0; }
    void AuthenticatePrimaryUnit() override
    {
        ++mSignIns;
        mPrimary->ConfigClient()->Authenticate(GetHashedString("Alice"), GetHashedPassword("wonder"));
    }
    QObject* ApplicationObject() override { return this; }

    cConnectionUnit* mPrimary = nullptr;
    int mSignIns = 0;
};

/// A layout as it hooks in: which of its units it holds on line, from the interface's reports.
class cLayoutWatcher : public QObject
{
public:
    explicit cLayoutWatcher(cConfigConnectionInterface* interface)
    {
        connect(interface, &cConfigConnectionInterface::UnitUpChanged, this, [this](cConnectionUnit* unit, bool up) {
            mOnline.insert(unit, up);
            mEvents.append(unit->NameOrIpAddress() + (up ? QStringLiteral(" up") : QStringLiteral(" down")));
        });
    }
    bool Online(cConnectionUnit* unit) const { return mOnline.value(unit, false); }
    QHash<cConnectionUnit*, bool> mOnline;
    QStringList mEvents;
};

/// The names the primary's configuration client answered login-token requests for, in order.
class cTokenWatcher : public QObject
{
public:
    explicit cTokenWatcher(cQuendleConfigClient* client)
    {
        connect(client, &cQuendleConfigClient::LoginTokenReceived, this,
            [this](const QByteArray&, const std::string& unit) { mTokens.append(QString::fromStdString(unit)); });
        connect(client, &cQuendleConfigClient::LoginTokenFailure, this,
            [this](eReplyFailureCodes code, const std::string& unit, const std::string&) {
                mFailures.append(QString::fromStdString(unit) + QLatin1Char(':') + QString::number(int(code)));
            });
        connect(client, &cQuendleConfigClient::ConfigUpdated, this, [this] { ++mConfigUpdated; });
    }
    QStringList mTokens;
    QStringList mFailures;
    int mConfigUpdated = 0;
};

struct sInterfaceSpies {
    explicit sInterfaceSpies(cConfigConnectionInterface* interface)
        : mAll(interface, &cConfigConnectionInterface::allUnitsConnectedAndAuthenticatedChanged)
        , mSome(interface, &cConfigConnectionInterface::someUnitsConnectedAndAuthenticatedChanged)
        , mFailed(interface, &cConfigConnectionInterface::someUnitsAuthenticationFailed)
        , mLowTTL(interface, &cConfigConnectionInterface::lostCommsLowTTLChanged)
    {
    }
    QSignalSpy mAll, mSome, mFailed, mLowTTL;
};

} // namespace

class tst_ConfigConnectionInterface : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void sameUnitAddress_data();
    void sameUnitAddress();
    void emptySetIsAllUp();
    void lostCommsOfAnyUnit();
    void tokenAnswersMatchByName();
    void namelessRefusalIsAboutTheUnitAsked();
    void signInToEveryUnitAndSecondaryBack();
    void everyUnitLostAndBack();
    void primaryBackHearsOfChanges_data();
    void primaryBackHearsOfChanges();
    void tokenOnlyFromTheStoredAddress();
    void tokenRefusals_data();
    void tokenRefusals();
    void tokenQueueInFoundOrderAndOnce();
    void disconnectAllUnitsStartsNoRetry();
    void retryAfterResetDoesNothing();

private:
    QString ConfigPath(const QString& name) const { return mDir->filePath(name); }
    /// The primary's stored configuration: names `units` with the hash of their admin password.
    bool WritePrimaryConfig(const QStringList& units) const;
    /// Starts the primary's program on `primaryAddress` with a configuration that names the
    /// secondary, and the secondary's with the test configuration.
    bool StartPrimaryAndSecondary(
        cQuendleUnit& primary, cQuendleUnit& secondary, const QString& primaryAddress = kPrimary);
    /// Connects the primary unit and, when asked, signs in as the user would.
    bool ConnectPrimary(bool signIn);
    cConnectionUnit* NewUnit(const QString& text);

    cStartedNetwork mNetwork;
    std::unique_ptr<QTemporaryDir> mDir;
    std::unique_ptr<cTestApplication> mApplication;
    std::unique_ptr<cConfigConnectionInterface> mInterface;
};

void tst_ConfigConnectionInterface::init()
{
    mDir = std::make_unique<QTemporaryDir>();
    QVERIFY(CopyTestData(QStringLiteral("config/runner.xml"), ConfigPath(QStringLiteral("config.xml"))));
    mApplication = std::make_unique<cTestApplication>();
    mApplication->mPrimary = NewUnit(kPrimary);
    mInterface = std::make_unique<cConfigConnectionInterface>(nullptr, mApplication.get());
}

void tst_ConfigConnectionInterface::cleanup()
{
    if (mInterface)
        mInterface->disconnectAllUnits();
    mInterface.reset();
    mApplication.reset(); // and the units with it
    EndEveryConnection();
    mDir.reset();
}

bool tst_ConfigConnectionInterface::WritePrimaryConfig(const QStringList& units) const
{
    QFile file(ConfigPath(QStringLiteral("primary.xml")));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray text = "<QuendleConfig version=\"1.3.1\">\n    <Units>\n";
    int id = 2;
    for (const QString& unit : units)
        text += "        <Unit id=\"" + QByteArray::number(id++) + "\" nameOrIpAddress=\"" + unit.toUtf8()
            + "\" type=\"corvo32\" password=\"" + QByteArray::fromStdString(GetHashedPassword("root"))
            + "\" primaryUnit=\"0\"/>\n";
    text += "    </Units>\n    <Layouts/>\n</QuendleConfig>\n";
    return file.write(text) == text.size();
}

bool tst_ConfigConnectionInterface::StartPrimaryAndSecondary(
    cQuendleUnit& primary, cQuendleUnit& secondary, const QString& primaryAddress)
{
    return WritePrimaryConfig({ kSecondary })
        && primary.Start(primaryAddress, ConfigPath(QStringLiteral("primary.xml")))
        && secondary.Start(kSecondary, ConfigPath(QStringLiteral("config.xml")));
}

cConnectionUnit* tst_ConfigConnectionInterface::NewUnit(const QString& text)
{
    // Units belong to the application (or the configuration), never to the interface's list.
    return new cConnectionUnit(mApplication.get(), text, QStringLiteral("corvo32"), nullptr);
}

bool tst_ConfigConnectionInterface::ConnectPrimary(bool signIn)
{
    cConnectionUnit* primary = mApplication->mPrimary;
    QSignalSpy found(primary, &cConnectionUnit::ConfigClientFound);
    QSignalSpy notFound(primary, &cConnectionUnit::ConfigClientNotFound);
    primary->ConnectToUnit(nullptr);
    if (!QTest::qWaitFor([&] { return found.count() + notFound.count() > 0; }, 15000) || !primary->connected())
        return false;
    if (!signIn)
        return true;
    primary->ConfigClient()->Authenticate(GetHashedString("Alice"), GetHashedPassword("wonder"));
    return QTest::qWaitFor([&] { return primary->authenticated(); }, 10000);
}

void tst_ConfigConnectionInterface::sameUnitAddress_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<bool>("same");
    QTest::newRow("same address") << QByteArray("10.77.0.5") << QByteArray("10.77.0.5") << true;
    QTest::newRow("other address") << QByteArray("10.77.0.5") << QByteArray("10.77.0.6") << false;
    QTest::newRow("both unknown") << QByteArray() << QByteArray() << false;
    QTest::newRow("primary unknown") << QByteArray() << QByteArray("10.77.0.5") << false;
    QTest::newRow("unit unknown") << QByteArray("10.77.0.5") << QByteArray("") << false;
}

void tst_ConfigConnectionInterface::sameUnitAddress()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(bool, same);
    QCOMPARE(cConfigConnectionInterface::SameUnitAddress(first, second), same);
    QCOMPARE(cConfigConnectionInterface::SameUnitAddress(second, first), same);
}

void tst_ConfigConnectionInterface::emptySetIsAllUp()
{
    sInterfaceSpies spies(mInterface.get());
    QSignalSpy inserted(mInterface->Units(), &QAbstractItemModel::rowsInserted);
    mInterface->ConnectToUnits({});
    // As QML reads it.
    QCOMPARE(mInterface->property("allUnitsConnectedAndAuthenticated"), QVariant(true));
    QCOMPARE(mInterface->property("lostCommsLowTTL"), QVariant(false));
    QCOMPARE(mInterface->property("units").value<QObject*>(), static_cast<QObject*>(mInterface->Units()));
    QCOMPARE(spies.mAll.count(), 1);
    QCOMPARE(spies.mSome.count(), 0);
    QCOMPARE(inserted.count(), 0);
    mInterface->Reset();
    QVERIFY(!mInterface->allUnitsConnectedAndAuthenticated());
    QCOMPARE(spies.mAll.count(), 2);
}

void tst_ConfigConnectionInterface::lostCommsOfAnyUnit()
{
    cConnectionUnit* a = NewUnit(kNobody);
    cConnectionUnit* b = NewUnit(QStringLiteral("127.0.0.10"));
    sInterfaceSpies spies(mInterface.get());
    QSignalSpy inserted(mInterface->Units(), &QAbstractItemModel::rowsInserted);
    mInterface->ConnectToUnits({ a, b });
    QCOMPARE(inserted.count(), 1); // the whole set in one insertion
    QCOMPARE(mInterface->Units()->count(), 2);

    a->SetLostCommsLowTTL(true);
    QVERIFY(mInterface->lostCommsLowTTL());
    b->SetLostCommsLowTTL(true);
    a->SetLostCommsLowTTL(false);
    QVERIFY(mInterface->lostCommsLowTTL());
    QCOMPARE(spies.mLowTTL.count(), 1);
    b->SetLostCommsLowTTL(false);
    QVERIFY(!mInterface->lostCommsLowTTL());
    QCOMPARE(spies.mLowTTL.count(), 2);
}

// Token answers go to the listed unit they name; an unknown name is dropped, and an empty name
// (with no request outstanding) never matches a unit whose address text is empty.
void tst_ConfigConnectionInterface::tokenAnswersMatchByName()
{
    cConnectionUnit* primary = mApplication->mPrimary;
    cConnectionUnit* secondary = NewUnit(kNobody);
    cConnectionUnit* unnamed = NewUnit(QString());
    sInterfaceSpies spies(mInterface.get());
    cTraceCapture trace;
    // Twice, as after a configuration update: the token signals are wired once.
    mInterface->ConnectToUnits({ primary, secondary, unnamed });
    mInterface->Reset();
    mInterface->ConnectToUnits({ primary, secondary, unnamed });
    QCOMPARE(mInterface->Units()->count(), 3);
    cQuendleConfigClient* client = primary->ConfigClient();

    Q_EMIT client->LoginTokenFailure(eReplyFailureCodes::UnitNotFound, "10.1.1.1", "");
    Q_EMIT client->LoginTokenFailure(eReplyFailureCodes::UnitNotFound, "", "");
    Q_EMIT client->LoginTokenReceived(QByteArray(kTokenLength, 'x'), "");
    QCOMPARE(spies.mFailed.count(), 0);
    QVERIFY(!unnamed->authenticationFailed());
    QVERIFY(!secondary->authenticationFailed());

    Q_EMIT client->LoginTokenFailure(eReplyFailureCodes::UnitNotFound, kNobody.toStdString(), "");
    QCOMPARE(spies.mFailed.count(), 1);
    QVERIFY(secondary->authenticationFailed());
    QCOMPARE(secondary->connectionFailureReason(), QStringLiteral("Incorrect password"));
    QVERIFY(!unnamed->authenticationFailed());
    QCOMPARE(trace.Count(kTokenRefusedTrace.arg(kNobody)), 1);

    // The primary's own refusal is reported, without the token trace.
    primary->SetLoginTokenFailure();
    QCOMPARE(spies.mFailed.count(), 2);
    QCOMPARE(trace.CountContaining(QStringLiteral("Token failed")), 1);
}

// A refusal without a unit name is about the unit the primary was asked for; with no request
// outstanding it is about nobody. (The primary here only claims to be signed in: the request goes
// nowhere and the test answers it.)
void tst_ConfigConnectionInterface::namelessRefusalIsAboutTheUnitAsked()
{
    cConnectionUnit* primary = mApplication->mPrimary;
    primary->SetConnected(true);
    primary->SetAuthenticated(true);
    cConnectionUnit* secondary = NewUnit(kNobody);
    cConnectionUnit* other = NewUnit(QStringLiteral("127.0.0.10"));
    sInterfaceSpies spies(mInterface.get());
    mInterface->ConnectToUnits({ primary, secondary, other });
    cQuendleConfigClient* client = primary->ConfigClient();
    QVERIFY(!client->RequestInProgress());

    Q_EMIT secondary->ConfigClientFound();
    QVERIFY(client->RequestInProgress());
    Q_EMIT client->LoginTokenFailure(eReplyFailureCodes::NoSuchUnitPassword, "", "");
    QCOMPARE(spies.mFailed.count(), 1);
    QVERIFY(secondary->authenticationFailed());
    QVERIFY(!other->authenticationFailed());

    Q_EMIT client->LoginTokenFailure(eReplyFailureCodes::NoSuchUnitPassword, "", "");
    QCOMPARE(spies.mFailed.count(), 1);
    QVERIFY(!other->authenticationFailed());
}

// Both units go on line as they sign in, the secondary with a token from the primary; killed, it
// is reported lost, and when its program returns it is back with a fresh token.
void tst_ConfigConnectionInterface::signInToEveryUnitAndSecondaryBack()
{
    cQuendleUnit primaryUnit;
    auto secondaryUnit = std::make_unique<cQuendleUnit>();
    QVERIFY(StartPrimaryAndSecondary(primaryUnit, *secondaryUnit));
    QVERIFY(ConnectPrimary(true));

    cConnectionUnit* primary = mApplication->mPrimary;
    cConnectionUnit* secondary = NewUnit(kSecondary);
    cLayoutWatcher layout(mInterface.get());
    cTokenWatcher tokens(primary->ConfigClient());
    sInterfaceSpies spies(mInterface.get());
    mInterface->ConnectToUnits({ primary, secondary });
    QVERIFY(layout.Online(primary)); // already signed in: on line at once
    QVERIFY(!layout.Online(secondary));
    QVERIFY(!mInterface->allUnitsConnectedAndAuthenticated());
    QVERIFY(spies.mSome.count() >= 1);

    QTRY_VERIFY_WITH_TIMEOUT(mInterface->allUnitsConnectedAndAuthenticated(), 20000);
    QCOMPARE(tokens.mTokens, QStringList { kSecondary });
    QVERIFY(layout.Online(secondary));
    QCOMPARE(layout.mEvents, (QStringList { kPrimary + " up", kSecondary + " up" }));
    QCOMPARE(spies.mAll.count(), 1);
    QCOMPARE(spies.mFailed.count(), 0);
    QCOMPARE(mApplication->mSignIns, 0); // the connected primary is not connected again

    secondaryUnit->Kill();
    QTRY_VERIFY_WITH_TIMEOUT(!layout.Online(secondary), 15000);
    QVERIFY(!mInterface->allUnitsConnectedAndAuthenticated());
    QCOMPARE(spies.mAll.count(), 2);
    QVERIFY(layout.Online(primary));
    QTest::qWait(2500); // at least one retry finds nobody
    QVERIFY(!secondary->connected());

    secondaryUnit = std::make_unique<cQuendleUnit>();
    QVERIFY(secondaryUnit->Start(kSecondary, ConfigPath(QStringLiteral("config.xml"))));
    QTRY_VERIFY_WITH_TIMEOUT(mInterface->allUnitsConnectedAndAuthenticated(), 20000);
    QVERIFY(layout.Online(secondary));
    QCOMPARE(tokens.mTokens, (QStringList { kSecondary, kSecondary }));
    QCOMPARE(layout.mEvents,
        (QStringList { kPrimary + " up", kSecondary + " up", kSecondary + " down", kSecondary + " up" }));
    QCOMPARE(mApplication->mSignIns, 0);
}

// Both units lost: each is reported off line, though the summary has nothing more to say once
// the secondary is down. Back again, the application signs in to the primary anew, the primary
// asks to be told of configuration changes, and only then is the waiting secondary signed in.
void tst_ConfigConnectionInterface::everyUnitLostAndBack()
{
    auto primaryUnit = std::make_unique<cQuendleUnit>();
    auto secondaryUnit = std::make_unique<cQuendleUnit>();
    QVERIFY(StartPrimaryAndSecondary(*primaryUnit, *secondaryUnit));
    QVERIFY(ConnectPrimary(true));
    cConnectionUnit* primary = mApplication->mPrimary;
    cConnectionUnit* secondary = NewUnit(kSecondary);
    cLayoutWatcher layout(mInterface.get());
    cTokenWatcher tokens(primary->ConfigClient());
    // The application's handler of the first sign-in, which must not run on a reconnection.
    int firstSignInHandled = 0;
    connect(primary, &cConnectionUnit::Authenticated, mApplication.get(), [&] { ++firstSignInHandled; });
    mInterface->ConnectToUnits({ primary, secondary });
    QTRY_VERIFY_WITH_TIMEOUT(mInterface->allUnitsConnectedAndAuthenticated(), 20000);

    secondaryUnit->Kill();
    QTRY_VERIFY_WITH_TIMEOUT(!layout.Online(secondary), 15000);
    sInterfaceSpies spies(mInterface.get());
    primaryUnit->Kill();
    QTRY_VERIFY_WITH_TIMEOUT(!layout.Online(primary), 15000);
    QCOMPARE(spies.mAll.count(), 0);
    QCOMPARE(spies.mSome.count(), 0);

    primaryUnit = std::make_unique<cQuendleUnit>();
    QVERIFY(primaryUnit->Start(kPrimary, ConfigPath(QStringLiteral("primary.xml"))));
    QTRY_VERIFY_WITH_TIMEOUT(layout.Online(primary), 20000);
    QCOMPARE(mApplication->mSignIns, 1);
    QCOMPARE(firstSignInHandled, 0);
    QVERIFY(spies.mSome.count() >= 1);
    QTRY_COMPARE_WITH_TIMEOUT(primaryUnit->Ask(QStringLiteral("runners"), QStringLiteral("unit: runners ")), 1, 15000);
    QVERIFY(primaryUnit->Command(QStringLiteral("config-updated")));
    QTRY_COMPARE(tokens.mConfigUpdated, 1);

    secondaryUnit = std::make_unique<cQuendleUnit>();
    QVERIFY(secondaryUnit->Start(kSecondary, ConfigPath(QStringLiteral("config.xml"))));
    QTRY_VERIFY_WITH_TIMEOUT(mInterface->allUnitsConnectedAndAuthenticated(), 20000);
    QCOMPARE(tokens.mTokens, (QStringList { kSecondary, kSecondary }));
    QCOMPARE(layout.mEvents,
        (QStringList { kPrimary + " up", kSecondary + " up", kSecondary + " down", kPrimary + " down", kPrimary + " up",
            kSecondary + " up" }));
}

void tst_ConfigConnectionInterface::primaryBackHearsOfChanges_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("oldManager");
    QTest::newRow("manager 1: asks to be told of changes") << QStringList() << false;
    QTest::newRow("manager 0: taken as changed at once")
        << QStringList { "--manager-version", "0", "--legacy-sign-in" } << true;
}

// Signed in again after a loss, the primary either asks its manager to be told of configuration
// changes, or, when the manager is too old to tell, the configuration is taken as changed.
void tst_ConfigConnectionInterface::primaryBackHearsOfChanges()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, oldManager);
    auto primaryUnit = std::make_unique<cQuendleUnit>();
    QVERIFY(primaryUnit->Start(kPrimary, ConfigPath(QStringLiteral("config.xml")), arguments));
    QVERIFY(ConnectPrimary(true));
    cConnectionUnit* primary = mApplication->mPrimary;
    cTokenWatcher changes(primary->ConfigClient());
    sInterfaceSpies spies(mInterface.get());
    mInterface->ConnectToUnits({ primary });
    QVERIFY(mInterface->allUnitsConnectedAndAuthenticated());

    primaryUnit->Kill();
    QTRY_VERIFY_WITH_TIMEOUT(!primary->connected(), 15000);
    QVERIFY(!mInterface->allUnitsConnectedAndAuthenticated());
    primaryUnit = std::make_unique<cQuendleUnit>();
    QVERIFY(primaryUnit->Start(kPrimary, ConfigPath(QStringLiteral("config.xml")), arguments));
    QTRY_VERIFY_WITH_TIMEOUT(mInterface->allUnitsConnectedAndAuthenticated(), 20000);
    QCOMPARE(mApplication->mSignIns, 1);
    QCOMPARE(spies.mAll.count(), 3);
    if (oldManager) {
        QTRY_COMPARE_WITH_TIMEOUT(changes.mConfigUpdated, 1, 15000);
        return;
    }
    QCOMPARE(changes.mConfigUpdated, 0);
    // Signed in, the runner's request to be told of changes may still be on its way to the unit.
    QTRY_COMPARE_WITH_TIMEOUT(primaryUnit->Ask(QStringLiteral("runners"), QStringLiteral("unit: runners ")), 1, 15000);
    QVERIFY(primaryUnit->Command(QStringLiteral("config-updated")));
    QTRY_COMPARE_WITH_TIMEOUT(changes.mConfigUpdated, 1, 15000);
}

// The primary stores the token for the address it sees the runner at (the test network's); the
// runner reaches the secondary from loopback, so the secondary refuses it.
void tst_ConfigConnectionInterface::tokenOnlyFromTheStoredAddress()
{
    cQuendleUnit primaryUnit;
    cQuendleUnit secondaryUnit;
    QVERIFY(StartPrimaryAndSecondary(primaryUnit, secondaryUnit, kPrimaryOnTestNetwork));
    mApplication->mPrimary->nameOrIpAddressProperty()->setStringValue(kPrimaryOnTestNetwork);
    QVERIFY(ConnectPrimary(true));
    cConnectionUnit* primary = mApplication->mPrimary;
    cConnectionUnit* secondary = NewUnit(kSecondary);
    cLayoutWatcher layout(mInterface.get());
    cTokenWatcher tokens(primary->ConfigClient());
    sInterfaceSpies spies(mInterface.get());
    cTraceCapture trace;
    mInterface->ConnectToUnits({ primary, secondary });
    QTRY_COMPARE_WITH_TIMEOUT(spies.mFailed.count(), 1, 20000);
    QCOMPARE(tokens.mTokens, QStringList { kSecondary });
    QVERIFY(secondary->connected());
    QVERIFY(!secondary->authenticated());
    QVERIFY(secondary->authenticationFailed());
    QCOMPARE(trace.Count(kTokenRefusedTrace.arg(kSecondary)), 1);
    QVERIFY(!mInterface->allUnitsConnectedAndAuthenticated());
    QVERIFY(layout.Online(primary));
    QVERIFY(!layout.Online(secondary));
}

void tst_ConfigConnectionInterface::tokenRefusals_data()
{
    QTest::addColumn<bool>("primaryNamesSecondary");
    QTest::addColumn<QStringList>("primaryArguments");
    QTest::addColumn<QStringList>("secondaryArguments");
    QTest::addColumn<QString>("failure"); // what the primary's client reported
    QTest::addColumn<bool>("signedIn");
    QTest::newRow("old manager: signed in as Admin with the fallback")
        << true << QStringList() << QStringList { "--manager-version", "0", "--legacy-sign-in" } << kSecondary + ":4"
        << true;
    QTest::newRow("no password for the unit") << false << QStringList() << QStringList() << kSecondary + ":1" << false;
    QTest::newRow("no password, refusal without a name")
        << false << QStringList { "--nameless-token-failures" } << QStringList() << kSecondary + ":1" << false;
}

void tst_ConfigConnectionInterface::tokenRefusals()
{
    QFETCH(bool, primaryNamesSecondary);
    QFETCH(QStringList, primaryArguments);
    QFETCH(QStringList, secondaryArguments);
    QFETCH(QString, failure);
    QFETCH(bool, signedIn);
    QVERIFY(WritePrimaryConfig(primaryNamesSecondary ? QStringList { kSecondary } : QStringList { kThird }));
    cQuendleUnit primaryUnit;
    cQuendleUnit secondaryUnit;
    QVERIFY(primaryUnit.Start(kPrimary, ConfigPath(QStringLiteral("primary.xml")), primaryArguments));
    QVERIFY(secondaryUnit.Start(kSecondary, ConfigPath(QStringLiteral("config.xml")), secondaryArguments));
    QVERIFY(ConnectPrimary(true));
    cConnectionUnit* primary = mApplication->mPrimary;
    cConnectionUnit* secondary = NewUnit(kSecondary);
    cTokenWatcher tokens(primary->ConfigClient());
    sInterfaceSpies spies(mInterface.get());
    mInterface->ConnectToUnits({ primary, secondary });
    QTRY_VERIFY_WITH_TIMEOUT(secondary->authenticated() || secondary->authenticationFailed(), 20000);
    QCOMPARE(tokens.mFailures, QStringList { failure });
    QCOMPARE(secondary->authenticated(), signedIn);
    QCOMPARE(mInterface->allUnitsConnectedAndAuthenticated(), signedIn);
    QCOMPARE(spies.mFailed.count(), signedIn ? 0 : 1);
    if (!signedIn)
        QCOMPARE(secondary->connectionFailureReason(), QStringLiteral("Incorrect password"));
}

// Three secondary units found while the primary is not yet signed in wait in the order they were
// found; each is asked for once, even when its manager is reported found again while it waits.
void tst_ConfigConnectionInterface::tokenQueueInFoundOrderAndOnce()
{
    const QStringList secondaries { kSecondary, kThird, kFourth };
    QVERIFY(WritePrimaryConfig(secondaries));
    cQuendleUnit primaryUnit;
    QVERIFY(primaryUnit.Start(kPrimary, ConfigPath(QStringLiteral("primary.xml"))));
    std::vector<std::unique_ptr<cQuendleUnit>> units;
    QSet<cConnectionUnit*> set { mApplication->mPrimary };
    QStringList found;
    for (const QString& address : secondaries) {
        units.push_back(std::make_unique<cQuendleUnit>());
        QVERIFY(units.back()->Start(address, ConfigPath(QStringLiteral("config.xml"))));
        cConnectionUnit* unit = NewUnit(address);
        connect(unit, &cConnectionUnit::ConfigClientFound, this, [&found, address] { found.append(address); });
        set.insert(unit);
    }
    QVERIFY(ConnectPrimary(false));
    cConnectionUnit* primary = mApplication->mPrimary;
    cTokenWatcher tokens(primary->ConfigClient());
    mInterface->ConnectToUnits(set);
    QTRY_COMPARE_WITH_TIMEOUT(found.size(), 3, 20000);
    // Found again while waiting.
    for (cConnectionUnit* unit : set) {
        if (unit != primary)
            Q_EMIT unit->ConfigClientFound();
    }
    QTest::qWait(300);
    QVERIFY(tokens.mTokens.isEmpty());
    QVERIFY(tokens.mFailures.isEmpty());

    primary->ConfigClient()->Authenticate(GetHashedString("Alice"), GetHashedPassword("wonder"));
    QTRY_VERIFY_WITH_TIMEOUT(mInterface->allUnitsConnectedAndAuthenticated(), 30000);
    QTest::qWait(300);
    QCOMPARE(tokens.mTokens, found.mid(0, 3));
    QCOMPARE(tokens.mFailures, QStringList());
}

// Logging out unwires the units before they go down: nothing is tried again.
void tst_ConfigConnectionInterface::disconnectAllUnitsStartsNoRetry()
{
    cQuendleUnit primaryUnit;
    cQuendleUnit secondaryUnit;
    QVERIFY(StartPrimaryAndSecondary(primaryUnit, secondaryUnit));
    QVERIFY(ConnectPrimary(true));
    cConnectionUnit* primary = mApplication->mPrimary;
    cConnectionUnit* secondary = NewUnit(kSecondary);
    mInterface->ConnectToUnits({ primary, secondary });
    QTRY_VERIFY_WITH_TIMEOUT(mInterface->allUnitsConnectedAndAuthenticated(), 20000);

    sInterfaceSpies spies(mInterface.get());
    mInterface->disconnectAllUnits();
    QCOMPARE(mInterface->Units()->count(), 0);
    QVERIFY(!mInterface->allUnitsConnectedAndAuthenticated());
    QCOMPARE(spies.mAll.count(), 1);
    QVERIFY(!primary->connected());
    QVERIFY(!secondary->connected());
    QTest::qWait(cConfigConnectionInterface::kRetryConnectionMs + 1000);
    QVERIFY(!primary->connected());
    QVERIFY(!secondary->connected());
    QCOMPARE(cNetworkConnection::Instance()->GetNumberOfConnections(), UWORD(0));
}

// A unit that could not be reached is tried again 2 s later only while it is listed.
void tst_ConfigConnectionInterface::retryAfterResetDoesNothing()
{
    cQuendleUnit primaryUnit;
    QVERIFY(primaryUnit.Start(kPrimary, ConfigPath(QStringLiteral("config.xml"))));
    QVERIFY(ConnectPrimary(true));
    cConnectionUnit* primary = mApplication->mPrimary;
    cConnectionUnit* secondary = NewUnit(kSecondary);
    QSignalSpy notFound(secondary, &cConnectionUnit::ConfigClientNotFound);
    mInterface->ConnectToUnits({ primary, secondary });
    QTRY_COMPARE_WITH_TIMEOUT(notFound.count(), 1, 10000); // nobody there yet
    mInterface->Reset();

    cQuendleUnit secondaryUnit;
    QVERIFY(secondaryUnit.Start(kSecondary, ConfigPath(QStringLiteral("config.xml"))));
    QTest::qWait(cConfigConnectionInterface::kRetryConnectionMs + 1500);
    QVERIFY(!secondary->connected());
    QCOMPARE(notFound.count(), 1);
    QVERIFY(primary->authenticated()); // Reset leaves the units as they are
}

QTEST_GUILESS_MAIN(tst_ConfigConnectionInterface)
#include "tst_configconnectioninterface.moc"
