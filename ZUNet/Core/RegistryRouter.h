#pragma once

#include "ZUNet/Core/ZUNetMessage.h"
#include "ZUNet/Core/ZUNetMessagePool.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

class cNetObject;

/// The process's object registry and message router: hands out handles, keeps objects under
/// unique names, queues every local message and dispatches them one at a time.
class cRegistryRouter
{
public:
    explicit cRegistryRouter(const sZUNetMessagePoolConfig& poolConfig = sZUNetMessagePoolConfig());
    virtual ~cRegistryRouter();

    cRegistryRouter(const cRegistryRouter&) = delete;
    cRegistryRouter& operator=(const cRegistryRouter&) = delete;

    void RegisterNetworkObject(cNetObject* object, const char* name);
    void UnRegisterNetworkObject(cNetObject* object);
    UWORD TakeHandle();
    void ReleaseHandle(UWORD handle);
    void AddObjectToScan(cNetObject* object);
    void AddObjectToTockScan(cNetObject* object);

    UWORD GetHandle(const char* name);
    /// Name slot of a handle (the last holder's name); "" for the registry and invalid handles.
    const char* GetObjectName(UWORD handle);
    /// The object under a handle, or nullptr. Callers hold the poll lock while they use it.
    cNetObject* GetObject(UWORD handle);

    void PostLocalMessage(const cZUNetMessage& message);
    void PrependLocalMessage(const cZUNetMessage& message);
    void SendLocalMessage(cZUNetMessage& message);

    /// Drains the queue; returns when it is empty or dispatch was stopped.
    void SyscallPoll();
    /// Dispatches at most `maximum` queued messages; returns how many it dispatched.
    int SyscallPollAtMost(int maximum);
    void SetSyscallPollCanRun(bool canRun);
    bool GetSyscallPollCanRun() const { return mSyscallPollCanRun.load(); }
    ULONG GetNumberOfMessagesInBuffer();

    void ConnectionTerminated(UWORD connectionId, bool lostComms);
    void MessagesPollLock() { mPollLock.lock(); }
    void MessagesPollUnLock() { mPollLock.unlock(); }

    void EntrypointMessage(cZUNetMessage& message);
    void PrintRegistry() { }
    void CheckNetObjectNameLength(const char*) { }
    void PrintMesspools();
    void RegistryTick();
    void RegistryTock();
    void RegistryDoAudioWork() { }

    const cZUNetMessagePool& MessagePool() const { return *mMessagePool; }

private:
    struct sQueuedMessage {
        cZUNetMessage* mMessage;
        UWORD mAskedLength; // decides the pool it goes back to
    };

    /// Double-ended queue on a ring that only grows: no allocation per message once warm.
    class cMessageRing
    {
    public:
        bool Empty() const { return mCount == 0; }
        std::size_t Size() const { return mCount; }
        void PushBack(const sQueuedMessage& item);
        void PushFront(const sQueuedMessage& item);
        sQueuedMessage PopFront();
        const sQueuedMessage& At(std::size_t i) const { return mItems[(mHead + i) % mItems.size()]; }

    private:
        void Grow();
        std::vector<sQueuedMessage> mItems = std::vector<sQueuedMessage>(4096);
        std::size_t mHead = 0;
        std::size_t mCount = 0;
    };

    /// Names to objects: chained buckets, h = h * 31 + c over signed bytes, grows at 0.75 load.
    class cNameMap
    {
    public:
        explicit cNameMap(std::size_t buckets);
        cNetObject* Find(const char* name) const;
        void Insert(const char* key, cNetObject* object);
        void Remove(const char* name);
        std::size_t Size() const { return mCount; }
        std::size_t BucketCount() const { return mBuckets.size(); }

    private:
        struct sEntry {
            ULONG mHash;
            const char* mKey;
            cNetObject* mObject;
            /// The hash is compared first: most entries are told apart without reading the key.
            bool Is(ULONG hash, const char* name) const { return mHash == hash && std::strcmp(mKey, name) == 0; }
        };
        /// The first entry of a chain lives in the bucket itself, with its full hash, so that a
        /// lookup among thousands of names mostly touches one bucket and one key.
        struct sBucket {
            sEntry mFirst { 0, nullptr, nullptr };
            std::unique_ptr<std::vector<sEntry>> mMore;
        };
        static ULONG Hash(const char* name);
        static void Append(sBucket& bucket, const sEntry& entry);
        std::vector<sBucket> mBuckets;
        std::size_t mCount = 0;
    };

    void AddMessage(const cZUNetMessage& message, bool atFront);
    void ReportPoolsFull(const cZUNetMessage& message);
    void Dispatch(cZUNetMessage& message);
    void FindObject(cZUNetMessage& request);
    void WakeSyscallThread();
    static void RemoveFirst(std::vector<cNetObject*>& scan, cNetObject* object);

    std::recursive_mutex mPollLock;
    std::recursive_mutex mQueueLock;
    cNameMap mNameMap { 800 };
    std::unique_ptr<char[][ZUNET_MAX_NAME_LENGTH + 1]> mNames;
    std::unique_ptr<cNetObject*[]> mObjects;
    std::set<UWORD> mHandlesInUse; // so that telling every object does not visit 60000 slots
    std::unique_ptr<UWORD[]> mFreeHandles;
    ULONG mTakePosition = 0;
    ULONG mReleasePosition = 0;
    std::vector<cNetObject*> mTickScan;
    std::vector<cNetObject*> mTockScan;
    cZUNetMessage mRegMessage;
    cZUNetMessage mForwardMessage;
    cMessageRing mQueue;
    std::atomic<ULONG> mQueueCount { 0 };
    std::unique_ptr<cZUNetMessagePool> mMessagePool;
    std::atomic<bool> mSyscallPollCanRun { true };
    bool mPoolsFullReported = false;
};
