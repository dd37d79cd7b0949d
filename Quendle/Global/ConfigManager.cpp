#include "Quendle/Global/ConfigManager.h"

#include "Quendle/Global/ConfigDocumentNames.h"
#include "Quendle/Global/ConfigManagerRecords.h"
#include "Quendle/Global/ConfigManagerVersion.h"
#include "Quendle/Global/ReplyWorkerThread.h"
#include "Quendle/Global/SaltHash.h"
#include "Quendle/Global/SecondaryUnitAuthenticator.h"
#include "Quendle/Global/UnitServices.h"
#include "Quendle/Global/UserListServer.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <QXmlStreamReader>

#include <QMutexLocker>
#include <cstdio>

#include <cstring>

#include <unistd.h>

namespace Quendle
{

namespace
{

constexpr UBYTE kSceneAnnounceTicks = 50;

/// The two NUL-terminated texts at the start of the data; false when either runs past the data.
bool ReadTwoStrings(const cZUNetMessage& message, const char*& first, const char*& second)
{
    if (!message.ReadString(0, first))
        return false;
    return message.ReadString(static_cast<int>(std::strlen(first)) + 1, second);
}

} // namespace

cConfigManager::cConfigManager(
    const std::string&, UWORD sceneNumber, UWORD secondValue, const QString& configFilePath, QMutex* configFileMutex)
    : cNetObject(kConfigManagerName, 3, true)
    , mSceneNumber(sceneNumber)
    , mConfigFilePath(configFilePath)
    , mConfigFileMutex(configFileMutex)
{
    mReplyWorker = new cReplyWorkerThread(sceneNumber, secondValue, configFilePath, configFileMutex);
    mReplyWorker->start(QThread::InheritPriority);
    CheckForAllowUserLists();
    mUserListServer = new cUserListServer(kUserListServerName, this);
    mVersionObject = new cConfigManagerVersion(kManagerVersionName);
}

cConfigManager::~cConfigManager()
{
    Unregister();
    delete mReplyWorker;
    delete mUserListServer;
    delete mVersionObject;
    for (cSecondaryUnitAuthenticator* authenticator : mSecondaryAuthenticators)
        delete authenticator;
    mSecondaryAuthenticators.clear();
}

void cConfigManager::EntrypointMessage(cZUNetMessage& message)
{
    switch (message.mMethod) {
    case M_GET_RUNNER_CONFIG:
        ReplyToGetRunnerConfig(message);
        break;
    case M_GET_FULL_CONFIG:
        ReplyToGetFullConfig(message);
        break;
    case M_STORE_CONFIG:
        StoreConfig(message);
        break;
    case M_REQUEST_NAME_PARAM:
        ReplyToRequestNameParam(message);
        break;
    case M_AUTHENTICATE:
        Authenticate(message);
        break;
    case M_FORGET_NAME_PARAM:
        ForgetNameParam(message);
        break;
    case M_ADD_SYNC_CLIENT:
        AddSyncClientToInformList(message.mConnectionId, message.mSource);
        break;
    case M_AUTHENTICATE_PART2:
        AuthenticatePart2(message);
        break;
    case M_GET_RUNNER_LOGIN_TOKEN:
        GetRunnerLoginToken(message);
        break;
    case M_SET_RUNNER_LOGIN_TOKEN:
        SetRunnerLoginToken(message);
        break;
    case M_AUTHENTICATE_BY_TOKEN:
        AuthenticateByToken(message);
        break;
    case M_ADD_RUNNER_TO_INFORM_LIST:
        AddRunnerToInformList(message);
        break;
    case P_LAST_SCENE_RECALLED:
        LastSceneRecalledChanged(message);
        break;
    case P_SCENE_HEADER_CHANGED:
        SceneHeaderChanged(message);
        break;
    default:
        cNetObject::EntrypointMessage(message);
        break;
    }
}

void cConfigManager::SendToClient(UWORD connectionId, UWORD handle, UWORD method)
{
    mReply.SetAddress(connectionId, handle, mHandle, method);
    SyscallSendMessage(mReply);
}

void cConfigManager::Reply(const cZUNetMessage& request, UWORD method)
{
    mReply.SetLength(0);
    SendToClient(request.mConnectionId, request.mSource, method);
}

bool cConfigManager::Authenticated(UWORD connectionId, UWORD handle) const
{
    return mAuthenticationLookup.count(tClient(connectionId, handle)) != 0;
}

void cConfigManager::SetAuthenticated(UWORD connectionId, UWORD handle, UWORD userIndex)
{
    mAuthenticationLookup[tClient(connectionId, handle)] = userIndex;
}

void cConfigManager::Authenticate(const cZUNetMessage& request)
{
    // This manager speaks only the two-step form.
    if (request.mLength != 0) {
        Reply(request, M_REPLY_FAIL);
        return;
    }
    const QByteArray salt = RandomBytes(kSaltLength);
    // A new salt replaces one still pending, so the answer that follows matches what was sent.
    mPendingSalts[tClient(request.mConnectionId, request.mSource)] = salt;
    const QByteArray text = salt.toBase64();
    mReply.SetLength(static_cast<UWORD>(text.size() + 1));
    mReply.SetDataBufferString(text.constData(), 0);
    SendToClient(request.mConnectionId, request.mSource, M_REPLY_OK);
}

void cConfigManager::AuthenticatePart2(const cZUNetMessage& request)
{
    const tClient client(request.mConnectionId, request.mSource);
    const auto pending = mPendingSalts.find(client);
    if (pending == mPendingSalts.end()) {
        Reply(request, M_REPLY_FAIL);
        return;
    }
    // One answer per salt, whatever it is.
    const QByteArray salt = pending->second;
    mPendingSalts.erase(pending);

    const char* userText = nullptr;
    const char* passwordText = nullptr;
    if (!ReadTwoStrings(request, userText, passwordText)) {
        ZU_ERR("Unexpected message size");
        Reply(request, M_REPLY_FAIL);
        return;
    }
    const QByteArray user = QByteArray::fromBase64(QByteArray(userText));
    const QByteArray password = QByteArray::fromBase64(QByteArray(passwordText));
    const int users = NumberOfUsers();
    for (int i = 0; i < users; ++i) {
        const UWORD index = static_cast<UWORD>(i);
        if (!IsUserValid(index))
            continue;
        if (user != SaltHash(Hash(QByteArray::fromStdString(GetUserName(index))), salt))
            continue;
        if (password != SaltHash(Hash(QByteArray::fromStdString(GetUserPassword(index))), salt))
            continue;
        mAuthenticationLookup[client] = index;
        Reply(request, M_REPLY_OK);
        return;
    }
    Reply(request, M_REPLY_FAIL);
}

void cConfigManager::ReplyToGetRunnerConfig(const cZUNetMessage& request)
{
    const tClient client(request.mConnectionId, request.mSource);
    const auto signedIn = mAuthenticationLookup.find(client);
    if (signedIn == mAuthenticationLookup.end()) {
        Reply(request, M_REPLY_FAIL);
        return;
    }
    if (request.mLength <= 2) {
        ZU_ERR("Unexpected message size");
        Reply(request, M_REPLY_FAIL);
        return;
    }
    const UBYTE deviceType = request.GetDataBufferUBYTE(0);
    const UWORD count = request.GetDataBufferUWORD(1);
    if (2 * int(count) + 3 != request.mLength) {
        ZU_ERR("Unexpected message size");
        Reply(request, M_REPLY_FAIL);
        return;
    }
    std::set<int> held;
    for (int i = 0; i < count; ++i)
        held.insert(request.GetDataBufferUWORD(3 + 2 * i));
    const std::string userName = GetUserName(signedIn->second);

    cZUNetMessage replyTemplate;
    replyTemplate.SetAddress(request.mConnectionId, request.mSource, mHandle, M_REPLY_OK);
    mReplyWorker->AddRunnerReplyToQueue(replyTemplate, deviceType, userName, held);
    AddRunnerToInformList(request.mConnectionId, request.mSource, deviceType, userName);
}

void cConfigManager::ReplyToGetFullConfig(const cZUNetMessage& request)
{
    if (!Authenticated(request.mConnectionId, request.mSource)) {
        Reply(request, M_REPLY_FAIL);
        return;
    }
    if (request.mLength != 0) {
        ZU_ERR("Unexpected message size");
        Reply(request, M_REPLY_FAIL);
        return;
    }
    cZUNetMessage replyTemplate;
    replyTemplate.SetAddress(request.mConnectionId, request.mSource, mHandle, M_REPLY_OK);
    mReplyWorker->AddFullReplyToQueue(replyTemplate);
}

void cConfigManager::AddRunnerToInformList(const cZUNetMessage& request)
{
    const auto signedIn = mAuthenticationLookup.find(tClient(request.mConnectionId, request.mSource));
    if (signedIn == mAuthenticationLookup.end() || !ZU_CHECK_LENGTH(request, 1))
        return;
    AddRunnerToInformList(
        request.mConnectionId, request.mSource, request.GetDataBufferUBYTE(0), GetUserName(signedIn->second));
}

void cConfigManager::AddRunnerToInformList(
    UWORD connectionId, UWORD handle, UBYTE deviceType, const std::string& userName)
{
    for (const sRunnerInformItem& runner : mRunnerInformList) {
        if (runner.mConnectionId == connectionId && runner.mHandle == handle)
            return;
    }
    mRunnerInformList.push_back(sRunnerInformItem { connectionId, handle, deviceType, userName });
}

void cConfigManager::RemoveRunnerFromInformList(UWORD connectionId)
{
    mRunnerInformList.remove_if([connectionId](const sRunnerInformItem& r) { return r.mConnectionId == connectionId; });
}

void cConfigManager::AddSyncClientToInformList(UWORD connectionId, UWORD handle)
{
    if (!Authenticated(connectionId, handle))
        return;
    const tClient client(connectionId, handle);
    for (const tClient& existing : mSyncClientInformList) {
        if (existing == client)
            return;
    }
    mSyncClientInformList.push_back(client);
}

void cConfigManager::RemoveSyncClientFromInformList(UWORD connectionId)
{
    mSyncClientInformList.remove_if([connectionId](const tClient& c) { return c.first == connectionId; });
}

void cConfigManager::InformRunnersOfConfigUpdate()
{
    mReply.SetLength(0);
    for (const sRunnerInformItem& runner : mRunnerInformList)
        SendToClient(runner.mConnectionId, runner.mHandle, M_CONFIG_UPDATED);
}

void cConfigManager::InformSyncClientsOfConfigUpdate(UWORD connectionId, UWORD handle)
{
    mReply.SetLength(0);
    for (const tClient& client : mSyncClientInformList) {
        // Handles are per process: only the pair names the uploader.
        if (client.first == connectionId && client.second == handle)
            continue;
        SendToClient(client.first, client.second, M_CONFIG_UPDATED);
    }
}

void cConfigManager::SendStatusMessage(eStatusCodes code, UWORD connectionId, UWORD handle)
{
    mReply.SetLength(2);
    mReply.SetDataBufferUWORD(static_cast<UWORD>(code), 0);
    SendToClient(connectionId, handle, M_MANAGER_STATUS);
}

void cConfigManager::EndUpload()
{
    mUploaderConnectionId = ZUNET_NO_CONNECTION;
    mUploaderHandle = ZUNET_NO_HANDLE;
    mUploadCommitted = false;
}

void cConfigManager::SendDelayedFinalStatusMessage(eStatusCodes code)
{
    if (mUploaderConnectionId != ZUNET_NO_CONNECTION)
        SendStatusMessage(code, mUploaderConnectionId, mUploaderHandle);
    InformRunnersOfConfigUpdate();
    InformSyncClientsOfConfigUpdate(mUploaderConnectionId, mUploaderHandle);
    EndUpload();
}

void cConfigManager::StoreConfig(const cZUNetMessage& request)
{
    const UWORD connectionId = request.mConnectionId;
    const UWORD handle = request.mSource;
    if (!Authenticated(connectionId, handle)) {
        SendStatusMessage(eStatusCodes::NotAuthenticated, connectionId, handle);
        return;
    }
    UWORD index = 0;
    UWORD lastIndex = 0;
    const char* bytes = nullptr;
    int chunkLength = 0;
    if (!ZU_CHECK_LENGTH(request, kChunkHeaderSize) || !ReadChunk(request, index, lastIndex, bytes, chunkLength))
        return;

    if (index == 0) {
        if (mUploaderConnectionId != ZUNET_NO_CONNECTION) {
            SendStatusMessage(eStatusCodes::UploadInProgress, connectionId, handle);
            return;
        }
        if (!CreateTempFile()) {
            SendStatusMessage(eStatusCodes::FileError, connectionId, handle);
            return;
        }
        mUploaderConnectionId = connectionId;
        mUploaderHandle = handle;
        mUploadCommitted = false;
    } else if (mUploaderConnectionId == ZUNET_NO_CONNECTION) {
        ZU_ERR("Received unexpected sequence number %d", index);
        return;
    }
    if (connectionId != mUploaderConnectionId || handle != mUploaderHandle) {
        ZU_ERR("Received unexpected data from connection %d, source %d", connectionId, handle);
        return;
    }
    if (!mTempFile.isOpen()) {
        ZU_ERR("Temp file not open");
        return;
    }
    const qint64 length = chunkLength;
    if (length > 0 && mTempFile.write(bytes, length) != length) {
        mTempFile.close();
        mTempFile.remove();
        ZU_ERR("Failed to write to temp file");
        SendStatusMessage(eStatusCodes::FileError, mUploaderConnectionId, mUploaderHandle);
        EndUpload();
        return;
    }
    if (index != lastIndex) {
        if (lastIndex >= index) {
            mReply.SetLength(4);
            mReply.SetDataBufferUWORD(index, 0);
            mReply.SetDataBufferUWORD(lastIndex, 2);
            SendToClient(connectionId, handle, M_UPLOAD_PROGRESS);
            return;
        }
        ZU_ERR("Unexpected sequence number %d %d", index, lastIndex);
        mTempFile.close();
        mTempFile.remove();
        SendStatusMessage(eStatusCodes::SequenceError, mUploaderConnectionId, mUploaderHandle);
        EndUpload();
        return;
    }

    mReply.SetLength(4);
    mReply.SetDataBufferUWORD(index, 0);
    mReply.SetDataBufferUWORD(index, 2);
    SendToClient(connectionId, handle, M_UPLOAD_PROGRESS);
    if (!CommitTempFile()) {
        SendStatusMessage(eStatusCodes::FileError, mUploaderConnectionId, mUploaderHandle);
        EndUpload();
        return;
    }
    bool delayed = false;
    if (!ParseNewConfig(delayed)) {
        SendStatusMessage(eStatusCodes::ParseFailed, mUploaderConnectionId, mUploaderHandle);
        EndUpload();
        return;
    }
    if (delayed) {
        mUploadCommitted = true;
        return;
    }
    SendStatusMessage(eStatusCodes::Success, mUploaderConnectionId, mUploaderHandle);
    InformRunnersOfConfigUpdate();
    InformSyncClientsOfConfigUpdate(mUploaderConnectionId, mUploaderHandle);
    EndUpload();
}

bool cConfigManager::ParseNewConfig(bool& finalStatusDelayed)
{
    CheckForAllowUserLists();
    finalStatusDelayed = false;
    return true;
}

QString cConfigManager::ConfigFileTempFilename() const
{
    return mConfigFilePath + QStringLiteral("_tmp");
}

bool cConfigManager::CreateTempFile()
{
    if (mTempFile.isOpen()) {
        ZU_ERR("Temp file was open");
        mTempFile.close();
    }
    mTempFile.setFileName(ConfigFileTempFilename());
    if (mTempFile.exists() && !mTempFile.remove()) {
        ZU_ERR("Unable to delete temp file");
        return false;
    }
    if (!mTempFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        ZU_ERR("Unable to open temp file");
        return false;
    }
    return true;
}

bool cConfigManager::CommitTempFile()
{
    {
        QMutexLocker fileLocker(mConfigFileMutex); // no-op without a shared file lock
        mTempFile.flush();
        // On disk before it replaces the old file, so a power cut leaves one or the other whole.
        if (mTempFile.handle() >= 0)
            ::fsync(mTempFile.handle());
        mTempFile.close();
        // rename() replaces the old file in one step: the unit is never without a configuration.
        const QByteArray from = QFile::encodeName(ConfigFileTempFilename());
        const QByteArray to = QFile::encodeName(mConfigFilePath);
        if (std::rename(from.constData(), to.constData()) != 0) {
            QFile::remove(ConfigFileTempFilename());
            ZU_ERR("Unable to move temp file");
            return false;
        }
    }
    // Sent after the file lock is released: the poll lock is never taken inside it.
    UpdatedConfigFile();
    return true;
}

bool cConfigManager::HasConfigFile() const
{
    return QFile::exists(mConfigFilePath);
}

void cConfigManager::SendConfigFilePresent(UWORD connectionId, UWORD handle, UWORD method, bool toInformList)
{
    cZUNetMessage message(1);
    message.SetDataBufferUBYTE(HasConfigFile() ? 1 : 0, 0);
    if (toInformList) {
        message.SetAddress(ZUNET_NO_CONNECTION, ZUNET_NO_HANDLE, ZUNET_NO_HANDLE, P_CONFIG_FILE_PRESENT);
        InformOtherObjects(message);
        return;
    }
    message.SetAddress(connectionId, handle, mHandle, method);
    SyscallSendMessage(message);
}

void cConfigManager::UpdatedConfigFile()
{
    SyscallMessagesPollLock();
    SendConfigFilePresent(ZUNET_NO_CONNECTION, ZUNET_NO_HANDLE, P_CONFIG_FILE_PRESENT, true);
    SyscallMessagesPollUnLock();
}

void cConfigManager::UpdateNewObject(UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod)
{
    if (sourceMethod != P_CONFIG_FILE_PRESENT) {
        ZU_ERR("No matching method at this level.");
        return;
    }
    SendConfigFilePresent(connectionId, handle, destinationMethod, false);
}

void cConfigManager::ReplyToRequestNameParam(const cZUNetMessage& request)
{
    if (request.mLength <= 5) {
        ZU_ERR("Unexpected message size");
        return;
    }
    const char* pathText = nullptr;
    if (!request.ReadString(4, pathText)) {
        ZU_ERR("Unexpected message size");
        return;
    }
    const ULONG requestId = request.GetDataBufferULONG(0);
    const std::string path(pathText);
    const int expected = int(path.size()) + 5;
    if (expected != request.mLength) {
        ZU_ERR("Unexpected message size %d %d", request.mLength, expected);
        return;
    }

    const bool signedIn = Authenticated(request.mConnectionId, request.mSource);
    UWORD status = NameParamNotAuthenticated;
    std::list<std::pair<std::string, UWORD>> entries;
    if (signedIn)
        ResolveNameAndParameter(path, status, entries);
    else
        entries.emplace_back(std::string(), 0);

    const long computed = 4 + NamesAndParametersLength(entries);
    if (computed > ZUNET_MAX_DATA_LENGTH || entries.size() > ZUNET_MAX_DATA_LENGTH) {
        ZU_ERR("Message length error");
        return;
    }
    mReply.SetLength(static_cast<UWORD>(computed));
    mReply.SetDataBufferULONG(requestId, 0);
    if (WriteNamesAndParameters(mReply, 4, status, entries) != computed) {
        ZU_ERR("Message length error");
        return;
    }
    // Only a signed-in client is told of later changes.
    if (signedIn)
        mParamChangeInformList.insert(sParamChangeInformItem { request.mConnectionId, request.mSource, path });
    SendToClient(request.mConnectionId, request.mSource, M_NAME_PARAM_REPLY);
}

void cConfigManager::ForgetNameParam(const cZUNetMessage& request)
{
    if (!ZU_CHECK_STRING(request, 0))
        return;
    mParamChangeInformList.erase(
        sParamChangeInformItem { request.mConnectionId, request.mSource, request.GetDataBufferString(0) });
}

void cConfigManager::SendNameParamChangeMessage(const sParamChangeInformItem& item, UWORD status,
    const std::list<std::pair<std::string, UWORD>>& namesAndParameters)
{
    const long computed = long(item.mObjectPath.size()) + 1 + NamesAndParametersLength(namesAndParameters);
    if (computed > ZUNET_MAX_DATA_LENGTH || namesAndParameters.size() > ZUNET_MAX_DATA_LENGTH) {
        ZU_ERR("Invalid length");
        return;
    }
    cZUNetMessage message(static_cast<UWORD>(computed));
    message.SetDataBufferString(item.mObjectPath.c_str(), 0);
    if (WriteNamesAndParameters(message, int(item.mObjectPath.size()) + 1, status, namesAndParameters) != computed) {
        ZU_ERR("Invalid length");
        return;
    }
    message.SetAddress(item.mConnectionId, item.mHandle, mHandle, M_NAME_PARAM_UPDATE);
    SyscallSendMessage(message);
}

void cConfigManager::ReplyLoginTokenFailure(
    const cZUNetMessage& request, eReplyFailureCodes code, const std::string& unit)
{
    // The unit's name follows the code, so the runner can tell which of its units was refused.
    if (unit.size() + 3 > ZUNET_MAX_DATA_LENGTH) {
        ReplyLoginTokenFailure(request, code, std::string());
        return;
    }
    mReply.SetLength(static_cast<UWORD>(2 + unit.size() + 1));
    mReply.SetDataBufferUWORD(static_cast<UWORD>(code), 0);
    mReply.SetDataBufferString(unit.c_str(), 2);
    SendToClient(request.mConnectionId, request.mSource, M_REPLY_FAIL);
}

void cConfigManager::GetRunnerLoginToken(const cZUNetMessage& request)
{
    const char* nameText = nullptr;
    const char* addressText = nullptr;
    const bool wellFormed = ReadTwoStrings(request, nameText, addressText);
    std::string name;
    if (request.ReadString(0, nameText))
        name = nameText;
    if (!Authenticated(request.mConnectionId, request.mSource)) {
        ReplyLoginTokenFailure(request, eReplyFailureCodes::NotAuthenticated, name);
        return;
    }
    if (!wellFormed) {
        ZU_ERR("Unexpected message size");
        ReplyLoginTokenFailure(request, eReplyFailureCodes::NoSuchUnitPassword, name);
        return;
    }
    std::string password;
    if (!GetAdminPassword(name, password)) {
        ReplyLoginTokenFailure(request, eReplyFailureCodes::NoSuchUnitPassword, name);
        return;
    }
    auto* authenticator
        = new cSecondaryUnitAuthenticator(request.mConnectionId, request.mSource, mHandle, name, addressText, password);
    mSecondaryAuthenticators.push_back(authenticator);
    authenticator->Start();
}

void cConfigManager::SetRunnerLoginToken(const cZUNetMessage& request)
{
    if (!Authenticated(request.mConnectionId, request.mSource)) {
        Reply(request, M_REPLY_FAIL);
        return;
    }
    const char* address = nullptr;
    const char* token = nullptr;
    if (!request.ReadBytes(0, kTokenLength, token) || !request.ReadString(kTokenLength, address)) {
        ZU_ERR("Unexpected message size");
        Reply(request, M_REPLY_FAIL);
        return;
    }
    mLoginTokens.emplace(std::string(address), QByteArray(token, kTokenLength));
    Reply(request, M_REPLY_OK);
}

void cConfigManager::AuthenticateByToken(const cZUNetMessage& request)
{
    const char* tokenBytes = nullptr;
    if (!request.ReadBytes(0, kTokenLength, tokenBytes)) {
        ZU_ERR("Unexpected message size");
        Reply(request, M_REPLY_FAIL);
        return;
    }
    QHostAddress address = UnitPeerAddress(request.mConnectionId);
    if (address.isNull()) {
        Reply(request, M_REPLY_FAIL);
        return;
    }
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    if (isIpv4)
        address = QHostAddress(ipv4);
    const QByteArray token(tokenBytes, kTokenLength);
    const auto range = mLoginTokens.equal_range(address.toString().toStdString());
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second != token)
            continue;
        mLoginTokens.erase(it);
        mAuthenticationLookup.emplace(tClient(request.mConnectionId, request.mSource), 0);
        Reply(request, M_REPLY_OK);
        return;
    }
    Reply(request, M_REPLY_FAIL);
}

