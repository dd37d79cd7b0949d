#include "Quendle/AppCommon/ConnectionUnit.h"

#include "Common/Qt/UnitFinder.h"
#include "Quendle/AppCommon/ConfigBase.h"
#include "Quendle/AppCommon/EditorQuendleConfigClient.h"
#include "Quendle/AppCommon/QmlUnit.h"
#include "Quendle/AppCommon/RunnerQuendleConfigClient.h"
#include "Quendle/Global/ConfigManagerProtocol.h"
#include "Quendle/Properties/Properties.h"
#include "ZUNet/Core/PollLocker.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "ZUNet/QT/TestDottedIPAddress.h"

namespace
{

constexpr int kReasonVersionTooOld = 7;

} // namespace

int cConnectionUnit::mNetObjectNameSuffix = 0;

cConnectionUnit::cConnectionUnit(
    QObject* parent, const QString& nameOrIpAddress, const QString& type, const cConfigBase* config)
    : cConnectionUnit(parent, nameOrIpAddress, type, QString(), config)
{
}

cConnectionUnit::cConnectionUnit(QObject* parent, const QString& nameOrIpAddress, const QString& type,
    const QString& unitFinderIpAddress, const cConfigBase* config)
    : QObject(parent)
    , mNameOrIpAddressProperty(new cStringProperty(QStringLiteral("Name / Ip Address"), nameOrIpAddress, this, true))
    , mType(type)
    , mFallbackAddress(unitFinderIpAddress)
{
    const QByteArray name = "QuendleConfigClient_" + QByteArray::number(mNetObjectNameSuffix++);
    {
        // An editor hands a download on whole, from memory; the runner reads it from a file.
        cPollLocker locker;
        if (config && config->IsEditorConfig())
            mConfigClient = new cEditorQuendleConfigClient(name.constData(), cConfigBase::CCReleaseVersionArray());
        else
            mConfigClient = new cRunnerQuendleConfigClient(name.constData(), cConfigBase::CCReleaseVersionArray());
    }

    connect(mConfigClient, &cQuendleConfigClient::SeekSuccessful, this, &cConnectionUnit::ConfigClientFoundSlot);
    connect(mConfigClient, &cQuendleConfigClient::SeekFailed, this, &cConnectionUnit::ConfigClientNotFoundSlot);
    connect(mConfigClient, &cQuendleConfigClient::Authenticated, this, &cConnectionUnit::AuthenticatedSlot);
    connect(
        mConfigClient, &cQuendleConfigClient::AuthenticationFailed, this, &cConnectionUnit::AuthenticationFailedSlot);
    connect(mConfigClient, qOverload<>(&cQuendleConfigClient::ConnectionTerminated), this,
        &cConnectionUnit::ConnectionTerminated);

    mUserFacingTypeProperty = new cStringProperty(QStringLiteral("Type"), GetUserFacingTypeString(), this, false);

    if (cNetworkConnection* network = cNetworkConnection::Instance())
        connect(network, &cNetworkConnection::UnitLowTTLWarning, this, &cConnectionUnit::UnitLowTTLWarning);
}

cConnectionUnit::~cConnectionUnit()
{
    disconnectFromUnit();
    delete mConfigClient;
    delete mProbe;
}

const QString& cConnectionUnit::TarvoType()
{
    static const QString key = QStringLiteral("tarvo");
    return key;
}

const QString& cConnectionUnit::FennickType()
{
    static const QString key = QStringLiteral("fennick");
    return key;
}

const QString& cConnectionUnit::Corvo64Type()
{
    static const QString key = QStringLiteral("corvo64");
    return key;
}

const QString& cConnectionUnit::Corvo32Type()
{
    static const QString key = QStringLiteral("corvo32");
    return key;
}

const QString& cConnectionUnit::Corvo16Type()
{
    static const QString key = QStringLiteral("corvo16");
    return key;
}

const QString& cConnectionUnit::UnknownType()
{
    static const QString key = QStringLiteral("unknown");
    return key;
}

const QMap<QString, QString>& cConnectionUnit::TypeToUserFacingMap()
{
    static const QMap<QString, QString> map = {
        { Corvo16Type(), QStringLiteral("Corvo-16") },
        { Corvo32Type(), QStringLiteral("Corvo-32") },
        { Corvo64Type(), QStringLiteral("Corvo-64") },
        { FennickType(), QStringLiteral("Fennick") },
        { TarvoType(), QStringLiteral("Tarvo") },
    };
    return map;
}

const QSet<QString>& cConnectionUnit::AllTypes()
{
    static const QSet<QString> types = [] {
        const QStringList keys = TypeToUserFacingMap().keys();
        return QSet<QString>(keys.begin(), keys.end());
    }();
    return types;
}

