#include "Quendle/Global/ConfigManagerVersion.h"

#include "Quendle/Global/ConfigManagerProtocol.h"
#include "ZUNet/Core/Syscall.h"

namespace Quendle
{

cConfigManagerVersion::cConfigManagerVersion(const char* name)
    : cNetObject(name, 0)
    , mManagerVersion(kManagerVersion)
    , mClientAppMinVersion(kClientAppMinVersion)
{
}

cConfigManagerVersion::~cConfigManagerVersion()
{
    Unregister();
}

void cConfigManagerVersion::SetVersion(UWORD managerVersion, const std::array<UBYTE, 3>& clientAppMinVersion)
{
    mManagerVersion = managerVersion;
    mClientAppMinVersion = clientAppMinVersion;
}

void cConfigManagerVersion::EntrypointMessage(cZUNetMessage& message)
{
    if (message.mMethod == M_GET_MANAGER_VERSION)
        ReplyWithManagerVersion(message);
    else
        cNetObject::EntrypointMessage(message);
}

void cConfigManagerVersion::ReplyWithManagerVersion(const cZUNetMessage& request)
{
    mReply.SetLength(5);
    mReply.SetDataBufferUWORD(mManagerVersion, 0);
    mReply.SetDataBufferUBYTE(mClientAppMinVersion[0], 2);
    mReply.SetDataBufferUBYTE(mClientAppMinVersion[1], 3);
    mReply.SetDataBufferUBYTE(mClientAppMinVersion[2], 4);
    mReply.SetAddress(request.mConnectionId, request.mSource, mHandle, M_REPLY_OK);
    SyscallSendMessage(mReply);
}

} // namespace Quendle
