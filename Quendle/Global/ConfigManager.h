#pragma once

#include "Quendle/Global/ConfigManagerProtocol.h"
#include "ZUNet/Core/NetObject.h"

#include <QByteArray>
#include <QFile>
#include <QMutex>
#include <QString>

#include <list>
#include <map>
#include <set>
#include <string>
#include <utility>

namespace Quendle
{

class cReplyWorkerThread;
class cUserListServer;
class cConfigManagerVersion;
class cSecondaryUnitAuthenticator;

/// The unit's "Quendle Config Manager": signs clients in (salted hashes or login tokens), hands
/// the layout configuration to runners (filtered) and editors (whole), takes uploads, answers
/// name-and-parameter requests, tells runners and sync clients of configuration and scene changes
/// and obtains login tokens for other units. The user store, the name resolution and the scene
/// names are the unit's.
class cConfigManager : public cNetObject
{
public:
    cConfigManager(const std::string& unused, UWORD sceneNumber, UWORD secondValue, const QString& configFilePath,
        QMutex* configFileMutex);
    ~cConfigManager() override;

    void EntrypointMessage(cZUNetMessage& message) override;
    void ActionTick() override;
    void ConnectionTerminated(UWORD connectionId, bool lostComms) override;
    void UpdateNewObject(UWORD connectionId, UWORD handle, UWORD destinationMethod, UWORD sourceMethod) override;

    /// Checks an uploaded file; false rejects it, `finalStatusDelayed` = true means the subclass
    /// sends the final status later with `SendDelayedFinalStatusMessage`.
    virtual bool ParseNewConfig(bool& finalStatusDelayed);
    virtual void ResolveNameAndParameter(
        const std::string& objectPath, UWORD& status, std::list<std::pair<std::string, UWORD>>& namesAndParameters)
        = 0;
    virtual std::string GetUserName(UWORD userIndex) = 0;
    virtual std::string GetUserPassword(UWORD userIndex) = 0;
    virtual bool UserHasPassword(UWORD userIndex) = 0;
    virtual bool IsUserValid(UWORD userIndex) = 0;
    virtual int NumberOfUsers() = 0;
    virtual std::string GetSceneName(UWORD sceneNumber) = 0;

    bool Authenticated(UWORD connectionId, UWORD handle) const;
    void AddRunnerToInformList(UWORD connectionId, UWORD handle, UBYTE deviceType, const std::string& userName);
    void RemoveRunnerFromInformList(UWORD connectionId);
    void AddSyncClientToInformList(UWORD connectionId, UWORD handle);
    void RemoveSyncClientFromInformList(UWORD connectionId);
    void InformRunnersOfConfigUpdate();
    /// Every sync client but the one at (connectionId, handle).
    void InformSyncClientsOfConfigUpdate(UWORD connectionId, UWORD handle);
    void SendStatusMessage(eStatusCodes code, UWORD connectionId, UWORD handle);
    void SendDelayedFinalStatusMessage(eStatusCodes code);
    void SendNameParamChangeMessage(const sParamChangeInformItem& item, UWORD status,
        const std::list<std::pair<std::string, UWORD>>& namesAndParameters);
    bool HasConfigFile() const;
    void UpdatedConfigFile();
    QString ConfigFileTempFilename() const;
    bool ValidateObjectName(const std::string& name) const;
    void CheckForAllowUserLists();
    bool GetAdminPassword(const std::string& unitNameOrIpAddress, std::string& password);
    void CleanUpAuthenticators();

    bool AllowUserList() const { return mAllowUserList; }
    const std::list<sRunnerInformItem>& RunnerInformList() const { return mRunnerInformList; }
    const std::set<sParamChangeInformItem>& ParamChangeInformList() const { return mParamChangeInformList; }
    std::size_t NumberOfPendingSalts() const { return mPendingSalts.size(); }
    std::size_t NumberOfSecondaryAuthenticators() const { return mSecondaryAuthenticators.size(); }
    cConfigManagerVersion* VersionObject() const { return mVersionObject; }

protected:
    cReplyWorkerThread* ReplyWorker() const { return mReplyWorker; }
    cUserListServer* UserListServer() const { return mUserListServer; }
    /// Signs a client in by other means than this class's (a unit's own sign-in forms).
    void SetAuthenticated(UWORD connectionId, UWORD handle, UWORD userIndex);

private:
    using tClient = std::pair<UWORD, UWORD>;

    void ReplyToGetRunnerConfig(const cZUNetMessage& request);
    void ReplyToGetFullConfig(const cZUNetMessage& request);
    void StoreConfig(const cZUNetMessage& request);
    void ReplyToRequestNameParam(const cZUNetMessage& request);
    void Authenticate(const cZUNetMessage& request);
    void ForgetNameParam(const cZUNetMessage& request);
    void AuthenticatePart2(const cZUNetMessage& request);
    void GetRunnerLoginToken(const cZUNetMessage& request);
    void SetRunnerLoginToken(const cZUNetMessage& request);
    void AuthenticateByToken(const cZUNetMessage& request);
    void AddRunnerToInformList(const cZUNetMessage& request);
    void LastSceneRecalledChanged(const cZUNetMessage& message);
    void SceneHeaderChanged(const cZUNetMessage& message);

    bool CreateTempFile();
    bool CommitTempFile();
    void EndUpload();
    void SendToClient(UWORD connectionId, UWORD handle, UWORD method);
    void Reply(const cZUNetMessage& request, UWORD method);
    void ReplyLoginTokenFailure(const cZUNetMessage& request, eReplyFailureCodes code, const std::string& unit);
    void SendConfigFilePresent(UWORD connectionId, UWORD handle, UWORD method, bool toInformList);

    UWORD mSceneNumber;
    QString mConfigFilePath;
    QMutex* mConfigFileMutex;
    cReplyWorkerThread* mReplyWorker = nullptr;
    QFile mTempFile;
    std::set<sParamChangeInformItem> mParamChangeInformList;
    std::list<sRunnerInformItem> mRunnerInformList;
    std::list<tClient> mSyncClientInformList;
    std::map<tClient, UWORD> mAuthenticationLookup;
    std::map<tClient, QByteArray> mPendingSalts;
    std::string mSceneName;
    UWORD mUploaderConnectionId = ZUNET_NO_CONNECTION;
    UWORD mUploaderHandle = ZUNET_NO_HANDLE;
    bool mUploadCommitted = false; // awaiting the subclass's delayed status
    bool mScenePending = false;
    UBYTE mSceneTicks = 0;
    bool mAllowUserList = false;
    cUserListServer* mUserListServer = nullptr;
    cConfigManagerVersion* mVersionObject = nullptr;
    std::list<cSecondaryUnitAuthenticator*> mSecondaryAuthenticators;
    std::multimap<std::string, QByteArray> mLoginTokens;
    cZUNetMessage mReply;
};

} // namespace Quendle
