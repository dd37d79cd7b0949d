#pragma once

#include "Quendle/Global/ConfigManagerProtocol.h"
#include "Quendle/Global/ConfigManagerRecords.h"
#include "ZUNet/Core/SeekObject.h"

#include <QByteArray>
#include <QList>
#include <QObject>

#include <array>
#include <atomic>
#include <list>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>

namespace Quendle
{

class cConfigManagerVersionClient;

/// Whoever asked the configuration manager which net objects and parameters a path denotes.
class cZUNetWidgetClientInterface
{
public:
    virtual ~cZUNetWidgetClientInterface() = default;
    virtual void NetObjectNamesAndParametersReceived(
        eRequestNameParamStatusCode status, const std::list<std::pair<std::string, UWORD>>& namesAndParameters)
        = 0;
};

} // namespace Quendle

/// The client of one unit's "Quendle Config Manager": finds it, checks its version, signs in (salted
/// hashes or a login token), asks for login tokens for other units, downloads the runner
/// configuration in chunks, uploads, resolves object paths for widgets and passes on the
/// manager's notices. At most one of the requests 256, 257, 260, 263, 264 and 266 is outstanding;
/// a reply is taken only from the manager's own connection and handle. Where downloaded bytes go
/// is the subclass's business.
///
/// Threads: requests and the slots on the owner's (GUI) thread; replies, notices and the seek's
/// answer on the syscall thread; the end of the manager's connection on whichever thread ends it.
/// One mutex guards the request state; signals are emitted and requests sent with it released.
class cQuendleConfigClient : public QObject, public cSeekObject
{
    Q_OBJECT

public:
    cQuendleConfigClient(const char* netObjectName, const std::array<UBYTE, 3>& ownVersion);
    ~cQuendleConfigClient() override;

    static qint64 ToVersionLong(const std::array<UBYTE, 3>& version);

    int ManagerVersion() const;
    int FailureReasonCode() const;
    bool RequestInProgress() const;
    UWORD ManagerConnectionId() const;
    UWORD ManagerHandle() const;
    bool DownloadInProgress() const;

    void Authenticate(const std::string& hashedUserName, const std::string& hashedPassword);
    void AuthenticateByToken(const QByteArray& token);
    void RequestLoginToken(const std::string& unitNameOrIpAddress, const std::string& ipAddress);
    void SendAddMeToRunnerInform(UBYTE deviceType) const;
    void DownloadRunnerConfig(UBYTE deviceType, const std::set<int>& resourceIdsHeld);
    void SetDownloadHasBeenProcessed();
    void DownloadConfig();
    void UploadConfig(const QByteArray& config);
    void RequestNetObjectNameAndParameter(
        const std::string& objectPath, Quendle::cZUNetWidgetClientInterface* listener);
    void RemoveNetObjectNameAndParameterListener(Quendle::cZUNetWidgetClientInterface* listener);

    void EntrypointMessage(cZUNetMessage& message) override;
    void ConnectionTerminated(UWORD connectionId, bool lostComms) override;
    void FoundObject(const char* path, UWORD connectionId, UWORD handle) override;

    Quendle::cConfigManagerVersionClient* VersionClient() const { return mVersionClient; }

Q_SIGNALS:
    void SeekSuccessful();
    void SeekFailed();
    void DownloadConfigSuccessful();
    void DownloadConfigFailed();
    void UploadConfigSuccessful();
    void UploadConfigFailed();
    void ConnectionTerminated();
    void NameAndParamReplyReceived();
    void NameAndParamUpdateReceived();
    void ConfigUpdated();
    void SceneChanged();
    void DownloadProgress(float ProgressFraction);
    void Authenticated();
    void AuthenticationFailed();
    void UploadProgress(float ProgressFraction);
    void LoginTokenReceived(QByteArray Token, std::string UnitNameOrIpAddress);
    void LoginTokenFailure(
        Quendle::eReplyFailureCodes FailureCode, std::string UnitNameOrIpAddress, std::string HashedPasswordFallback);

protected:
    /// Called with the request mutex held; implementations take a lock of their own and never
    /// call back into the client.
    virtual void ClearDownloadedConfigDataStorage() = 0;
    virtual bool AddToDownloadedConfigDataStorage(const char* data, int length) = 0;
    /// The last chunk is stored: whatever the storage still holds back must be in place now.
    virtual bool FinishDownloadedConfigDataStorage() { return true; }

private Q_SLOTS:
    void NameAndParamReplyReceivedSlot();
    void NameAndParamUpdateReceivedSlot();
    void VersionManagerCheckComplete();

private:
    using tNamesAndParameters = Quendle::tNamesAndParameters;

