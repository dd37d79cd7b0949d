#pragma once

#include "ZUNet/Core/SeekObject.h"
#include "ZUNet/Core/Syscall.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

/// One request to link (or unlink) a parameter of one net object to a parameter of another, both
/// named by path: "object" for an object of this process, "unit/object" for one on a unit.
struct sParameterLinkingCommand {
    sParameterLinkingCommand() = default;
    /// Copies every field but the queue link.
    sParameterLinkingCommand(const sParameterLinkingCommand& other);
    sParameterLinkingCommand& operator=(const sParameterLinkingCommand& other);

    /// Copies the path. One longer than 127 characters is left unterminated, so that the builder
    /// refuses the command instead of linking a cut name; false then.
    bool SetSourcePath(const char* path);
    bool SetDestinationPath(const char* path);
    /// A link (or with `remove` its removal) from `sourceParam` of the object at `source` to
    /// `destParam` of the one at `destination`, not a datagram, without a callback.
    static sParameterLinkingCommand Make(const char* source, UWORD sourceParam, const char* destination,
        UWORD destParam, bool sync = false, bool remove = false);
    /// Both paths were short enough; the builder refuses a command whose path was too long.
    bool PathsFit() const;

    UWORD mSourceParam = 0;
    UWORD mDestParam = 0;
    char mSourcePath[ZUNET_MAX_PATH_LENGTH + 1] = {};
    char mDestinationPath[ZUNET_MAX_PATH_LENGTH + 1] = {};
    bool mDataGram = false;
    bool mSync = false;
    bool mRemove = false;
    bool mBidirect = false;
    /// Runs only when the builder gives the command up (an object not found, its unit gone); a link
    /// that was made is never reported. Runs on the builder's thread with its lock held.
    std::function<void(sParameterLinkingCommand*)> mCompletionCallback;
    sParameterLinkingCommand* mNext = nullptr;
    /// Order of arrival in the builder's queue; not copied.
    std::uint64_t mQueueSerial = 0;
};

struct sTerminatedConnection {
    char mHostName[ZUNET_MAX_NAME_LENGTH + 1] = {};
};

class cConnectionTerminatedBehaviourDelegate
{
public:
    virtual ~cConnectionTerminatedBehaviourDelegate() = default;
    virtual eConnectionTerminatedBehaviour GetConnectionTerminatedBehaviour(UWORD connectionId) = 0;
};

/// Links parameters of net objects named by path. Commands are queued from any thread and worked
/// through one at a time: find the source, find the destination, send the link request(s).
/// Lock order: poll lock, then `mMutex`, then the queue lock.
class cSystemBuilder : public cSeekObject
{
public:
    enum eSystemBuilderState { STATE_IDLE = 0, STATE_SEEKING_SOURCE = 1, STATE_SEEKING_DESTINATION = 2 };
    enum eSystemBuilderEvent { EVENT_OBJECT_FOUND = 0, EVENT_OBJECT_NOT_FOUND = 1, EVENT_NEXT_COMMAND = 2 };

    cSystemBuilder(const char* name, int numberOfParameters, UWORD cacheSize,
        eConnectionTerminatedBehaviour defaultBehaviour, cConnectionTerminatedBehaviourDelegate* delegate);
    ~cSystemBuilder() override;

    void EntrypointMessage(cZUNetMessage& message) override;
    void ActionTick() override { }
    void ConnectionTerminated(UWORD connectionId, bool lostComms) override;
    void FoundObject(const char* path, UWORD connectionId, UWORD handle) override;
    void ClearObjectCache(UWORD connectionId) override;
    bool TryCacheFind(const char* path, UWORD& connectionId, UWORD& handle) override;
    void AddObjectToCache(const char* path, UWORD connectionId, UWORD handle) override;
    virtual void EnterBusy();
    virtual void ExitBusy();