bool cConfigManager::GetAdminPassword(const std::string& unitNameOrIpAddress, std::string& password)
{
    QMutexLocker fileLocker(mConfigFileMutex); // no-op without a shared file lock
    QFile file(mConfigFilePath);
    file.open(QIODevice::ReadOnly);
    QXmlStreamReader reader(&file);
    if (!reader.readNextStartElement()) {
        ZU_ERR("Error reading start element - found %s", reader.name().toUtf8().constData());
        return false;
    }
    const QString wanted = QString::fromStdString(unitNameOrIpAddress);
    while (reader.readNextStartElement()) {
        if (reader.name() != QLatin1String(ConfigNames::kUnits)) {
            reader.skipCurrentElement();
            continue;
        }
        while (reader.readNextStartElement()) {
            if (reader.name() == QLatin1String(ConfigNames::kUnit)
                && reader.attributes().value(QLatin1String(ConfigNames::kNameOrIpAddress)) == wanted) {
                const QString stored = reader.attributes().value(QLatin1String(ConfigNames::kPassword)).toString();
                if (stored.isEmpty())
                    return false;
                password = stored.toStdString();
                return true;
            }
            reader.skipCurrentElement();
        }
        return false;
    }
    return false;
}

void cConfigManager::CheckForAllowUserLists()
{
    mAllowUserList = false;
    QMutexLocker fileLocker(mConfigFileMutex); // no-op without a shared file lock
    QFile file(mConfigFilePath);
    if (!file.exists() || file.size() == 0 || !file.open(QIODevice::ReadOnly))
        return;
    QXmlStreamReader reader(&file);
    if (!reader.readNextStartElement()) {
        ZU_ERR("Error reading start element - found %s", reader.name().toUtf8().constData());
        return;
    }
    mAllowUserList = reader.attributes().value(QLatin1String(ConfigNames::kAllowUserList)) == QLatin1String("true");
}

