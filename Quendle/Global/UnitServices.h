#pragma once

#include "ZUNet/Core/ZUNetTypes.h"

#include <QHostAddress>
#include <QMap>
#include <QString>

#include <memory>
#include <string>

/// What the unit-side configuration objects need of the unit beyond the object core: peer
/// addresses of connections, closing a connection, the units its finder has found and a
/// reachability probe. The unit installs an implementation; tests install fakes. Without one,
/// addresses are null, nothing is found and every probe fails.
namespace Quendle
{

class cReachabilityProbe
{
public:
    enum eState { Running = 0, Reachable = 1, Failed = 2 };
    virtual ~cReachabilityProbe() = default;
    virtual eState GetState() const = 0;
};

class cUnitServices
{
public:
    virtual ~cUnitServices() = default;
    /// Peer address of the connection's TCP socket; null when there is none.
    virtual QHostAddress PeerAddress(UWORD connectionId) = 0;
    virtual void DisconnectConnection(UWORD connectionId) = 0;
    /// Unit name -> IPv4 address text of every unit the finder knows.
    virtual QMap<QString, QString> FoundUnitAddresses() = 0;
    /// Starts a TCP probe of the unit port at `address`.
    virtual std::unique_ptr<cReachabilityProbe> StartProbe(const std::string& address) = 0;
};

void SetUnitServices(cUnitServices* services);
cUnitServices* GetUnitServices();

QHostAddress UnitPeerAddress(UWORD connectionId);
void UnitDisconnectConnection(UWORD connectionId);
QMap<QString, QString> UnitFoundUnitAddresses();
std::unique_ptr<cReachabilityProbe> UnitStartProbe(const std::string& address);

} // namespace Quendle
