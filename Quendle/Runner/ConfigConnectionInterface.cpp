#include "Quendle/Runner/ConfigConnectionInterface.h"

#include "Quendle/AppCommon/PasswordHashing.h"
#include "Quendle/AppCommon/QuendleConfigClient.h"
#include "ZUNet/Core/Trace.h"

#include <algorithm>

cConfigConnectionInterface::cConfigConnectionInterface(QObject* parent, cConnectionInterfaceApplication* application)
    : QObject(parent)
    , mApplication(application)
    , mUnits(new QQmlObjectListModel<cConnectionUnit>(this, QByteArray(), QByteArray()))
{
    mTokenQueueTimer.setSingleShot(true);
    mTokenQueueTimer.setInterval(kTokenQueuePassMs);
    connect(
        &mTokenQueueTimer, &QTimer::timeout, this, &cConfigConnectionInterface::ProcessSecondaryUnitTokenRequestQueue);
}

cConfigConnectionInterface::~cConfigConnectionInterface()
{
    mTokenRequestQueue.clear();
}

bool cConfigConnectionInterface::IsUp(const cConnectionUnit* unit)
{
    return unit != nullptr && unit->connected() && unit->authenticated();
}

bool cConfigConnectionInterface::SameUnitAddress(const QByteArray& first, const QByteArray& second)
{
    return !first.isEmpty() && first == second;
}

cConnectionUnit* cConfigConnectionInterface::PrimaryUnit() const
{
    return mApplication ? mApplication->PrimaryConnectionUnit() : nullptr;
}

cConnectionUnit* cConfigConnectionInterface::SenderUnit() const
{
    return qobject_cast<cConnectionUnit*>(sender());
}

bool cConfigConnectionInterface::IsListed(cConnectionUnit* unit) const
{
    return unit != nullptr && mUnits->toList().contains(unit);
}

bool cConfigConnectionInterface::IsQueued(cConnectionUnit* unit) const
{
    return std::find(mTokenRequestQueue.begin(), mTokenRequestQueue.end(), unit) != mTokenRequestQueue.end();
}

void cConfigConnectionInterface::ConnectToUnits(const QSet<cConnectionUnit*>& units)
{
    if (cConnectionUnit* primary = PrimaryUnit()) {
        cQuendleConfigClient* client = primary->ConfigClient();
        connect(client, &cQuendleConfigClient::LoginTokenReceived, this,
            &cConfigConnectionInterface::LoginTokenReceived, Qt::UniqueConnection);
        connect(client, &cQuendleConfigClient::LoginTokenFailure, this, &cConfigConnectionInterface::LoginTokenFailure,
            Qt::UniqueConnection);
    }

    QList<cConnectionUnit*> list;
    list.reserve(units.size());
    for (cConnectionUnit* unit : units) {
        if (unit)
            list.append(unit);
    }
    mUnits->append(list);

    cMultiUnitFinder* finder = mApplication ? mApplication->MultiUnitFinder() : nullptr;
    for (cConnectionUnit* unit : list) {
        ConnectUnitSignals(unit);
        if (!unit->connected())
            unit->ConnectToUnit(finder);
    }
    UpdateAllUnitsConnectedAndAuthenticated();
}

