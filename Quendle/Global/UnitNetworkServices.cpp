#include "Quendle/Global/UnitNetworkServices.h"

#include "Common/Qt/UnitFinder.h"
#include "ZUNet/QT/ConnectionThreads.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "ZUNet/QT/TestDottedIPAddress.h"

namespace Quendle
{

namespace
{

class cDottedAddressProbe : public cReachabilityProbe
{
public:
    explicit cDottedAddressProbe(const std::string& address)
        : mProbe(nullptr, address)
    {
        mProbe.Start();
    }
    eState GetState() const override
    {
        switch (mProbe.GetState()) {
        case cTestDottedIPAddress::Running:
            return Running;
        case cTestDottedIPAddress::Reachable:
            return Reachable;
        default:
            return Failed;
        }
    }

private:
    cTestDottedIPAddress mProbe;
};

} // namespace

QHostAddress cUnitNetworkServices::PeerAddress(UWORD connectionId)
{
    cNetworkConnection* network = cNetworkConnection::Instance();
    if (!network)
        return QHostAddress();
    // By id, not by host name: two connections from one peer share their host name.
    return network->GetRemoteAddressFromConnectionID(connectionId);
}

void cUnitNetworkServices::DisconnectConnection(UWORD connectionId)
{
    if (cNetworkConnection* network = cNetworkConnection::Instance())
        network->DisconnectConnectionID(connectionId);
}

QMap<QString, QString> cUnitNetworkServices::FoundUnitAddresses()
{
    QMap<QString, QString> addresses;
    QList<sUnit> units;
    if (!cMultiUnitFinder::GetProcessFoundUnits(units))
        return addresses;
    for (const sUnit& unit : units) {
        bool isIpv4 = false;
        const quint32 ipv4 = unit.mHostAddress.toIPv4Address(&isIpv4);
        if (isIpv4 && !addresses.contains(unit.mUnitName))
            addresses.insert(unit.mUnitName, QHostAddress(ipv4).toString());
    }
    return addresses;
}

std::unique_ptr<cReachabilityProbe> cUnitNetworkServices::StartProbe(const std::string& address)
{
    return std::make_unique<cDottedAddressProbe>(address);
}

} // namespace Quendle
