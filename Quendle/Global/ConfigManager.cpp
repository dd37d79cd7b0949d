// Construction, the message dispatch and what a lost connection undoes.
#include "Quendle/Global/ConfigManager.h"

#include "Quendle/Global/ConfigManagerVersion.h"
#include "Quendle/Global/ReplyWorkerThread.h"
#include "Quendle/Global/SecondaryUnitAuthenticator.h"
#include "Quendle/Global/UserListServer.h"
#include "ZUNet/Core/Syscall.h"

namespace Quendle
{

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