void cConfigConnectionInterface::ConnectUnitSignals(cConnectionUnit* unit)
{
    disconnect(unit, nullptr, this, nullptr);
    connect(unit, &cConnectionUnit::ConfigClientFound, this, &cConfigConnectionInterface::UnitConfigClientFound);
    connect(unit, &cConnectionUnit::ConfigClientNotFound, this, &cConfigConnectionInterface::RetryConnectionSlot);
    connect(unit, &cConnectionUnit::connectedChanged, this,
        &cConfigConnectionInterface::UpdateAllUnitsConnectedAndAuthenticated);
    connect(unit, &cConnectionUnit::connectedChanged, this, &cConfigConnectionInterface::RetryConnectionSlot);
    if (unit == PrimaryUnit())
        connect(unit, &cConnectionUnit::authenticatedChanged, this,
            &cConfigConnectionInterface::PrimaryUnitAuthenticatedChanged);
    else
        connect(unit, &cConnectionUnit::authenticatedChanged, this,
            &cConfigConnectionInterface::UpdateAllUnitsConnectedAndAuthenticated);
    connect(unit, &cConnectionUnit::authenticationFailedSignal, this,
        &cConfigConnectionInterface::UnitAuthenticationFailed);
    connect(unit, &cConnectionUnit::lostCommsLowTTLChanged, this, &cConfigConnectionInterface::UnitLostCommsChanged);
}

void cConfigConnectionInterface::ProcessSecondaryUnitTokenRequestQueue()
{
    if (mTokenRequestQueue.empty())
        return;
    cConnectionUnit* primary = PrimaryUnit();
    cQuendleConfigClient* client = primary ? primary->ConfigClient() : nullptr;
    if (primary && primary->authenticated() && client && !client->RequestInProgress()) {
        cConnectionUnit* unit = mTokenRequestQueue.front();
        mTokenRequestQueue.pop_front();
        mTokenRequestUnit = unit;
        client->RequestLoginToken(unit->NameOrIpAddress().toUtf8().toStdString(), unit->ProbeAddress().toStdString());
    }
    if (!mTokenRequestQueue.empty() && !mTokenQueueTimer.isActive())
        mTokenQueueTimer.start();
}

void cConfigConnectionInterface::Reset()
{
    mTokenRequestQueue.clear();
    mTokenQueueTimer.stop();
    mTokenRequestUnit = nullptr;
    mUnits->clear();
    mReportedUp.clear();
    SetAllUnitsConnectedAndAuthenticated(false);
}

void cConfigConnectionInterface::disconnectAllUnits()
{
    // Unwired first, so the units going down start no retries.
    const QList<cConnectionUnit*> units = mUnits->toList();
    for (cConnectionUnit* unit : units) {
        disconnect(unit, nullptr, this, nullptr);
        unit->disconnectFromUnit();
    }
    Reset();
}

void cConfigConnectionInterface::RetryConnection(cConnectionUnit* unit)
{
    if (!IsListed(unit))
        return;
    unit->ConnectToUnit(mApplication ? mApplication->MultiUnitFinder() : nullptr);
}

void cConfigConnectionInterface::SetLostCommsLowTTL(bool low)
{
    if (low == mLostCommsLowTTL)
        return;
    mLostCommsLowTTL = low;
    Q_EMIT lostCommsLowTTLChanged();
}

void cConfigConnectionInterface::SetAllUnitsConnectedAndAuthenticated(bool allUp)
{
    if (allUp == mAllUnitsConnectedAndAuthenticated)
        return;
    mAllUnitsConnectedAndAuthenticated = allUp;
    Q_EMIT allUnitsConnectedAndAuthenticatedChanged();
}

void cConfigConnectionInterface::UnitConfigClientFound()
{
    cConnectionUnit* unit = SenderUnit();
    if (!unit)
        return;
    if (unit == PrimaryUnit()) {
        // The primary has come back after a loss: the application's first sign-in handlers must
        // not run again, only a fresh sign-in with what the user entered.
        if (QObject* application = mApplication->ApplicationObject())
            disconnect(unit, nullptr, application, nullptr);
        mApplication->AuthenticatePrimaryUnit();
        return;
    }
    // A unit no longer listed is not signed in; one already waiting is not asked for twice.
    if (IsListed(unit) && !IsQueued(unit))
        mTokenRequestQueue.push_back(unit);
    ProcessSecondaryUnitTokenRequestQueue();
}

