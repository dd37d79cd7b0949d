#pragma once

#include "Quendle/Global/UnitServices.h"

namespace Quendle
{

/// The unit services over the process's connection manager, address probe and unit finder: what a
/// unit process installs with `SetUnitServices`.
class cUnitNetworkServices : public cUnitServices
{
public:
    QHostAddress PeerAddress(UWORD connectionId) override;
    void DisconnectConnection(UWORD connectionId) override;
    QMap<QString, QString> FoundUnitAddresses() override;
    std::unique_ptr<cReachabilityProbe> StartProbe(const std::string& address) override;
};

} // namespace Quendle
