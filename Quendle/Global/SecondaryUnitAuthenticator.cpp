#include "Quendle/Global/SecondaryUnitAuthenticator.h"

#include "Quendle/Global/ConfigManagerVersionClient.h"
#include "Quendle/Global/SaltHash.h"
#include "Quendle/Global/UnitServices.h"
#include "ZUNet/Core/NetworkInterface.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <QHostAddress>

#include <atomic>
#include <cstring>
#include <map>

namespace Quendle
{

namespace
{

std::atomic<int> gNextAuthenticator { 0 };

/// Connections to other units that authenticators opened, with how many authenticators use each:
/// one runner's authenticator must not close the connection another one still needs. Used on
/// the dispatch thread only.
std::map<UWORD, int>& SharedConnections()
{
    static std::map<UWORD, int> connections;
    return connections;
}

QHostAddress PlainAddress(QHostAddress address)
{
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    if (isIpv4)
        address = QHostAddress(ipv4);
    return address;
}

} // namespace

std::string cSecondaryUnitAuthenticator::GetNextNetObjectName()
{
    return "Quendle 2ndaryAuth_" + std::to_string(gNextAuthenticator.fetch_add(1));
}

cSecondaryUnitAuthenticator::cSecondaryUnitAuthenticator(UWORD runnerConnectionId, UWORD runnerHandle,
    UWORD managerHandle, const std::string& unitNameOrIpAddress, const std::string& unitIpAddress,
    const std::string& password)
    : cSeekObject(GetNextNetObjectName().c_str(), 0, true, 0)
    , mRunnerConnectionId(runnerConnectionId)
    , mRunnerHandle(runnerHandle)
    , mManagerHandle(managerHandle)
    , mUnitNameOrIpAddress(unitNameOrIpAddress)
    , mUnitIpAddress(unitIpAddress)
    , mHashedUserName(Hash(QByteArrayLiteral("Admin")))
    , mHashedPassword(QByteArray::fromBase64(QByteArray::fromStdString(password)))
    , mOwnVersion(ToVersionLong(1, 3, 0))
    , mToken(RandomBytes(kTokenLength))
{
    mVersionClient = new cConfigManagerVersionClient(GetVersionClientNetObjectName().c_str());
}

cSecondaryUnitAuthenticator::~cSecondaryUnitAuthenticator()
{
    Unregister();
    delete mVersionClient;
    ReleaseRemoteConnection(true);
}

std::string cSecondaryUnitAuthenticator::GetVersionClientNetObjectName() const
{
    return std::string(mName) + "_ManagerVersionSeek";
}

void cSecondaryUnitAuthenticator::Start()
{
    mIpProbe = UnitStartProbe(mUnitIpAddress);
}

void cSecondaryUnitAuthenticator::ActionTick()
{
    if (mFinished)
        return;
    if (mIpProbe && mIpProbe->GetState() != cReachabilityProbe::Running) {
        TcpPingFinished();
        if (mFinished)
            return;
    }
    if (mVersionCheckPending && mVersionClient->CheckComplete()) {
        mVersionCheckPending = false;
        VersionManagerCheckComplete();
    }
}

void cSecondaryUnitAuthenticator::TcpPingFinished()
{
    const cReachabilityProbe::eState state = mIpProbe->GetState();
    mIpProbe.reset();
    if (state != cReachabilityProbe::Reachable) {
        SendFailMessage(eReplyFailureCodes::UnitNotFound);
        return;
    }
    mSeekByName = DoesNetworkConnectionExist(mUnitNameOrIpAddress.c_str());
    mSeekAddress = mSeekByName ? mUnitNameOrIpAddress : mUnitIpAddress;
    mConnectionExisted = mSeekByName || DoesNetworkConnectionExist(mSeekAddress.c_str());
    const std::string path = mSeekAddress + "/" + kConfigManagerName;
    SeekObject(path.c_str());
}

void cSecondaryUnitAuthenticator::FoundObject(const char*, UWORD connectionId, UWORD handle)
{
    if (mFinished)
        return;
    if (connectionId == ZUNET_NO_CONNECTION || handle == ZUNET_NO_HANDLE) {
        SendFailMessage(eReplyFailureCodes::UnitNotFound);
        return;
    }
    mRemoteConnectionId = connectionId;
    mRemoteHandle = handle;
    auto& shared = SharedConnections();
    if (connectionId != ZUNET_LOCAL_CONNECTION && (!mConnectionExisted || shared.count(connectionId))) {
        ++shared[connectionId];
        mHoldsConnection = true;
    }
    mVersionCheckPending = true;
    mVersionClient->StartSeek(mSeekAddress);
}

void cSecondaryUnitAuthenticator::ReleaseRemoteConnection(bool disconnect)
{
    if (!mHoldsConnection)
        return;
    mHoldsConnection = false;
    auto& shared = SharedConnections();
    const auto it = shared.find(mRemoteConnectionId);
    if (it == shared.end())
        return;
    if (--it->second > 0)
        return;
    shared.erase(it);
    if (disconnect)
        UnitDisconnectConnection(mRemoteConnectionId);
}

void cSecondaryUnitAuthenticator::VersionManagerCheckComplete()
{
    const std::array<UBYTE, 3> minimum = mVersionClient->ClientAppMinVersion();
    if (mOwnVersion < ToVersionLong(minimum[0], minimum[1], minimum[2])) {
        SendFailMessage(eReplyFailureCodes::ClientVersionTooOld);
        return;
    }
    if (mVersionClient->ManagerVersion() < 1) {
        SendFailMessage(eReplyFailureCodes::ManagerVersionTooOld);
        return;
    }
    SendRequestToRemoteUnit(M_AUTHENTICATE);
}

void cSecondaryUnitAuthenticator::SetRequestMethod(UWORD method)
{
    if (method != 0 && mRequestMethod != 0)
        ZU_ERR("Overwriting existing request method %d", mRequestMethod);
    mRequestMethod = method;
}

void cSecondaryUnitAuthenticator::SendRequestToRemoteUnit(UWORD method)
{
    mRequest.SetLength(0);
    SendRequestWithData(method);
}

// Sends mRequest, whose data is already in place, to the other unit's manager.
void cSecondaryUnitAuthenticator::SendRequestWithData(UWORD method)
{
    SetRequestMethod(method);
    mRequest.SetAddress(mRemoteConnectionId, mRemoteHandle, mHandle, method);
    SyscallSendMessage(mRequest);
}

void cSecondaryUnitAuthenticator::EntrypointMessage(cZUNetMessage& message)
{
    if (!HandleRequestReply(message))
        cSeekObject::EntrypointMessage(message);
}

bool cSecondaryUnitAuthenticator::HandleRequestReply(cZUNetMessage& message)
{
    if (message.mMethod != M_REPLY_OK && message.mMethod != M_REPLY_FAIL)
        return false;
    // Only the other unit's manager answers our requests; the registries answer the seek.
    if (mRequestMethod == 0 || message.mConnectionId != mRemoteConnectionId || message.mSource != mRemoteHandle)
        return false;
    const UWORD method = mRequestMethod;
    SetRequestMethod(0);
    if (mFinished)
        return true;
    const bool ok = message.mMethod == M_REPLY_OK;
    switch (method) {
    case M_AUTHENTICATE:
        if (ok)
            AuthenticatePart2(message);
        else
            SendFailMessage(eReplyFailureCodes::AuthenticationFailed);
        break;
    case M_AUTHENTICATE_PART2:
        if (ok)
            SendLoginTokenToUnit();
        else
            SendFailMessage(eReplyFailureCodes::AuthenticationFailed);
        break;
    case M_SET_RUNNER_LOGIN_TOKEN:
        if (ok)
            SendLoginTokenToClient();
        else
            SendFailMessage(eReplyFailureCodes::SetTokenFailed);
        break;
    default:
        break;
    }
    return true;
}

void cSecondaryUnitAuthenticator::AuthenticatePart2(const cZUNetMessage& reply)
{
    const char* saltText = nullptr;
    if (!reply.ReadString(0, saltText) || saltText[0] == '\0') {
        ZU_ERR("Unexpected message size");
        SendFailMessage(eReplyFailureCodes::AuthenticationFailed);
        return;
    }
    const QByteArray salt = QByteArray::fromBase64(QByteArray(saltText));
    const QByteArray user = SaltHash(mHashedUserName, salt).toBase64();
    const QByteArray password = SaltHash(mHashedPassword, salt).toBase64();
    mRequest.SetLength(static_cast<UWORD>(user.size() + password.size() + 2));
    mRequest.SetDataBufferString(user.constData(), 0);
    mRequest.SetDataBufferString(password.constData(), user.size() + 1);
    SendRequestWithData(M_AUTHENTICATE_PART2);
}

void cSecondaryUnitAuthenticator::SendLoginTokenToUnit()
{
    const QHostAddress runner = PlainAddress(UnitPeerAddress(mRunnerConnectionId));
    if (runner.isNull()) {
        SendFailMessage(eReplyFailureCodes::AddressNotResolved);
        return;
    }
    const QByteArray address = runner.toString().toLatin1();
    mRequest.SetLength(static_cast<UWORD>(mTokenLength + address.size() + 1));
    std::memcpy(mRequest.mDataBuffer, mToken.constData(), static_cast<std::size_t>(mTokenLength));
    mRequest.SetDataBufferString(address.constData(), mTokenLength);
    SendRequestWithData(M_SET_RUNNER_LOGIN_TOKEN);
}

void cSecondaryUnitAuthenticator::SendLoginTokenToClient()
{
    mFinished = true;
    if (mRunnerConnectionId == ZUNET_NO_CONNECTION)
        return;
    cZUNetMessage answer(static_cast<UWORD>(mTokenLength + mUnitNameOrIpAddress.size() + 1));
    std::memcpy(answer.mDataBuffer, mToken.constData(), static_cast<std::size_t>(mTokenLength));
    answer.SetDataBufferString(mUnitNameOrIpAddress.c_str(), mTokenLength);
    answer.SetAddress(mRunnerConnectionId, mRunnerHandle, mManagerHandle, M_REPLY_OK);
    SyscallSendMessage(answer);
}

void cSecondaryUnitAuthenticator::SendFailMessage(eReplyFailureCodes code)
{
    // One answer per request: whatever happens afterwards stays silent.
    if (mFinished)
        return;
    mFinished = true;
    if (mRunnerConnectionId == ZUNET_NO_CONNECTION)
        return;
    const QByteArray fallback
        = code == eReplyFailureCodes::ManagerVersionTooOld ? mHashedPassword.toBase64() : QByteArray();
    int length = 2 + int(mUnitNameOrIpAddress.size()) + 1;
    if (code == eReplyFailureCodes::ManagerVersionTooOld)
        length += fallback.size() + 1;
    cZUNetMessage answer(static_cast<UWORD>(length));
    answer.SetDataBufferUWORD(static_cast<UWORD>(code), 0);
    answer.SetDataBufferString(mUnitNameOrIpAddress.c_str(), 2);
    if (code == eReplyFailureCodes::ManagerVersionTooOld)
        answer.SetDataBufferString(fallback.constData(), 2 + int(mUnitNameOrIpAddress.size()) + 1);
    answer.SetAddress(mRunnerConnectionId, mRunnerHandle, mManagerHandle, M_REPLY_FAIL);
    SyscallSendMessage(answer);
}

void cSecondaryUnitAuthenticator::ConnectionTerminated(UWORD connectionId, bool lostComms)
{
    const bool seekLost = SearchWaitsOnConnection(connectionId);
    cSeekObject::ConnectionTerminated(connectionId, lostComms);
    if (seekLost) {
        ClearSeekBusy();
        SendFailMessage(eReplyFailureCodes::UnitNotFound);
    } else if (connectionId == mRemoteConnectionId) {
        ReleaseRemoteConnection(false);
        mRemoteConnectionId = ZUNET_NO_CONNECTION;
        mVersionCheckPending = false;
        SendFailMessage(eReplyFailureCodes::ConnectionLost);
    } else if (connectionId == mRunnerConnectionId) {
        mRunnerConnectionId = ZUNET_NO_CONNECTION;
        mFinished = true;
    }
}

} // namespace Quendle
