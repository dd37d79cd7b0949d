#include "Quendle/Global/UserListServer.h"

#include "Quendle/Global/ConfigManager.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <QByteArray>

#include <cstring>

namespace Quendle
{

cUserListServer::cUserListServer(const std::string& name, cConfigManager* manager)
    : cNetObject(name.c_str(), 1)
    , mConfigManager(manager)
{
}

cUserListServer::~cUserListServer()
{
    Unregister();
}

void cUserListServer::UpdateNewObject(UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod)
{
    if (sourceMethod != PARAMETER_BASE) {
        ZU_ERR("No matching method at this level.");
        return;
    }
    QByteArray data(1, '\0');
    int count = 0;
    if (mConfigManager->AllowUserList()) {
        const int users = mConfigManager->NumberOfUsers();
        for (int i = 0; i < users && count < kMaxEntries; ++i) {
            const UWORD index = static_cast<UWORD>(i);
            if (!mConfigManager->IsUserValid(index))
                continue;
            const std::string name = mConfigManager->GetUserName(index);
            // Entries that would not fit the 16-bit data length are left out, never cut.
            if (data.size() + int(name.size()) + 2 > ZUNET_MAX_DATA_LENGTH)
                break;
            data.append(name.c_str(), int(name.size()) + 1);
            data.append(char(mConfigManager->UserHasPassword(index) ? 1 : 0));
            ++count;
        }
    }
    data[0] = char(count);
    mReply.SetLength(static_cast<UWORD>(data.size()));
    std::memcpy(mReply.mDataBuffer, data.constData(), static_cast<std::size_t>(data.size()));
    mReply.SetAddress(connectionId, handle, mHandle, destinationMethod);
    SyscallSendMessage(mReply);
}

} // namespace Quendle
