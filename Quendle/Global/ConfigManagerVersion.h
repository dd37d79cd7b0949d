#pragma once

#include "ZUNet/Core/NetObject.h"

#include <array>

namespace Quendle
{

/// The unit's "Quendle Manager Version": answers M_GET_MANAGER_VERSION with the manager version
/// and the oldest client application the manager accepts.
class cConfigManagerVersion : public cNetObject
{
public:
    explicit cConfigManagerVersion(const char* name);
    ~cConfigManagerVersion() override;

    void EntrypointMessage(cZUNetMessage& message) override;

    /// Lets a unit (or a test unit) present another version; call before clients ask.
    void SetVersion(UWORD managerVersion, const std::array<UBYTE, 3>& clientAppMinVersion);

    static constexpr UWORD kManagerVersion = 1;
    static constexpr std::array<UBYTE, 3> kClientAppMinVersion = { 1, 3, 0 };

private:
    void ReplyWithManagerVersion(const cZUNetMessage& request);

    UWORD mManagerVersion;
    std::array<UBYTE, 3> mClientAppMinVersion;
    cZUNetMessage mReply;
};

} // namespace Quendle
