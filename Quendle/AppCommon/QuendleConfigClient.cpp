#include "Quendle/AppCommon/QuendleConfigClient.h"

#include "Quendle/Global/ConfigManagerRecords.h"
#include "Quendle/Global/ConfigManagerVersionClient.h"
#include "Quendle/Global/SaltHash.h"
#include "ZUNet/Core/NetworkInterface.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>

using namespace Quendle;

namespace
{

constexpr int kReasonManagerNotFound = 2;
constexpr int kReasonConnectionTerminated = 3;
constexpr int kReasonReplyFailed = 4;
constexpr int kReasonSignInRefused = 5;
constexpr int kReasonUploadRefused = 6;
constexpr int kReasonVersionTooOld = 7;

bool IsDownload(UWORD method)
{
    return method == M_GET_RUNNER_CONFIG || method == M_GET_FULL_CONFIG;
}

} // namespace

/// Signals and requests a reply handler leaves for after the mutex is released.
struct cQuendleConfigClient::sAfterReply {
    bool mProgress = false;
    float mProgressFraction = 0.0f;
    bool mDownloadSucceeded = false;
    bool mDownloadFailed = false;
    bool mStartNextDownload = false;
    sDownloadRequest mNextDownload { 0, {} };
    bool mAuthenticated = false;
    bool mAuthenticationFailed = false;
    bool mSendRequest = false;
    cZUNetMessage mRequest;
    bool mTokenReceived = false;
    QByteArray mToken;
    bool mTokenFailed = false;
    eReplyFailureCodes mTokenFailureCode = eReplyFailureCodes::AuthenticationFailed;
    std::string mUnit;
    std::string mFallback;
};

cQuendleConfigClient::cQuendleConfigClient(const char* netObjectName, const std::array<UBYTE, 3>& ownVersion)
    : QObject(nullptr)
    , cSeekObject(netObjectName, 0, false, 0)
    , mOwnVersion(ToVersionLong(ownVersion))
{
    qRegisterMetaType<std::string>("std::string");
    qRegisterMetaType<Quendle::eReplyFailureCodes>("Quendle::eReplyFailureCodes");
    mVersionClient = new cConfigManagerVersionClient((std::string(netObjectName) + "_ManagerVersionSeek").c_str());
    connect(mVersionClient, &cConfigManagerVersionClient::VersionCheckCompleteSignal, this,
        &cQuendleConfigClient::VersionManagerCheckComplete);
    // Queued even on one thread: each emission hands exactly one queued item to the owner's thread.
    connect(this, &cQuendleConfigClient::NameAndParamReplyReceived, this,
        &cQuendleConfigClient::NameAndParamReplyReceivedSlot, Qt::QueuedConnection);
    connect(this, &cQuendleConfigClient::NameAndParamUpdateReceived, this,
        &cQuendleConfigClient::NameAndParamUpdateReceivedSlot, Qt::QueuedConnection);
}

cQuendleConfigClient::~cQuendleConfigClient()
{
    delete mVersionClient;
    mVersionClient = nullptr;
    Unregister();
}

qint64 cQuendleConfigClient::ToVersionLong(const std::array<UBYTE, 3>& version)
{
    return Quendle::ToVersionLong(version[0], version[1], version[2]);
}

int cQuendleConfigClient::ManagerVersion() const
{
    return mVersionClient->ManagerVersion();
}

int cQuendleConfigClient::FailureReasonCode() const
{
    std::lock_guard<cRequestMutex> locker(mMutex);
    return mFailureReason;
}

bool cQuendleConfigClient::RequestInProgress() const
{
    std::lock_guard<cRequestMutex> locker(mMutex);
    return mRequestMethod != 0;
}

UWORD cQuendleConfigClient::ManagerConnectionId() const
{
    std::lock_guard<cRequestMutex> locker(mMutex);
    return mManagerConnectionId;
}

UWORD cQuendleConfigClient::ManagerHandle() const
{
    std::lock_guard<cRequestMutex> locker(mMutex);
    return mManagerHandle;
}

bool cQuendleConfigClient::DownloadInProgress() const
{
    std::lock_guard<cRequestMutex> locker(mMutex);
    return mDownloadInProgress;
}

void cQuendleConfigClient::SetRequestMethod(UWORD method)
{
    if (!mMutex.HeldByThisThread())
        ZU_ERR("Not locked!");
    if (method != 0 && mRequestMethod != 0)
        ZU_ERR("Overwriting existing request method %d with %d", mRequestMethod, method);
    mRequestMethod = method;
}