    /// Queues a copy of the command with `mBidirect` set from `bidirect`; the first command of a
    /// burst sends its first find request from the calling thread.
    void AddLinkCommandToList(const sParameterLinkingCommand& command, bool bidirect);
    /// Keeps `release` until every command queued now has left the queue (made, given up or
    /// discarded), then runs it; false, and `release` not kept, when nothing is queued. An object
    /// named by queued commands hands itself over this way rather than going away under them.
    /// `release` runs with the builder's lock held, on whichever thread finishes the last of
    /// those commands: it must take no lock of its own, only post.
    bool ReleaseAfterQueuedCommands(std::function<void()> release);
    /// Discards every queued command without callbacks and goes idle.
    void AbortAllLinksAndExitbusy();
    /// Traces the command being worked on.
    void ReportCurrentLinkAsAnError();
    /// A copy of the command being worked on; a default command when none is.
    sParameterLinkingCommand GetHead();

    void ProcessEvent(int event, UWORD connectionId, UWORD handle);
    void ObjectNotFound(const char* path, UWORD connectionId, UWORD handle, bool abandon);

    bool IsBusy() const { return mBusy.load(); }
    ULONG GetRequested() const { return mRequested.load(); }
    ULONG GetMade() const { return mMade.load(); }
    UWORD GetQueued() const { return mQueued.load(); }
    int GetState();
    int GetQueueLength();

protected:
    void FindSource();
    void FindDestination();
    void StoreSource(UWORD connectionId, UWORD handle);
    void StoreDestination(UWORD connectionId, UWORD handle);
    void MakeLink();
    void RemoveLink();
    /// Starts the next queued command, or goes out of busy when there is none.
    void NextLinkingCommand();
    /// False when the head named a unit whose connection just ended: it was dropped (with every
    /// following head that did too) and the next command started.
    bool CheckParamHeadForTerminatedUnit();

private:
    /// Seeks the source or destination object of the head command; goes idle when there is none.
    void SeekHeadEnd(bool source);
    void SendLinkRequest(UWORD connectionId, UWORD handle, UWORD method, UWORD peerConnectionId, UWORD peerHandle,
        UWORD destinationMethod, UWORD sourceMethod, bool dataGram, bool sync);
    void Append(sParameterLinkingCommand* command);
    sParameterLinkingCommand* TakeHead();
    /// Gives the head up after a failure: counted as finished, destroyed, next one started.
    void GiveUpHead();
    /// Drops every queued command whose path goes through the ended connection to `hostName`
    /// (and the head when its search waits on that connection), calling their callbacks.
    void DropCommandsThroughConnection(const char* hostName, bool headSearchLost);
    void TraceCommand(const sParameterLinkingCommand& command);
    /// Runs the releases that no queued command comes before any more (all of them with `all`).
    void RunDueReleases(bool all);

    std::recursive_mutex mMutex;
    int mState = STATE_IDLE;
    sParameterLinkingCommand* mHead = nullptr;
    sParameterLinkingCommand* mTail = nullptr;
    int mQueueLength = 0;
    UWORD mSourceConnectionId = ZUNET_NO_CONNECTION;
    UWORD mSourceHandle = ZUNET_NO_HANDLE;
    UWORD mDestConnectionId = ZUNET_NO_CONNECTION;
    UWORD mDestHandle = ZUNET_NO_HANDLE;
    eConnectionTerminatedBehaviour mDefaultBehaviour;
    cConnectionTerminatedBehaviourDelegate* mBehaviourDelegate;
    bool mNotFoundReported = false;
    std::vector<sTerminatedConnection> mTerminatedConnections;
    std::atomic<UWORD> mQueued { 0 };
    std::atomic<bool> mBusy { false };
    std::atomic<ULONG> mRequested { 0 };
    std::atomic<ULONG> mMade { 0 };
    std::uint64_t mNextQueueSerial = 1;
    struct sRelease {
        std::uint64_t mAfter; // the last command queued before it
        std::function<void()> mRelease;
    };
    std::vector<sRelease> mReleases;
};
