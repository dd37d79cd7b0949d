#include "Quendle/Global/ConfigManagerVersionClient.h"

#include "Quendle/Global/ConfigManagerProtocol.h"
#include "ZUNet/Core/Syscall.h"

namespace Quendle
{

cConfigManagerVersionClient::cConfigManagerVersionClient(const char* netObjectName)
    : QObject(nullptr)
    , cSeekObject(netObjectName, 0, false, 0)
{
}

cConfigManagerVersionClient::~cConfigManagerVersionClient()
{
    Unregister();
}

bool cConfigManagerVersionClient::StartSeek(const std::string& unit)
{
    mCheckComplete.store(false);
    const std::string path = unit.empty() ? std::string(kManagerVersionName) : unit + "/" + kManagerVersionName;
    return SeekObject(path.c_str());
}

void cConfigManagerVersionClient::Complete()
{
    mAwaitingReply.store(false);
    mCheckComplete.store(true);
    Q_EMIT VersionCheckCompleteSignal();
}

void cConfigManagerVersionClient::FoundObject(const char*, UWORD connectionId, UWORD handle)
{
    if (handle == ZUNET_NO_HANDLE || connectionId == ZUNET_NO_CONNECTION) {
        SetData(-1, mDefaultClientAppMinVersion);
        Complete();
        return;
    }
    mVersionConnectionId.store(connectionId);
    mVersionHandle.store(handle);
    mAwaitingReply.store(true);
    mRequest.SetLength(0);
    mRequest.SetAddress(connectionId, handle, mHandle, M_GET_MANAGER_VERSION);
    SyscallSendMessage(mRequest);
}

void cConfigManagerVersionClient::EntrypointMessage(cZUNetMessage& message)
{
    if (!mAwaitingReply.load() || message.mConnectionId != mVersionConnectionId.load()
        || message.mSource != mVersionHandle.load()) {
        cSeekObject::EntrypointMessage(message);
        return;
    }
    if (message.mMethod == M_REPLY_FAIL) {
        SetData(-1, mDefaultClientAppMinVersion);
    } else if (message.mMethod == M_REPLY_OK) {
        if (message.HasData(0, 5)) {
            SetData(message.GetDataBufferUWORD(0),
                { message.GetDataBufferUBYTE(2), message.GetDataBufferUBYTE(3), message.GetDataBufferUBYTE(4) });
        } else {
            // A short answer says nothing: treat it as a refusal.
            SetData(-1, mDefaultClientAppMinVersion);
        }
    }
    Complete();
}

void cConfigManagerVersionClient::Reset()
{
    mAwaitingReply.store(false);
    mVersionConnectionId.store(ZUNET_NO_CONNECTION);
    mVersionHandle.store(ZUNET_NO_HANDLE);
    ClearSeekBusy();
}

int cConfigManagerVersionClient::ManagerVersion() const
{
    std::lock_guard<std::mutex> locker(mMutex);
    return mManagerVersion;
}

std::array<UBYTE, 3> cConfigManagerVersionClient::ClientAppMinVersion() const
{
    std::lock_guard<std::mutex> locker(mMutex);
    return mClientAppMinVersion;
}

void cConfigManagerVersionClient::SetData(int managerVersion, const std::array<UBYTE, 3>& clientAppMinVersion)
{
    std::lock_guard<std::mutex> locker(mMutex);
    mManagerVersion = managerVersion;
    mClientAppMinVersion = clientAppMinVersion;
}

} // namespace Quendle
