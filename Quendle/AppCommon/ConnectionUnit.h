#pragma once

#include "ZUNet/Core/ZUNetTypes.h"

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class cConfigBase;
class cMultiUnitFinder;
class cProperty;
class cQmlUnit;
class cQuendleConfigClient;
class cStringProperty;
class cTestDottedIPAddress;

/// One mixing unit the application talks to: what the user typed (a name or a dotted IPv4
/// address), its type key and its configuration client. Walks from disconnected through name
/// resolution, a TCP probe, the ZUNet connection and the seek of the unit's configuration manager
/// to connected, and mirrors the sign-in outcome. GUI thread only.
class cConnectionUnit : public QObject
{
    Q_OBJECT
    Q_PROPERTY(cProperty* nameOrIpAddressProperty READ nameOrIpAddressQmlProperty CONSTANT)
    Q_PROPERTY(cProperty* userFacingTypeProperty READ userFacingTypeQmlProperty CONSTANT)
    Q_PROPERTY(QString type READ type NOTIFY typeChanged)
    Q_PROPERTY(bool connected READ connected NOTIFY connectedChanged)
    Q_PROPERTY(bool authenticated READ authenticated NOTIFY authenticatedChanged)
    Q_PROPERTY(bool authenticationFailed READ authenticationFailed NOTIFY authenticationFailedChanged)
    Q_PROPERTY(QString connectionFailureReason READ connectionFailureReason NOTIFY connectionFailureReasonChanged)
    Q_PROPERTY(bool lostCommsLowTTL READ lostCommsLowTTL NOTIFY lostCommsLowTTLChanged)

public:
    cConnectionUnit(QObject* parent, const QString& nameOrIpAddress, const QString& type, const cConfigBase* config);
    cConnectionUnit(QObject* parent, const QString& nameOrIpAddress, const QString& type,
        const QString& unitFinderIpAddress, const cConfigBase* config);
    ~cConnectionUnit() override;

    static const QString& TarvoType();
    static const QString& FennickType();
    static const QString& Corvo64Type();
    static const QString& Corvo32Type();
    static const QString& Corvo16Type();
    static const QString& UnknownType();
    static const QMap<QString, QString>& TypeToUserFacingMap();
    static const QSet<QString>& AllTypes();
    static QStringList AvailableUnitTypes();
    /// The three keys of the expander family.
    static const QStringList& VesprilTypes();
    static QString QmlUnitToUnitType(cQmlUnit* unit);
    static bool ResolveHostName(
        QHostAddress& address, const QString& text, cMultiUnitFinder* finder, bool& invalidIpAddress);

    cStringProperty* nameOrIpAddressProperty() const { return mNameOrIpAddressProperty; }
    cStringProperty* userFacingTypeProperty() const { return mUserFacingTypeProperty; }
    QString NameOrIpAddress() const;
    QString type() const { return mType; }
    bool connected() const { return mConnected; }
    bool authenticated() const { return mAuthenticated; }
    bool authenticationFailed() const { return mAuthenticationFailed; }
    QString connectionFailureReason() const { return mConnectionFailureReason; }
    bool lostCommsLowTTL() const { return mLostCommsLowTTL; }
    cQuendleConfigClient* ConfigClient() const { return mConfigClient; }
    UWORD ConnectionId() const { return mConnectionId; }
    QString FallbackAddress() const { return mFallbackAddress; }
    /// The address text last chosen for the TCP probe.
    QByteArray ProbeAddress() const { return mProbeAddress; }

    void ConnectToUnit(cMultiUnitFinder* finder);
    Q_INVOKABLE void disconnectFromUnit();
    QByteArray FindIpAddress(cMultiUnitFinder* finder) const;
    QString GetUserFacingTypeString() const;

    void SetType(const QString& type);
    void SetConnected(bool connected);
    void SetAuthenticated(bool authenticated);
    void SetAuthenticationFailed(bool failed);
    void SetLostCommsLowTTL(bool low);
    void SetConnectionFailureReason(const QString& reason);
    void SetLoginTokenFailure();

Q_SIGNALS:
    void typeChanged();
    void connectedChanged();
    void authenticatedChanged();
    void authenticationFailedChanged();
    void connectionFailureReasonChanged();
    void lostCommsLowTTLChanged();
    void ConfigClientFound();
    void ConfigClientNotFound();
    void Authenticated();
    void authenticationFailedSignal();

private Q_SLOTS:
    void TcpPingFinishedSlot();
    void ConfigClientFoundSlot();
    void ConfigClientNotFoundSlot();
    void AuthenticatedSlot();
    void AuthenticationFailedSlot();
    void ConnectionTerminated();
    void UnitLowTTLWarning(UWORD ConnectionId, bool Low);

private:
    void ClearSignInFlags();
    /// `SetConnected(false)`; also tells QML when the attempt had cleared `connected` silently.
    void ClearConnected();
    cProperty* nameOrIpAddressQmlProperty() const;
    cProperty* userFacingTypeQmlProperty() const;

    static int mNetObjectNameSuffix;

    cStringProperty* mNameOrIpAddressProperty;
    cStringProperty* mUserFacingTypeProperty = nullptr;
    QString mType;
    cQuendleConfigClient* mConfigClient = nullptr;
    UWORD mConnectionId = 0xFFFF;
    cTestDottedIPAddress* mProbe = nullptr;
    bool mConnected = false;
    bool mAuthenticated = false;
    bool mAuthenticationFailed = false;
    QString mConnectionFailureReason;
    bool mLostCommsLowTTL = false;
    QByteArray mProbeAddress;
    QString mFallbackAddress;
    bool mFallbackInUse = false;
    /// The running attempt cleared `connected` without telling QML.
    bool mConnectedClearedSilently = false;
    /// The configuration manager is being sought over the connection held.
    bool mSeeking = false;
    /// Ends of the client's manager connection that this unit caused by dropping an old connection.
    int mOwnTerminationsDue = 0;
};
