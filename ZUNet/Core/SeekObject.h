#pragma once

#include "ZUNet/Core/NetObject.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

/// Longest object path a seek or a link command holds (the buffers are 128 bytes with the NUL).
constexpr int ZUNET_MAX_PATH_LENGTH = 127;

/// Remembers earlier answers to searches: a ring of `size` entries, the oldest answer is
/// overwritten first; lookups start at the last hit. Entries are taken as answers come, so a
/// seeker that never caches much never holds the whole ring.
class cObjectHandleCache
{
public:
    struct sObjectHandleCacheItem {
        char mPath[ZUNET_MAX_PATH_LENGTH + 1] = {};
        UWORD mConnectionId = ZUNET_NO_CONNECTION;
        UWORD mHandle = ZUNET_NO_HANDLE;
        UWORD mValid = 0;
    };

    explicit cObjectHandleCache(UWORD size);

    /// Paths longer than the entries hold are not cached.
    void AddObjectToCache(const char* path, UWORD connectionId, UWORD handle);
    bool TryCacheFind(const char* path, UWORD& connectionId, UWORD& handle);
    /// 0xFFFF empties the cache; any other id drops that connection's entries.
    void ClearObjectCache(UWORD connectionId);

    UWORD Size() const { return mSize; }
    /// An entry not taken yet reads as an empty one.
    const sObjectHandleCacheItem& Item(UWORD index) const;

private:
    UWORD mSize;
    std::vector<sObjectHandleCacheItem> mItems; // at most mSize

    UWORD mNextSlot = 0;
    UWORD mLastHit = 0;
};

/// A net object that finds other net objects by name ("object", local) or by path
/// ("unit/object", through that unit's registry) and hands the answer to `FoundObject`.
///
/// Every reply is matched to the request that asked for it, so the late answer to a search its
/// owner gave up (`ClearSeekBusy`) never answers a later search. Replies the object posts to
/// itself carry the search's sequence; replies from a registry are matched in order per origin,
/// the local registry telling the seeker whether it answered a request itself or forwarded it
/// over a connection (`RegistryHandledFindRequest`).
class cSeekObject : public cNetObject
{
public:
    cSeekObject(const char* name, int numberOfParameters, bool tickScan, UWORD cacheSize);
    ~cSeekObject() override;

    void EntrypointMessage(cZUNetMessage& message) override;
    void ConnectionTerminated(UWORD connectionId, bool lostComms) override;

    /// The answer to a search; handle and connection id 0xFFFF when the object was not found.
    virtual void FoundObject(const char* path, UWORD connectionId, UWORD handle) = 0;
    virtual void ClearObjectCache(UWORD connectionId);
    virtual bool TryCacheFind(const char* path, UWORD& connectionId, UWORD& handle);
    virtual void AddObjectToCache(const char* path, UWORD connectionId, UWORD handle);

    /// Starts a search. True (and nothing done) while a search is in progress, else false.
    bool SeekObject(const char* path);
    /// As `SeekObject`, but a registered local name is answered ahead of every queued message.
    bool FindLocalSeekRemote(const char* path);
    /// Sends a find request without touching the search state; its reply is not a search's answer.
    void FindObject(const char* path);

    bool IsSeekBusy() const { return mSeekBusy.load(); }
    /// Gives the search in progress up; its reply, should it still come, is ignored.
    void ClearSeekBusy() { mSeekBusy.store(false); }
    const char* GetSeekPath() const { return mSeekPath; }

    /// Called by the local registry on the syscall thread when it took one of our find requests:
    /// 0 when it answered it itself, else the connection it forwarded it over.
    void RegistryHandledFindRequest(UWORD forwardedConnectionId);
    /// Number of requests whose replies are still due (searches, given-up searches, `FindObject`).
    int RepliesDue() const;

protected:
    /// Replies that were due over `connectionId` will never come. Those of them already queued
    /// are dropped too: a marker sent through the queue tells where they end, so that a later
    /// connection under the same id cannot answer our next search with them.
    void ForgetRepliesFrom(UWORD connectionId);
    /// The search in progress waits for a reply over `connectionId`.
    bool SearchWaitsOnConnection(UWORD connectionId) const;

    cZUNetMessage mFoundMessage;
    std::unique_ptr<cObjectHandleCache> mCache;
    char mSeekPath[ZUNET_MAX_PATH_LENGTH + 1] = {};
    std::atomic<bool> mSeekBusy { false };
    UWORD mCacheSize;

private:
    enum eReplyOrigin : UBYTE { REPLY_FROM_SELF, REPLY_FROM_REGISTRY, QUEUE_MARKER };
    enum eRequestState : UBYTE { REQUEST_QUEUED, REQUEST_ANSWERED_HERE, REQUEST_FORWARDED };
    struct sReplyDue {
        UWORD mSequence;
        eReplyOrigin mOrigin;
        eRequestState mState;
        UWORD mConnectionId; // self: the connection id of the posted answer; forwarded: the connection
        UWORD mEndedConnectionId; // marker: the connection whose queued replies it ends
    };
    static constexpr std::size_t kMaxRepliesDue = 256;

    UWORD NewSearch(eReplyOrigin origin, UWORD connectionId);
    void AnswerSelf(UWORD connectionId, UWORD handle, UWORD sequence, bool atFront);
    /// Posts a marker that comes after every reply already queued for `connectionId`.
    void PostQueueMarker(UWORD connectionId);
    void SendFindRequest(const char* path);
    void RememberReplyDue(const sReplyDue& reply);
    /// The request this reply answers; false when nothing asked for it.
    bool TakeReplyDue(const cZUNetMessage& message, UWORD& sequence);
    void HandleReply(const cZUNetMessage& message);

    mutable std::mutex mRepliesMutex; // innermost: guards the two fields below only
    std::vector<sReplyDue> mRepliesDue;
    std::vector<UWORD> mEndedConnections; // one entry per marker on its way
    UWORD mSearchSequence = 0; // sequence of the search in progress
    UWORD mNextSequence = 0;
};