// ---------------------------------------------------------------------------------------------
// Finding the manager and checking versions

void cQuendleConfigClient::FoundObject(const char* path, UWORD connectionId, UWORD handle)
{
    std::unique_lock<cRequestMutex> locker(mMutex);
    if (connectionId == ZUNET_NO_CONNECTION || handle == ZUNET_NO_HANDLE) {
        mFailureReason = kReasonManagerNotFound;
        locker.unlock();
        Q_EMIT SeekFailed();
        return;
    }
    mManagerConnectionId = connectionId;
    mManagerHandle = handle;
    locker.unlock();
    const char* slash = std::strchr(path, '/');
    mVersionClient->StartSeek(slash ? std::string(path, static_cast<std::size_t>(slash - path)) : std::string());
}

void cQuendleConfigClient::VersionManagerCheckComplete()
{
    std::unique_lock<cRequestMutex> locker(mMutex);
    // A check that completed before the manager's connection ended is no longer news.
    if (mManagerConnectionId == ZUNET_NO_CONNECTION)
        return;
    const std::array<UBYTE, 3> minimum = mVersionClient->ClientAppMinVersion();
    if (mOwnVersion >= ToVersionLong(minimum)) {
        locker.unlock();
        Q_EMIT SeekSuccessful();
        return;
    }
    mFailureReason = kReasonVersionTooOld;
    locker.unlock();
    Q_EMIT SeekFailed();
}

// ---------------------------------------------------------------------------------------------
// Requests

void cQuendleConfigClient::Authenticate(const std::string& hashedUserName, const std::string& hashedPassword)
{
    const int version = ManagerVersion();
    cZUNetMessage request;
    {
        std::lock_guard<cRequestMutex> locker(mMutex);
        SetRequestMethod(M_AUTHENTICATE);
        request.SetAddress(mManagerConnectionId, mManagerHandle, mHandle, M_AUTHENTICATE);
        mOneStepSignIn = version < 1;
        if (mOneStepSignIn) {
            mHashedUserName.clear();
            mHashedPassword.clear();
        } else {
            mHashedUserName = QByteArray::fromBase64(QByteArray::fromStdString(hashedUserName));
            mHashedPassword = QByteArray::fromBase64(QByteArray::fromStdString(hashedPassword));
        }
    }
    if (version < 1) {
        request.SetLength(static_cast<UWORD>(hashedUserName.size() + hashedPassword.size() + 2));
        request.SetDataBufferString(hashedUserName.c_str(), 0);
        request.SetDataBufferString(hashedPassword.c_str(), int(hashedUserName.size()) + 1);
    }
    SyscallSendMessage(request);
}

void cQuendleConfigClient::AuthenticateByToken(const QByteArray& token)
{
    cZUNetMessage request;
    {
        std::lock_guard<cRequestMutex> locker(mMutex);
        SetRequestMethod(M_AUTHENTICATE_BY_TOKEN);
        request.SetAddress(mManagerConnectionId, mManagerHandle, mHandle, M_AUTHENTICATE_BY_TOKEN);
    }
    request.SetLength(static_cast<UWORD>(token.size()));
    if (!token.isEmpty())
        std::memcpy(request.mDataBuffer, token.constData(), static_cast<std::size_t>(token.size()));
    SyscallSendMessage(request);
}

void cQuendleConfigClient::RequestLoginToken(const std::string& unitNameOrIpAddress, const std::string& ipAddress)
{
    cZUNetMessage request;
    {
        std::lock_guard<cRequestMutex> locker(mMutex);
        SetRequestMethod(M_GET_RUNNER_LOGIN_TOKEN);
        request.SetAddress(mManagerConnectionId, mManagerHandle, mHandle, M_GET_RUNNER_LOGIN_TOKEN);
        mLoginTokenUnit = unitNameOrIpAddress;
    }
    request.SetLength(static_cast<UWORD>(unitNameOrIpAddress.size() + ipAddress.size() + 2));
    request.SetDataBufferString(unitNameOrIpAddress.c_str(), 0);
    request.SetDataBufferString(ipAddress.c_str(), int(unitNameOrIpAddress.size()) + 1);
    SyscallSendMessage(request);
}