void cConfigManager::CleanUpAuthenticators()
{
    for (auto it = mSecondaryAuthenticators.begin(); it != mSecondaryAuthenticators.end();) {
        if ((*it)->IsFinished()) {
            delete *it;
            it = mSecondaryAuthenticators.erase(it);
        } else {
            ++it;
        }
    }
}

bool cConfigManager::ValidateObjectName(const std::string&) const
{
    return true;
}

void cConfigManager::LastSceneRecalledChanged(const cZUNetMessage& message)
{
    if (!ZU_CHECK_LENGTH(message, 2))
        return;
    const UWORD scene = message.GetDataBufferUWORD(0);
    if (scene == mSceneNumber)
        return;
    mSceneNumber = scene;
    if (mScenePending) {
        mSceneTicks = 0;
    } else {
        mScenePending = true;
        mSceneTicks = 0;
    }
}

void cConfigManager::SceneHeaderChanged(const cZUNetMessage& message)
{
    if (!ZU_CHECK_LENGTH(message, 2))
        return;
    const UWORD scene = message.GetDataBufferUWORD(0);
    if (scene != mSceneNumber)
        return;
    const std::string name = GetSceneName(scene);
    if (name == mSceneName)
        return;
    mSceneName = name;
    mReplyWorker->SetCurrentSceneNumberAndName(scene, name, mRunnerInformList, mHandle);
}

