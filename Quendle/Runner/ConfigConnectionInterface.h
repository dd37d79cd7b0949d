#pragma once

#include "Quendle/AppCommon/ConnectionUnit.h"
#include "Quendle/AppCommon/QQmlObjectListModel.h"
#include "Quendle/Global/ConfigManagerProtocol.h"
#include "ZUNet/Core/ZUNetTypes.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <list>
#include <string>

class cMultiUnitFinder;

/// What the connection interface asks of the application that holds the primary unit.
class cConnectionInterfaceApplication
{
public:
    virtual ~cConnectionInterfaceApplication() = default;
    /// The unit the user picked and signed in to; null until one is picked.
    virtual cConnectionUnit* PrimaryConnectionUnit() const = 0;
    /// Resolves unit names to addresses; may be null (dotted addresses only).
    virtual cMultiUnitFinder* MultiUnitFinder() const = 0;
    /// Sent with the request to be told of later configuration changes.
    virtual UBYTE DeviceType() const = 0;
    /// Signs in to the primary unit again with the stored user name and password.
    virtual void AuthenticatePrimaryUnit() = 0;
    /// The object the application's own handlers of the primary unit's signals live on.
    virtual QObject* ApplicationObject() = 0;
};

/// Brings every unit of a configuration on line: the primary (already signed in by the user, and
/// signed in again with the stored credentials after a reconnection) and every other unit with a
/// one-time login token that the primary's configuration manager issues. Units that fail to
/// connect are tried again every 2 s for as long as they are listed. Reports whether all, some or
/// no units are up (connected and signed in), each unit coming on line or going off line, failed
/// sign-ins and links close to being lost. GUI thread only; the units are not owned.
class cConfigConnectionInterface : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject* units READ units CONSTANT)
    Q_PROPERTY(bool allUnitsConnectedAndAuthenticated READ allUnitsConnectedAndAuthenticated NOTIFY
            allUnitsConnectedAndAuthenticatedChanged)
    Q_PROPERTY(bool lostCommsLowTTL READ lostCommsLowTTL NOTIFY lostCommsLowTTLChanged)

public:
    static constexpr int kTokenQueuePassMs = 100;
    static constexpr int kRetryConnectionMs = 2000;

    cConfigConnectionInterface(QObject* parent, cConnectionInterfaceApplication* application);
    ~cConfigConnectionInterface() override;

    QObject* units() const { return mUnits; }
    QQmlObjectListModel<cConnectionUnit>* Units() const { return mUnits; }
    bool allUnitsConnectedAndAuthenticated() const { return mAllUnitsConnectedAndAuthenticated; }
    bool lostCommsLowTTL() const { return mLostCommsLowTTL; }

    /// Connected and signed in.
    static bool IsUp(const cConnectionUnit* unit);
    /// Whether two address texts denote the same unit. An empty text (an address that could not
    /// be found) denotes no unit, so it never matches, not even another empty text: otherwise a
    /// unit whose address is unknown would be taken for the primary and its widgets would be
    /// linked to the wrong mixing unit.
    static bool SameUnitAddress(const QByteArray& first, const QByteArray& second);

    void ConnectToUnits(const QSet<cConnectionUnit*>& units);
    void ConnectUnitSignals(cConnectionUnit* unit);
    void ProcessSecondaryUnitTokenRequestQueue();
    void Reset();
    Q_INVOKABLE void disconnectAllUnits();
    void RetryConnection(cConnectionUnit* unit);
    void SetLostCommsLowTTL(bool low);
    void SetAllUnitsConnectedAndAuthenticated(bool allUp);

Q_SIGNALS:
    void allUnitsConnectedAndAuthenticatedChanged();
    void lostCommsLowTTLChanged();
    void someUnitsConnectedAndAuthenticatedChanged();
    void someUnitsAuthenticationFailed();
    /// A listed unit came on line (`Up` true) or went off line. The summary signals say nothing
    /// when the last unit up goes down; layouts follow their own units through this one.
    void UnitUpChanged(cConnectionUnit* Unit, bool Up);

private Q_SLOTS:
    void UnitConfigClientFound();
    void UpdateAllUnitsConnectedAndAuthenticated();
    void RetryConnectionSlot();
    void LoginTokenReceived(QByteArray Token, std::string UnitNameOrIpAddress);
    void LoginTokenFailure(
        Quendle::eReplyFailureCodes FailureCode, std::string UnitNameOrIpAddress, std::string HashedPasswordFallback);
    void UnitAuthenticationFailed();
    void UnitLostCommsChanged();
    void PrimaryUnitAuthenticatedChanged();

private:
    cConnectionUnit* PrimaryUnit() const;
    cConnectionUnit* SenderUnit() const;
    /// The listed unit a token answer is about: the first whose name-or-address text is the name;
    /// a nameless answer is about the unit that was asked for.
    cConnectionUnit* UnitForTokenAnswer(const std::string& name);
    bool IsListed(cConnectionUnit* unit) const;
    bool IsQueued(cConnectionUnit* unit) const;

    cConnectionInterfaceApplication* mApplication;
    QQmlObjectListModel<cConnectionUnit>* mUnits;
    bool mAllUnitsConnectedAndAuthenticated = false;
    std::list<cConnectionUnit*> mTokenRequestQueue;
    bool mLostCommsLowTTL = false;
    /// Runs the next pass over the token queue; one pending pass at a time.
    QTimer mTokenQueueTimer;
    /// The unit the primary's outstanding login-token request is about.
    QPointer<cConnectionUnit> mTokenRequestUnit;
    /// What `UnitUpChanged` last said of each listed unit.
    QHash<cConnectionUnit*, bool> mReportedUp;
};