void cQuendleConfigClient::SendAddMeToRunnerInform(UBYTE deviceType) const
{
    if (ManagerVersion() < 1)
        return;
    cZUNetMessage request(1);
    {
        std::lock_guard<cRequestMutex> locker(mMutex);
        request.SetAddress(mManagerConnectionId, mManagerHandle, mHandle, M_ADD_RUNNER_TO_INFORM_LIST);
    }
    request.SetDataBufferUBYTE(deviceType, 0);
    SyscallSendMessage(request);
}

void cQuendleConfigClient::AddToDownloadQueue(UBYTE deviceType, const std::set<int>& resourceIdsHeld)
{
    mDownloadQueue.append(sDownloadRequest { deviceType, resourceIdsHeld });
}

void cQuendleConfigClient::DownloadRunnerConfig(UBYTE deviceType, const std::set<int>& resourceIdsHeld)
{
    {
        std::lock_guard<cRequestMutex> locker(mMutex);
        if (mDownloadInProgress) {
            AddToDownloadQueue(deviceType, resourceIdsHeld);
            return;
        }
        mDownloadInProgress = true;
        ClearDownloadedConfigDataStorage();
    }
    SendGetRunnerConfigRequest(deviceType, resourceIdsHeld);
}

void cQuendleConfigClient::SendGetRunnerConfigRequest(UBYTE deviceType, const std::set<int>& resourceIdsHeld)
{
    // The count is a UWORD and the ids are UWORDs: anything else cannot be held.
    std::set<UWORD> ids;
    for (int id : resourceIdsHeld) {
        if (id >= 0 && id <= std::numeric_limits<UWORD>::max() && ids.size() < 0x7FFB)
            ids.insert(static_cast<UWORD>(id));
    }
    cZUNetMessage request(static_cast<UWORD>(3 + 2 * ids.size()));
    {
        std::lock_guard<cRequestMutex> locker(mMutex);
        SetRequestMethod(M_GET_RUNNER_CONFIG);
        request.SetAddress(mManagerConnectionId, mManagerHandle, mHandle, M_GET_RUNNER_CONFIG);
        mNextChunkIndex = 0;
    }
    request.SetDataBufferUBYTE(deviceType, 0);
    request.SetDataBufferUWORD(static_cast<UWORD>(ids.size()), 1);
    int offset = 3;
    for (UWORD id : ids) {
        request.SetDataBufferUWORD(id, offset);
        offset += 2;
    }
    SyscallSendMessage(request);
}

void cQuendleConfigClient::SetDownloadHasBeenProcessed()
{
    sDownloadRequest next { 0, {} };
    {
        std::lock_guard<cRequestMutex> locker(mMutex);
        mDownloadInProgress = false;
        ClearDownloadedConfigDataStorage();
        if (mDownloadQueue.isEmpty())
            return;
        next = mDownloadQueue.takeFirst();
    }
    DownloadRunnerConfig(next.mDeviceType, next.mResourceIdsHeld);
}

void cQuendleConfigClient::DownloadConfig()
{
    ClearDownloadedConfigDataStorage();
    cZUNetMessage request;
    {
        std::lock_guard<cRequestMutex> locker(mMutex);
        SetRequestMethod(M_GET_FULL_CONFIG);
        request.SetAddress(mManagerConnectionId, mManagerHandle, mHandle, M_GET_FULL_CONFIG);
        mNextChunkIndex = 0;
    }
    SyscallSendMessage(request);
}

void cQuendleConfigClient::UploadConfig(const QByteArray& config)
{
    cZUNetMessage request;
    {
        std::lock_guard<cRequestMutex> locker(mMutex);
        mUploadInProgress = true;
        request.SetAddress(mManagerConnectionId, mManagerHandle, mHandle, M_STORE_CONFIG);
    }
    const int lastIndex = std::max(0, (config.size() - 1) / kChunkSize);
    for (int i = 0; i <= lastIndex; ++i) {
        const int length = std::min(kChunkSize, std::max(0, config.size() - i * kChunkSize));
        request.SetLength(static_cast<UWORD>(length + kChunkHeaderSize));
        WriteChunkHeader(request, static_cast<UWORD>(i), static_cast<UWORD>(lastIndex));
        if (length > 0)
            std::memcpy(request.mDataBuffer + kChunkHeaderSize, config.constData() + i * kChunkSize,
                static_cast<std::size_t>(length));
        SyscallSendMessage(request);
    }
}