void cConfigManager::ActionTick()
{
    if (mScenePending) {
        if (mSceneTicks >= kSceneAnnounceTicks) {
            mReplyWorker->SetCurrentSceneNumberAndName(
                mSceneNumber, GetSceneName(mSceneNumber), mRunnerInformList, mHandle);
            mScenePending = false;
            mSceneTicks = 0;
            return;
        }
        ++mSceneTicks;
    }
    CleanUpAuthenticators();
}

void cConfigManager::ConnectionTerminated(UWORD connectionId, bool lostComms)
{
    RemoveRunnerFromInformList(connectionId);
    RemoveSyncClientFromInformList(connectionId);
    // Ids are reused: nothing of this connection may reach or serve the next client on it.
    for (auto it = mAuthenticationLookup.begin(); it != mAuthenticationLookup.end();)
        it = it->first.first == connectionId ? mAuthenticationLookup.erase(it) : std::next(it);
    for (auto it = mPendingSalts.begin(); it != mPendingSalts.end();)
        it = it->first.first == connectionId ? mPendingSalts.erase(it) : std::next(it);
    for (auto it = mParamChangeInformList.begin(); it != mParamChangeInformList.end();)
        it = it->mConnectionId == connectionId ? mParamChangeInformList.erase(it) : std::next(it);
    mReplyWorker->ConnectionTerminated(connectionId);
    if (mUploaderConnectionId == connectionId) {
        // Only a file still being received is ours to remove; a committed one is the configuration.
        if (mTempFile.isOpen()) {
            mTempFile.close();
            mTempFile.remove();
        }
        EndUpload();
    }
    cNetObject::ConnectionTerminated(connectionId, lostComms);
}

} // namespace Quendle