QStringList cConnectionUnit::AvailableUnitTypes()
{
    return TypeToUserFacingMap().keys();
}

const QStringList& cConnectionUnit::VesprilTypes()
{
    static const QStringList types = { Corvo64Type(), Corvo32Type(), Corvo16Type() };
    return types;
}

QString cConnectionUnit::QmlUnitToUnitType(cQmlUnit* unit)
{
    if (!unit)
        return UnknownType();
    switch (unit->type()) {
    case cQmlUnit::TarvoMirvane:
        return TarvoType();
    case cQmlUnit::FrellMirvane:
        return FennickType();
    case cQmlUnit::VesprilMirvane: {
        const QString product = unit->productName();
        if (product == QLatin1String("Corvo-16"))
            return Corvo16Type();
        if (product == QLatin1String("Corvo-32"))
            return Corvo32Type();
        if (product == QLatin1String("Corvo-64"))
            return Corvo64Type();
        return UnknownType();
    }
    default:
        return UnknownType();
    }
}

bool cConnectionUnit::ResolveHostName(
    QHostAddress& address, const QString& text, cMultiUnitFinder* finder, bool& invalidIpAddress)
{
    if (text.count(QLatin1Char('.')) == 3) {
        const bool ok = address.setAddress(text);
        invalidIpAddress = !ok;
        return ok;
    }
    if (!finder)
        return false;
    const QList<sUnit> units = finder->GetFoundUnits();
    for (const sUnit& unit : units) {
        if (unit.mUnitName == text) {
            address = QHostAddress(unit.mHostAddress.toIPv4Address());
            return true;
        }
    }
    return false;
}

QString cConnectionUnit::NameOrIpAddress() const
{
    return mNameOrIpAddressProperty->stringValue();
}

cProperty* cConnectionUnit::nameOrIpAddressQmlProperty() const
{
    return mNameOrIpAddressProperty;
}

cProperty* cConnectionUnit::userFacingTypeQmlProperty() const
{
    return mUserFacingTypeProperty;
}

QString cConnectionUnit::GetUserFacingTypeString() const
{
    return TypeToUserFacingMap().value(mType, QStringLiteral("Unknown"));
}

QByteArray cConnectionUnit::FindIpAddress(cMultiUnitFinder* finder) const
{
    QHostAddress address;
    bool invalid = false;
    if (ResolveHostName(address, NameOrIpAddress(), finder, invalid))
        return address.toString().toLocal8Bit();
    return mFallbackAddress.toLocal8Bit();
}

void cConnectionUnit::SetType(const QString& type)
{
    if (type == mType)
        return;
    mType = type;
    Q_EMIT typeChanged();
    mUserFacingTypeProperty->setStringValue(GetUserFacingTypeString());
}

void cConnectionUnit::ClearSignInFlags()
{
    SetLostCommsLowTTL(false);
    SetAuthenticated(false);
    SetAuthenticationFailed(false);
}

void cConnectionUnit::SetConnected(bool connected)
{
    if (connected == mConnected)
        return;
    mConnected = connected;
    mConnectedClearedSilently = false;
    ClearSignInFlags();
    Q_EMIT connectedChanged();
}

void cConnectionUnit::ClearConnected()
{
    mSeeking = false;
    if (mConnectedClearedSilently) {
        // QML last heard `connected` was true; the attempt that cleared it has failed.
        mConnectedClearedSilently = false;
        Q_EMIT connectedChanged();
    }
    SetConnected(false);
}

void cConnectionUnit::SetAuthenticated(bool authenticated)
{
    if (authenticated == mAuthenticated)
        return;
    mAuthenticated = authenticated;
    Q_EMIT authenticatedChanged();
}

void cConnectionUnit::SetAuthenticationFailed(bool failed)
{
    if (failed == mAuthenticationFailed)
        return;
    mAuthenticationFailed = failed;
    Q_EMIT authenticationFailedChanged();
}

void cConnectionUnit::SetLostCommsLowTTL(bool low)
{
    if (low == mLostCommsLowTTL)
        return;
    mLostCommsLowTTL = low;
    Q_EMIT lostCommsLowTTLChanged();
}

void cConnectionUnit::SetConnectionFailureReason(const QString& reason)
{
    if (reason == mConnectionFailureReason)
        return;
    mConnectionFailureReason = reason;
    Q_EMIT connectionFailureReasonChanged();
}

void cConnectionUnit::SetLoginTokenFailure()
{
    AuthenticationFailedSlot();
}