// ---------------------------------------------------------------------------------------------
// Dispatch (syscall thread)

void cQuendleConfigClient::EntrypointMessage(cZUNetMessage& message)
{
    if (HandleRequestReply(message))
        return;
    bool fromManager;
    {
        std::lock_guard<cRequestMutex> locker(mMutex);
        fromManager = message.mConnectionId == mManagerConnectionId && message.mSource == mManagerHandle
            && mManagerHandle != ZUNET_NO_HANDLE;
    }
    if (fromManager && message.mMethod >= M_MANAGER_STATUS && message.mMethod <= M_UPLOAD_PROGRESS) {
        HandleNotice(message);
        return;
    }
    cSeekObject::EntrypointMessage(message);
}

bool cQuendleConfigClient::HandleRequestReply(cZUNetMessage& message)
{
    if (message.mMethod != M_REPLY_OK && message.mMethod != M_REPLY_FAIL)
        return false;
    sAfterReply after;
    {
        std::unique_lock<cRequestMutex> locker(mMutex);
        // Only the manager answers our requests: the registries' answers to seeks come from handle 0,
        // and a stale request can never be answered by anyone else.
        if (message.mConnectionId != mManagerConnectionId || message.mSource != mManagerHandle
            || mManagerHandle == ZUNET_NO_HANDLE)
            return false;
        const UWORD method = mRequestMethod;
        switch (method) {
        case M_GET_RUNNER_CONFIG:
        case M_GET_FULL_CONFIG:
            if (message.mMethod == M_REPLY_OK) {
                HandleChunk(message, after);
            } else {
                mFailureReason = kReasonReplyFailed;
                FailDownload(after);
            }
            break;
        case M_AUTHENTICATE:
        case M_AUTHENTICATE_PART2:
        case M_AUTHENTICATE_BY_TOKEN:
            HandleSignInReply(message, method, after);
            break;
        case M_GET_RUNNER_LOGIN_TOKEN:
            HandleLoginTokenReply(message, after);
            break;
        default:
            return false;
        }
    }

    if (after.mSendRequest)
        SyscallSendMessage(after.mRequest);
    if (after.mProgress)
        Q_EMIT DownloadProgress(after.mProgressFraction);
    if (after.mDownloadSucceeded)
        Q_EMIT DownloadConfigSuccessful();
    if (after.mDownloadFailed)
        Q_EMIT DownloadConfigFailed();
    if (after.mAuthenticated)
        Q_EMIT Authenticated();
    if (after.mAuthenticationFailed)
        Q_EMIT AuthenticationFailed();
    if (after.mTokenReceived)
        Q_EMIT LoginTokenReceived(after.mToken, after.mUnit);
    if (after.mTokenFailed)
        Q_EMIT LoginTokenFailure(after.mTokenFailureCode, after.mUnit, after.mFallback);
    if (after.mStartNextDownload)
        DownloadRunnerConfig(after.mNextDownload.mDeviceType, after.mNextDownload.mResourceIdsHeld);
    return true;
}

void cQuendleConfigClient::FailDownload(sAfterReply& after)
{
    const bool runnerDownload = mRequestMethod == M_GET_RUNNER_CONFIG;
    SetRequestMethod(0);
    after.mDownloadFailed = true;
    // A failed download is over: the next one must not wait for a file nobody will process.
    if (runnerDownload && mDownloadInProgress) {
        mDownloadInProgress = false;
        ClearDownloadedConfigDataStorage();
        if (!mDownloadQueue.isEmpty()) {
            after.mNextDownload = mDownloadQueue.takeFirst();
            after.mStartNextDownload = true;
        }
    }
}

void cQuendleConfigClient::HandleChunk(const cZUNetMessage& reply, sAfterReply& after)
{
    UWORD index = 0;
    UWORD lastIndex = 0;
    const char* bytes = nullptr;
    int length = 0;
    if (!ReadChunk(reply, index, lastIndex, bytes, length)) {
        ZU_ERR("Download chunk of %d bytes", reply.mLength);
        mFailureReason = kReasonReplyFailed;
        FailDownload(after);
        return;
    }
    if (index > lastIndex || index != mNextChunkIndex || (index > 0 && lastIndex != mLastChunkIndex)) {
        ZU_ERR("Unexpected chunk %d of %d, expected %d of %d", index, lastIndex, mNextChunkIndex, mLastChunkIndex);
        mFailureReason = kReasonReplyFailed;
        FailDownload(after);
        return;
    }
    if (index == 0)
        ClearDownloadedConfigDataStorage();
    const bool last = index == lastIndex;
    if (!AddToDownloadedConfigDataStorage(bytes, length) || (last && !FinishDownloadedConfigDataStorage())) {
        FailDownload(after);
        return;
    }
    mNextChunkIndex = index + 1;
    mLastChunkIndex = lastIndex;
    after.mProgress = true;
    after.mProgressFraction = float(index + 1) / float(lastIndex + 1);
    if (last) {
        SetRequestMethod(0);
        after.mDownloadSucceeded = true;
    }
}

