#include "Quendle/Drivers/DriverBase.h"

#include "ZUNet/Core/PollLocker.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <cstring>

namespace
{
bool NameTaken(const std::string& name)
{
    return gRegistryRouter && gRegistryRouter->GetHandle(name.c_str()) != ZUNET_NO_HANDLE;
}
} // namespace

std::string UniqueNetObjectName(const char* wanted)
{
    cPollLocker locker;
    std::string name(wanted ? wanted : "");
    // A name the registry refuses anyway is left for the registration to report.
    if (name.size() > std::size_t(ZUNET_MAX_NAME_LENGTH) || !NameTaken(name))
        return name;
    for (int n = 2; n <= ZUNET_MAX_HANDLE + 1; ++n) {
        const std::string suffix = "~" + std::to_string(n);
        std::string candidate = name.substr(0, std::size_t(ZUNET_MAX_NAME_LENGTH) - suffix.size()) + suffix;
        if (!NameTaken(candidate)) {
            ZU_NOTIF("Net object name \"%s\" is in use, registering \"%s\"", name.c_str(), candidate.c_str());
            return candidate;
        }
    }
    return name;
}

cZUNetDriverBase::cZUNetDriverBase(QObject* parent, const char* name, UWORD numberOfParameters)
    : QObject(parent)
    , cNetObject(UniqueNetObjectName(name).c_str(), numberOfParameters)
    , mRequestedName(name ? name : "")
{
    if (RegistrationFailed())
        ZU_ERR("Driver \"%s\" could not be registered", mRequestedName.c_str());
}

cZUNetDriverBase::~cZUNetDriverBase()
{
    Unregister();
}

void cZUNetDriverBase::SendParameterMessage(const UBYTE* data, int length)
{
    mOutgoing.SetLength(UWORD(length));
    if (length > 0)
        std::memcpy(mOutgoing.mDataBuffer, data, std::size_t(length));
    mOutgoing.SetAddress(ZUNET_NO_CONNECTION, ZUNET_NO_HANDLE, GetHandle(), PARAMETER_BASE);
    InformOtherObjects(mOutgoing);
}
