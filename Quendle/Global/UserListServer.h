#pragma once

#include "ZUNet/Core/NetObject.h"

#include <string>

namespace Quendle
{

class cConfigManager;

/// The unit's "Quendle User List Server": a client that links to its parameter with Sync gets the
/// list of valid users and whether each needs a password, once per link.
class cUserListServer : public cNetObject
{
public:
    cUserListServer(const std::string& name, cConfigManager* manager);
    ~cUserListServer() override;

    void UpdateNewObject(UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod) override;

    /// The count is one byte.
    static constexpr int kMaxEntries = 255;

private:
    cConfigManager* mConfigManager;
    cZUNetMessage mReply;
};

} // namespace Quendle
