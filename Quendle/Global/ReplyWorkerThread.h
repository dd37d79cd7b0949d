#pragma once

#include "Quendle/Global/ConfigFilter.h"
#include "Quendle/Global/ConfigManagerProtocol.h"
#include "ZUNet/Core/ZUNetMessage.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace Quendle
{

struct sQueueItem {
    virtual ~sQueueItem() = default;
};

/// One configuration request: the whole file (editor) or the runner's filtered part.
struct sReplyQueueItem : sQueueItem {
    cZUNetMessage mReplyMessage; // M_REPLY_OK addressed to the requester
    bool mFullConfig = false;
    UBYTE mDeviceType = 0;
    std::string mUserName;
    std::set<int> mResourceIdsHeld;
};

/// One scene announcement to the runners whose layouts change with it.
struct sSceneChangedQueueItem : sQueueItem {
    std::list<sRunnerInformItem> mRunners;
    UWORD mSceneNumber = 0;
    std::string mSceneName;
    UWORD mManagerHandle = ZUNET_NO_HANDLE;
};

/// The configuration manager's worker: reads the configuration file and sends it in chunks, whole
/// or cut for one runner by `cConfigFilter`, and tells runners when a scene change changes their
/// layouts. Sources: queue and thread here, sending in ReplyWorkerSend.cpp, scene notices in
/// ReplyWorkerScenes.cpp.
class cReplyWorkerThread : public QThread
{
public:
    cReplyWorkerThread(UWORD sceneNumber, UWORD secondValue, const QString& configFilePath, QMutex* configFileMutex);
    ~cReplyWorkerThread() override;

    void Quit();
    void AddFullReplyToQueue(const cZUNetMessage& reply);
    void AddRunnerReplyToQueue(const cZUNetMessage& reply, UBYTE deviceType, const std::string& userName,
        const std::set<int>& resourceIdsHeld);
    void SetCurrentSceneNumberAndName(
        UWORD scene, const std::string& name, const std::list<sRunnerInformItem>& runners, UWORD managerHandle);
    /// Only the newest scene change waits; request items keep their places.
    void AddSceneChangedQueueItem(
        const std::list<sRunnerInformItem>& runners, UWORD scene, const std::string& name, UWORD managerHandle);
    UWORD GetCurrentSceneNumber() const;
    std::string GetCurrentSceneName() const;
    /// Forgets an ended connection: its queued replies go, a reply being sent to it stops, and its
    /// layouts are forgotten, so a newcomer reusing the connection id gets nothing meant for it.
    void ConnectionTerminated(UWORD connectionId);

    /// Returns once the running worker has nothing it can do now: its queue is empty and every
    /// started reply is sent or waits for room on its link.
    void WaitUntilIdle();

    /// The layouts `runner` would get now (scene as it stands), and those it got with its last download.
    std::list<int> GetMatchingLayoutIndices(const sRunnerInformItem& runner);
    std::list<int> GetCurrentLayoutIndices(const sRunnerInformItem& runner);

protected:
    void run() override;

private:
    /// A reply being sent: the plan's middle, resource lines and tail (for an editor, the whole
    /// file as one range), cut into chunks as the link to the requester has room.
    struct sActiveReply {
        cZUNetMessage mReply;
        std::unique_ptr<QFile> mFile; // kept open: a commit renames a new file in, this one stays
        sRunnerConfigPlan mPlan;
        qint64 mTotal = 0;
        qint64 mSent = 0;
        int mIndex = 0;
        int mLastIndex = 0;
    };

    // Each of these starts a reply: answers at once, or adds it to mActive.
    void SendFullConfigData(cZUNetMessage& reply);
    void SendRunnerConfigData(
        cZUNetMessage& reply, UBYTE deviceType, const std::string& userName, const std::set<int>& resourceIdsHeld);
    void StartSending(cZUNetMessage& reply, std::unique_ptr<QFile> file, sRunnerConfigPlan plan);
    /// One chunk to every active reply whose link has room (to all when `ignoreRoom`); false when
    /// none could go.
    bool SendActiveChunks(bool ignoreRoom);
    /// False when the reply's bytes could not be read.
    bool SendNextChunk(sActiveReply& active);
    /// Drops the active replies to connections that ended; the caller holds mQueueMutex.
    void DropRepliesToEndedConnections();
    void SendSceneChange(const sSceneChangedQueueItem& item);
    void SendEmptyConfig(cZUNetMessage& reply);
    /// Opens the stored file for reading; when it is missing, empty or unreadable, answers the
    /// request (empty configuration or failure) and returns false.
    bool OpenConfigFileOrAnswer(QFile& file, cZUNetMessage& reply);
    void SendFail(cZUNetMessage& reply);
    bool SendConfigDataMessage(cZUNetMessage& message, const char* bytes, int length, int index, int lastIndex);
    /// The runner's side of the filter, with the scene as it stands.
    sRunnerFilter RunnerFilter(UBYTE deviceType, const std::string& userName) const;
    void RememberLayoutsSent(const cZUNetMessage& reply, const std::list<int>& layoutIndices);
    bool Cancelled() const { return mCancelCurrent.load(); }
    /// The caller holds mQueueMutex.
    void SetWaiting(bool waiting);
    void Wake();

    std::list<sQueueItem*> mQueue;
    mutable std::mutex mQueueMutex;
    std::condition_variable mQueueCondition;
    bool mQuit = false;
    UWORD mCurrentConnectionId = ZUNET_NO_CONNECTION; // the connection the item in hand is for
    std::atomic<bool> mCancelCurrent { false };
    std::vector<UWORD> mEndedConnections; // not yet applied to mActive
    bool mHoldsReplies = false; // an item in hand or replies in mActive; guarded by mQueueMutex
    bool mWaiting = false; // asleep with nothing to do now; guarded by mQueueMutex
    bool mRoomMade = false; // a full link has room again; guarded by mQueueMutex
    int mRoomWaker = 0;
    std::condition_variable mIdleCondition;
    std::list<sActiveReply> mActive; // worker thread only

    mutable std::mutex mSceneMutex;
    UWORD mSceneNumber;
    UWORD mSecondValue;
    std::string mSceneName;

    QString mConfigFilePath;
    QMutex* mConfigFileMutex;

    std::mutex mRunnerLayoutsMutex;
    std::multimap<std::pair<UWORD, UWORD>, int> mRunnerLayouts;

    cConfigFilter mFilter; // used on the worker thread only
};

} // namespace Quendle
