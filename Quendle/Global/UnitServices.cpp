#include "Quendle/Global/UnitServices.h"

#include <atomic>

namespace Quendle
{

namespace
{
std::atomic<cUnitServices*> gUnitServices { nullptr };

class cFailedProbe : public cReachabilityProbe
{
public:
    eState GetState() const override { return Failed; }
};
} // namespace

void SetUnitServices(cUnitServices* services)
{
    gUnitServices.store(services);
}

cUnitServices* GetUnitServices()
{
    return gUnitServices.load();
}

QHostAddress UnitPeerAddress(UWORD connectionId)
{
    cUnitServices* services = GetUnitServices();
    return services ? services->PeerAddress(connectionId) : QHostAddress();
}

void UnitDisconnectConnection(UWORD connectionId)
{
    if (cUnitServices* services = GetUnitServices())
        services->DisconnectConnection(connectionId);
}

QMap<QString, QString> UnitFoundUnitAddresses()
{
    cUnitServices* services = GetUnitServices();
    return services ? services->FoundUnitAddresses() : QMap<QString, QString>();
}

std::unique_ptr<cReachabilityProbe> UnitStartProbe(const std::string& address)
{
    cUnitServices* services = GetUnitServices();
    if (services)
        return services->StartProbe(address);
    return std::make_unique<cFailedProbe>();
}

} // namespace Quendle