    struct sNameParamReply {
        ULONG mRequestId;
        UWORD mStatus;
        tNamesAndParameters mNamesAndParameters;
    };
    struct sNameParamUpdate {
        std::string mObjectPath;
        UWORD mStatus;
        tNamesAndParameters mNamesAndParameters;
    };
    struct sDownloadRequest {
        UBYTE mDeviceType;
        std::set<int> mResourceIdsHeld;
    };

    /// A mutex that knows whether the calling thread holds it, for the request-state checks.
    class cRequestMutex
    {
    public:
        void lock()
        {
            mMutex.lock();
            mOwner.store(std::this_thread::get_id());
        }
        void unlock()
        {
            mOwner.store(std::thread::id());
            mMutex.unlock();
        }
        bool HeldByThisThread() const { return mOwner.load() == std::this_thread::get_id(); }

    private:
        std::mutex mMutex;
        std::atomic<std::thread::id> mOwner { std::thread::id() };
    };

    /// What a reply handler leaves to do once the mutex is released.
    struct sAfterReply;

    void SetRequestMethod(UWORD method);
    void SendGetRunnerConfigRequest(UBYTE deviceType, const std::set<int>& resourceIdsHeld);
    void AddToDownloadQueue(UBYTE deviceType, const std::set<int>& resourceIdsHeld);
    bool HandleRequestReply(cZUNetMessage& message);
    void HandleChunk(const cZUNetMessage& reply, sAfterReply& after);
    void FailDownload(sAfterReply& after);
    void HandleSignInReply(const cZUNetMessage& reply, UWORD method, sAfterReply& after);
    void HandleLoginTokenReply(const cZUNetMessage& reply, sAfterReply& after);
    void AuthenticatePart2(const cZUNetMessage& reply, sAfterReply& after);
    void HandleNotice(const cZUNetMessage& message);
    void NetObjectNameParameterNotificationsNotRequired(const std::string& objectPath);
    ULONG GetNetObjectNameAndParameterRequestNextUp();
    std::string NameHostPrefix();

    mutable cRequestMutex mMutex;
    UWORD mManagerConnectionId = ZUNET_NO_CONNECTION;
    UWORD mManagerHandle = ZUNET_NO_HANDLE;
    UWORD mRequestMethod = 0;
    int mFailureReason = 0;
    bool mUploadInProgress = false;
    QList<sNameParamReply> mNameParamReplyQueue;
    QList<sNameParamUpdate> mNameParamUpdateQueue;
    QByteArray mHashedUserName;
    QByteArray mHashedPassword;
    bool mOneStepSignIn = false; // the outstanding 260 carried the hash texts
    std::string mLoginTokenUnit; // the unit the outstanding 264 asks about
    int mNextChunkIndex = 0;
    int mLastChunkIndex = 0;
    Quendle::cConfigManagerVersionClient* mVersionClient = nullptr;
    qint64 mOwnVersion;
    std::unordered_multimap<std::string, Quendle::cZUNetWidgetClientInterface*> mListenersByPath;
    std::unordered_map<ULONG, Quendle::cZUNetWidgetClientInterface*> mListenersByRequestId;
    ULONG mNextRequestId = 0;
    QList<sDownloadRequest> mDownloadQueue;
    bool mDownloadInProgress = false;
};