void cQuendleConfigClient::HandleSignInReply(const cZUNetMessage& reply, UWORD method, sAfterReply& after)
{
    SetRequestMethod(0);
    const bool ok = reply.mMethod == M_REPLY_OK;
    if (ok && method == M_AUTHENTICATE && !mOneStepSignIn) {
        AuthenticatePart2(reply, after);
        return;
    }
    mHashedUserName.clear();
    mHashedPassword.clear();
    if (ok) {
        after.mAuthenticated = true;
    } else {
        mFailureReason = kReasonSignInRefused;
        after.mAuthenticationFailed = true;
    }
}

void cQuendleConfigClient::AuthenticatePart2(const cZUNetMessage& reply, sAfterReply& after)
{
    const char* saltText = nullptr;
    if (!reply.ReadString(0, saltText) || saltText[0] == '\0') {
        ZU_ERR("Salt reply of %d bytes without a salt", reply.mLength);
        mHashedUserName.clear();
        mHashedPassword.clear();
        mFailureReason = kReasonSignInRefused;
        after.mAuthenticationFailed = true;
        return;
    }
    const QByteArray salt = QByteArray::fromBase64(QByteArray(saltText));
    const QByteArray user = SaltHash(mHashedUserName, salt).toBase64();
    const QByteArray password = SaltHash(mHashedPassword, salt).toBase64();
    mHashedUserName.clear();
    mHashedPassword.clear();
    after.mRequest.SetLength(static_cast<UWORD>(user.size() + password.size() + 2));
    after.mRequest.SetDataBufferString(user.constData(), 0);
    after.mRequest.SetDataBufferString(password.constData(), user.size() + 1);
    after.mRequest.SetAddress(mManagerConnectionId, mManagerHandle, mHandle, M_AUTHENTICATE_PART2);
    SetRequestMethod(M_AUTHENTICATE_PART2);
    after.mSendRequest = true;
}

void cQuendleConfigClient::HandleLoginTokenReply(const cZUNetMessage& reply, sAfterReply& after)
{
    SetRequestMethod(0);
    const std::string asked = mLoginTokenUnit;
    mLoginTokenUnit.clear();
    const char* name = nullptr;
    if (reply.mMethod == M_REPLY_OK) {
        const char* token = nullptr;
        if (!reply.ReadBytes(0, kTokenLength, token)) {
            ZU_ERR("Login token reply of %d bytes", reply.mLength);
            after.mTokenFailed = true;
            after.mUnit = asked;
            return;
        }
        after.mTokenReceived = true;
        after.mToken = QByteArray(token, kTokenLength);
        after.mUnit = reply.ReadString(kTokenLength, name) ? std::string(name) : asked;
        return;
    }
    after.mTokenFailed = true;
    UWORD code = 0;
    if (!reply.ReadUWORD(0, code)) {
        ZU_ERR("Login token failure of %d bytes", reply.mLength);
        after.mUnit = asked;
        return;
    }
    after.mTokenFailureCode = static_cast<eReplyFailureCodes>(code);
    // The manager's own refusals may carry no name: they are about the unit we asked for.
    after.mUnit = reply.ReadString(2, name) && name[0] != '\0' ? std::string(name) : asked;
    const char* fallback = nullptr;
    if (after.mTokenFailureCode == eReplyFailureCodes::ManagerVersionTooOld && name
        && reply.ReadString(2 + int(std::strlen(name)) + 1, fallback))
        after.mFallback = fallback;
}