void cConfigConnectionInterface::UpdateAllUnitsConnectedAndAuthenticated()
{
    const QList<cConnectionUnit*> units = mUnits->toList();
    bool someUp = false;
    bool allUp = true;
    QList<QPair<cConnectionUnit*, bool>> changes;
    for (cConnectionUnit* unit : units) {
        const bool up = IsUp(unit);
        someUp = someUp || up;
        allUp = allUp && up;
        if (mReportedUp.value(unit, false) != up) {
            mReportedUp.insert(unit, up);
            changes.append({ unit, up });
        }
    }
    for (const auto& change : changes)
        Q_EMIT UnitUpChanged(change.first, change.second);
    SetAllUnitsConnectedAndAuthenticated(allUp);
    if (someUp && !allUp)
        Q_EMIT someUnitsConnectedAndAuthenticatedChanged();
}

void cConfigConnectionInterface::RetryConnectionSlot()
{
    cConnectionUnit* unit = SenderUnit();
    if (!unit || unit->connected())
        return;
    QPointer<cConnectionUnit> retried(unit);
    QTimer::singleShot(kRetryConnectionMs, this, [this, retried] {
        if (retried)
            RetryConnection(retried);
    });
}

cConnectionUnit* cConfigConnectionInterface::UnitForTokenAnswer(const std::string& name)
{
    cConnectionUnit* asked = mTokenRequestUnit;
    mTokenRequestUnit = nullptr;
    if (name.empty())
        return IsListed(asked) ? asked : nullptr;
    const QString text = QString::fromUtf8(name.data(), int(name.size()));
    const QList<cConnectionUnit*> units = mUnits->toList();
    for (cConnectionUnit* unit : units) {
        const QString unitText = unit->NameOrIpAddress();
        if (!unitText.isEmpty() && unitText == text)
            return unit;
    }
    return nullptr;
}

void cConfigConnectionInterface::LoginTokenReceived(QByteArray Token, std::string UnitNameOrIpAddress)
{
    if (cConnectionUnit* unit = UnitForTokenAnswer(UnitNameOrIpAddress))
        unit->ConfigClient()->AuthenticateByToken(Token);
}

void cConfigConnectionInterface::LoginTokenFailure(
    Quendle::eReplyFailureCodes FailureCode, std::string UnitNameOrIpAddress, std::string HashedPasswordFallback)
{
    cConnectionUnit* unit = UnitForTokenAnswer(UnitNameOrIpAddress);
    if (!unit)
        return;
    if (FailureCode == Quendle::eReplyFailureCodes::ManagerVersionTooOld) {
        // A manager older than login tokens: signed in as "Admin" with the hash the primary holds.
        unit->ConfigClient()->Authenticate(Quendle::GetHashedAdminUsername(), HashedPasswordFallback);
        return;
    }
    unit->SetLoginTokenFailure();
}

void cConfigConnectionInterface::UnitAuthenticationFailed()
{
    cConnectionUnit* unit = SenderUnit();
    Q_EMIT someUnitsAuthenticationFailed();
    if (unit && unit != PrimaryUnit())
        ZU_ERR("Token failed to authenticate to unit %s", unit->NameOrIpAddress().toUtf8().constData());
}

void cConfigConnectionInterface::UnitLostCommsChanged()
{
    const QList<cConnectionUnit*> units = mUnits->toList();
    SetLostCommsLowTTL(
        std::any_of(units.begin(), units.end(), [](cConnectionUnit* unit) { return unit->lostCommsLowTTL(); }));
}

void cConfigConnectionInterface::PrimaryUnitAuthenticatedChanged()
{
    cConnectionUnit* unit = SenderUnit();
    if (unit && unit->authenticated()) {
        cQuendleConfigClient* client = unit->ConfigClient();
        if (client->ManagerVersion() < 1)
            Q_EMIT client->ConfigUpdated();
        else
            client->SendAddMeToRunnerInform(mApplication->DeviceType());
    }
    UpdateAllUnitsConnectedAndAuthenticated();
}