void cConnectionUnit::disconnectFromUnit()
{
    ClearConnected();
    if (mConnectionId != 0xFFFF) {
        const UWORD id = mConnectionId;
        mConnectionId = 0xFFFF;
        if (cNetworkConnection* network = cNetworkConnection::Instance())
            network->DisconnectConnectionID(id);
    }
}

void cConnectionUnit::ConnectToUnit(cMultiUnitFinder* finder)
{
    if (mProbe)
        return;
    if (mConnected) {
        mConnected = false;
        mConnectedClearedSilently = true;
    }
    ClearSignInFlags();
    SetConnectionFailureReason(QString());
    mProbeAddress.clear();
    mSeeking = false;

    QHostAddress address;
    bool invalidIpAddress = false;
    if (ResolveHostName(address, NameOrIpAddress(), finder, invalidIpAddress)) {
        mProbeAddress = address.toString().toLocal8Bit();
        mFallbackInUse = false;
    } else if (!mFallbackAddress.isEmpty()) {
        mProbeAddress = mFallbackAddress.toLocal8Bit();
        mFallbackInUse = true;
    }

    if (!mProbeAddress.isEmpty()) {
        mProbe = new cTestDottedIPAddress(this, mProbeAddress.toStdString());
        connect(mProbe, &cTestDottedIPAddress::FinishedSignal, this, &cConnectionUnit::TcpPingFinishedSlot);
        mProbe->Start();
        return;
    }
    SetConnectionFailureReason(
        invalidIpAddress ? QStringLiteral("Invalid IP address") : QStringLiteral("Could not resolve unit name"));
    ClearConnected();
    Q_EMIT ConfigClientNotFound();
}

void cConnectionUnit::TcpPingFinishedSlot()
{
    if (!mProbe)
        return;
    const cTestDottedIPAddress::eState state = mProbe->GetState();
    delete mProbe;
    mProbe = nullptr;

    if (state != cTestDottedIPAddress::Reachable) {
        ClearConnected();
        Q_EMIT ConfigClientNotFound();
        return;
    }
    const QString unitText = mFallbackInUse ? mFallbackAddress : NameOrIpAddress();
    const QByteArray host = unitText.toUtf8();
    cNetworkConnection* network = cNetworkConnection::Instance();
    const UWORD id = network ? network->FindConnection(host.constData()) : UWORD(0xFFFF);
    // A connection of an earlier attempt to another host is ours to end, not to forget. The client
    // reports the end of its manager's connection once; that report is not news of this attempt.
    if (mConnectionId != 0xFFFF && mConnectionId != id && network) {
        if (mConfigClient->ManagerConnectionId() == mConnectionId)
            ++mOwnTerminationsDue;
        network->DisconnectConnectionID(mConnectionId);
    }
    mConnectionId = id;
    if (id == 0xFFFF) {
        ClearConnected();
        Q_EMIT ConfigClientNotFound();
        return;
    }
    // The same encoding as the connection's host text, so the registry finds this connection.
    const QByteArray path = host + '/' + Quendle::kConfigManagerName;
    mSeeking = true;
    cPollLocker locker;
    mConfigClient->SeekObject(path.constData());
}

void cConnectionUnit::ConfigClientFoundSlot()
{
    mSeeking = false;
    if (!mConnected)
        SetConnected(true);
    Q_EMIT ConfigClientFound();
}

void cConnectionUnit::ConfigClientNotFoundSlot()
{
    disconnectFromUnit();
    SetConnectionFailureReason(
        mConfigClient->FailureReasonCode() == kReasonVersionTooOld ? QStringLiteral("Version mismatch") : QString());
    Q_EMIT ConfigClientNotFound();
}

void cConnectionUnit::AuthenticatedSlot()
{
    SetAuthenticated(true);
    Q_EMIT Authenticated();
}

void cConnectionUnit::AuthenticationFailedSlot()
{
    SetAuthenticated(false);
    SetAuthenticationFailed(true);
    SetConnectionFailureReason(QStringLiteral("Incorrect password"));
    Q_EMIT authenticationFailedSignal();
}

void cConnectionUnit::ConnectionTerminated()
{
    if (mOwnTerminationsDue > 0) {
        --mOwnTerminationsDue;
        return;
    }
    const bool wasSeeking = mSeeking;
    mConnectionId = 0xFFFF;
    ClearConnected();
    // The manager's answer will never come over the connection that ended: the seek has failed.
    if (wasSeeking)
        Q_EMIT ConfigClientNotFound();
}

void cConnectionUnit::UnitLowTTLWarning(UWORD ConnectionId, bool Low)
{
    if (ConnectionId != mConnectionId || Low == mLostCommsLowTTL)
        return;
    mLostCommsLowTTL = Low;
    Q_EMIT lostCommsLowTTLChanged();
}