void cQuendleConfigClient::HandleNotice(const cZUNetMessage& message)
{
    switch (message.mMethod) {
    case M_MANAGER_STATUS: {
        UWORD status = 0;
        if (!message.ReadUWORD(0, status)) {
            ZU_ERR("M_MANAGER_STATUS of %d bytes dropped", message.mLength);
            return;
        }
        std::unique_lock<cRequestMutex> locker(mMutex);
        if (!mUploadInProgress) {
            locker.unlock();
            ZU_ERR("M_MANAGER_STATUS received when no upload in progress");
            return;
        }
        mUploadInProgress = false;
        if (status == UWORD(eStatusCodes::Success)) {
            locker.unlock();
            Q_EMIT UploadConfigSuccessful();
            return;
        }
        mFailureReason = status == UWORD(eStatusCodes::UploadInProgress) ? kReasonUploadRefused : kReasonReplyFailed;
        locker.unlock();
        Q_EMIT UploadConfigFailed();
        return;
    }
    case M_NAME_PARAM_REPLY: {
        sNameParamReply item;
        if (!message.ReadULONG(0, item.mRequestId)
            || !ReadNamesAndParameters(message, 4, item.mStatus, item.mNamesAndParameters)) {
            ZU_ERR("Malformed M_NAME_PARAM_REPLY of %d bytes dropped", message.mLength);
            return;
        }
        {
            std::lock_guard<cRequestMutex> locker(mMutex);
            mNameParamReplyQueue.append(item);
        }
        Q_EMIT NameAndParamReplyReceived();
        return;
    }
    case M_NAME_PARAM_UPDATE: {
        sNameParamUpdate item;
        const char* path = nullptr;
        if (!message.ReadString(0, path)
            || !ReadNamesAndParameters(message, int(std::strlen(path)) + 1, item.mStatus, item.mNamesAndParameters)) {
            ZU_ERR("Malformed M_NAME_PARAM_UPDATE of %d bytes dropped", message.mLength);
            return;
        }
        item.mObjectPath = path;
        {
            std::lock_guard<cRequestMutex> locker(mMutex);
            mNameParamUpdateQueue.append(item);
        }
        Q_EMIT NameAndParamUpdateReceived();
        return;
    }
    case M_CONFIG_UPDATED:
        Q_EMIT ConfigUpdated();
        return;
    case M_SCENE_CHANGED:
        Q_EMIT SceneChanged();
        return;
    case M_UPLOAD_PROGRESS: {
        UWORD index = 0;
        UWORD lastIndex = 0;
        if (!message.ReadUWORD(0, index) || !message.ReadUWORD(2, lastIndex)) {
            ZU_ERR("M_UPLOAD_PROGRESS of %d bytes dropped", message.mLength);
            return;
        }
        Q_EMIT UploadProgress(float(index + 1) / float(lastIndex + 1));
        return;
    }
    default:
        return;
    }
}

void cQuendleConfigClient::ConnectionTerminated(UWORD connectionId, bool lostComms)
{
    bool downloadFailed = false;
    bool uploadFailed = false;
    // A search for the manager that went over this connection will never be answered.
    const bool seekLost = SearchWaitsOnConnection(connectionId);
    {
        std::unique_lock<cRequestMutex> locker(mMutex);
        if (connectionId != mManagerConnectionId) {
            locker.unlock();
            cSeekObject::ConnectionTerminated(connectionId, lostComms);
            if (seekLost) {
                ClearSeekBusy();
                FoundObject(GetSeekPath(), ZUNET_NO_CONNECTION, ZUNET_NO_HANDLE);
            }
            return;
        }
        cSeekObject::ConnectionTerminated(connectionId, lostComms);
        mFailureReason = kReasonConnectionTerminated;
        downloadFailed = IsDownload(mRequestMethod);
        uploadFailed = !downloadFailed && mUploadInProgress;
        // Nothing outstanding survives the connection: the next connection starts clean, and no
        // answer meant for this one can complete a request made on the next.
        SetRequestMethod(0);
        mUploadInProgress = false;
        if (mDownloadInProgress) {
            mDownloadInProgress = false;
            ClearDownloadedConfigDataStorage();
        }
        mDownloadQueue.clear();
        mHashedUserName.clear();
        mHashedPassword.clear();
        mLoginTokenUnit.clear();
        mManagerConnectionId = ZUNET_NO_CONNECTION;
        mManagerHandle = ZUNET_NO_HANDLE;
        mVersionClient->Reset();
    }
    Q_EMIT ConnectionTerminated();
    if (downloadFailed)
        Q_EMIT DownloadConfigFailed();
    else if (uploadFailed)
        Q_EMIT UploadConfigFailed();
}
