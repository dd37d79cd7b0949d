#include "ZUNet/Core/RegistryRouter.h"

#include "ZUNet/Core/NetObject.h"
#include "ZUNet/Core/NetworkInterface.h"
#include "ZUNet/Core/SeekObject.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/Core/Trace.h"
#include "ZUNet/Core/ZUNetMethods.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

// ---- message ring -------------------------------------------------------------------------

void cRegistryRouter::cMessageRing::Grow()
{
    std::vector<sQueuedMessage> bigger(mItems.size() * 2);
    for (std::size_t i = 0; i < mCount; ++i)
        bigger[i] = At(i);
    mItems.swap(bigger);
    mHead = 0;
}

void cRegistryRouter::cMessageRing::PushBack(const sQueuedMessage& item)
{
    if (mCount == mItems.size())
        Grow();
    mItems[(mHead + mCount) % mItems.size()] = item;
    ++mCount;
}

void cRegistryRouter::cMessageRing::PushFront(const sQueuedMessage& item)
{
    if (mCount == mItems.size())
        Grow();
    mHead = (mHead + mItems.size() - 1) % mItems.size();
    mItems[mHead] = item;
    ++mCount;
}

cRegistryRouter::sQueuedMessage cRegistryRouter::cMessageRing::PopFront()
{
    sQueuedMessage item = mItems[mHead];
    mHead = (mHead + 1) % mItems.size();
    --mCount;
    return item;
}

// ---- name map ----------------------------------------------------------------------------

cRegistryRouter::cNameMap::cNameMap(std::size_t buckets)
    : mBuckets(buckets)
{
}

ULONG cRegistryRouter::cNameMap::Hash(const char* name)
{
    ULONG h = 0;
    for (const char* c = name; *c; ++c)
        h = h * 31U + static_cast<ULONG>(static_cast<SLONG>(static_cast<SBYTE>(*c)));
    return h;
}

cNetObject* cRegistryRouter::cNameMap::Find(const char* name) const
{
    const ULONG hash = Hash(name);
    const sBucket& bucket = mBuckets[hash % mBuckets.size()];
    if (!bucket.mFirst.mKey)
        return nullptr;
    if (bucket.mFirst.Is(hash, name))
        return bucket.mFirst.mObject;
    if (bucket.mMore) {
        for (const sEntry& entry : *bucket.mMore) {
            if (entry.Is(hash, name))
                return entry.mObject;
        }
    }
    return nullptr;
}

void cRegistryRouter::cNameMap::Append(sBucket& bucket, const sEntry& entry)
{
    if (!bucket.mFirst.mKey) {
        bucket.mFirst = entry;
        return;
    }
    if (!bucket.mMore)
        bucket.mMore.reset(new std::vector<sEntry>());
    bucket.mMore->push_back(entry);
}

void cRegistryRouter::cNameMap::Insert(const char* key, cNetObject* object)
{
    const ULONG hash = Hash(key);
    Append(mBuckets[hash % mBuckets.size()], sEntry { hash, key, object });
    ++mCount;
    if (mCount * 4 > mBuckets.size() * 3) {
        // Chains keep their order: each old chain is walked from its start.
        std::vector<sBucket> rebuilt(mBuckets.size() * 2 + 1);
        for (const sBucket& bucket : mBuckets) {
            if (!bucket.mFirst.mKey)
                continue;
            Append(rebuilt[bucket.mFirst.mHash % rebuilt.size()], bucket.mFirst);
            if (bucket.mMore) {
                for (const sEntry& entry : *bucket.mMore)
                    Append(rebuilt[entry.mHash % rebuilt.size()], entry);
            }
        }
        mBuckets.swap(rebuilt);
    }
}

void cRegistryRouter::cNameMap::Remove(const char* name)
{
    const ULONG hash = Hash(name);
    sBucket& bucket = mBuckets[hash % mBuckets.size()];
    if (!bucket.mFirst.mKey)
        return;
    if (bucket.mFirst.Is(hash, name)) {
        if (bucket.mMore && !bucket.mMore->empty()) {
            bucket.mFirst = bucket.mMore->front();
            bucket.mMore->erase(bucket.mMore->begin());
        } else {
            bucket.mFirst = sEntry { 0, nullptr, nullptr };
        }
        --mCount;
        return;
    }
    if (!bucket.mMore)
        return;
    for (auto it = bucket.mMore->begin(); it != bucket.mMore->end(); ++it) {
        if (it->Is(hash, name)) {
            bucket.mMore->erase(it);
            --mCount;
            return;
        }
    }
}

// ---- router ------------------------------------------------------------------------------

cRegistryRouter::cRegistryRouter(const sZUNetMessagePoolConfig& poolConfig)
    : mNames(new char[ZUNET_MAX_HANDLE][ZUNET_MAX_NAME_LENGTH + 1]())
    , mObjects(new cNetObject*[ZUNET_MAX_HANDLE]())
    , mFreeHandles(new UWORD[ZUNET_MAX_HANDLE])
    , mMessagePool(new cZUNetMessagePool(poolConfig))
{
    for (ULONG i = 0; i < ZUNET_MAX_HANDLE; ++i)
        mFreeHandles[i] = static_cast<UWORD>(i + 1);
}

cRegistryRouter::~cRegistryRouter()
{
    mTickScan.clear();
    mTockScan.clear();
    std::lock_guard<std::recursive_mutex> locker(mQueueLock);
    while (!mQueue.Empty()) {
        sQueuedMessage item = mQueue.PopFront();
        mMessagePool->ReturnZUNetMessage(item.mMessage, item.mAskedLength);
    }
    mQueueCount = 0;
}

UWORD cRegistryRouter::TakeHandle()
{
    const ULONG next = (mTakePosition + 1) % ZUNET_MAX_HANDLE;
    if (next == mReleasePosition) {
        ZU_ERR("Not enough handles available!");
        return ZUNET_NO_HANDLE;
    }
    const UWORD handle = mFreeHandles[mTakePosition];
    mTakePosition = next;
    return handle;
}

void cRegistryRouter::ReleaseHandle(UWORD handle)
{
    if (mReleasePosition == mTakePosition) {
        // Writing now would overwrite a handle never given out and let another be given twice.
        ZU_ERR("There are no used handles to release!");
        return;
    }
    mFreeHandles[mReleasePosition] = handle;
    mReleasePosition = (mReleasePosition + 1) % ZUNET_MAX_HANDLE;
}

void cRegistryRouter::RegisterNetworkObject(cNetObject* object, const char* name)
{
    std::lock_guard<std::recursive_mutex> locker(mPollLock);
    const std::size_t length = std::strlen(name);
    if (length > std::size_t(ZUNET_MAX_NAME_LENGTH)) {
        ZU_ERR("ObjectName length too long: %d", int(length));
        ZU_ERR("Name: \"%s\"", name);
        return;
    }
    const UWORD handle = TakeHandle();
    if (handle == ZUNET_NO_HANDLE) {
        ZU_ERR("Registry is full");
        return;
    }
    char* slot = mNames[handle - 1];
    std::memcpy(slot, name, length + 1);
    if (mNameMap.Find(slot)) {
        ReleaseHandle(handle);
        ZU_ERR("Net object name is not unique, %s", name);
        return;
    }
    mNameMap.Insert(slot, object);
    object->YourHandleIs(handle, slot);
    mObjects[handle - 1] = object;
    mHandlesInUse.insert(handle);
}

void cRegistryRouter::RemoveFirst(std::vector<cNetObject*>& scan, cNetObject* object)
{
    auto it = std::find(scan.begin(), scan.end(), object);
    if (it != scan.end())
        scan.erase(it);
}

void cRegistryRouter::UnRegisterNetworkObject(cNetObject* object)
{
    std::lock_guard<std::recursive_mutex> locker(mPollLock);
    const UWORD handle = object->GetHandle();
    if (handle == 0 || handle > ZUNET_MAX_HANDLE || mObjects[handle - 1] != object)
        return;
    RemoveFirst(mTickScan, object);
    RemoveFirst(mTockScan, object);
    mNameMap.Remove(mNames[handle - 1]);
    mObjects[handle - 1] = nullptr;
    mHandlesInUse.erase(handle);
    ReleaseHandle(handle);
}

void cRegistryRouter::AddObjectToScan(cNetObject* object)
{
    std::lock_guard<std::recursive_mutex> locker(mPollLock);
    mTickScan.push_back(object);
}

void cRegistryRouter::AddObjectToTockScan(cNetObject* object)
{
    std::lock_guard<std::recursive_mutex> locker(mPollLock);
    mTockScan.push_back(object);
}

UWORD cRegistryRouter::GetHandle(const char* name)
{
    std::lock_guard<std::recursive_mutex> locker(mPollLock);
    cNetObject* object = mNameMap.Find(name);
    return object ? object->GetHandle() : ZUNET_NO_HANDLE;
}

const char* cRegistryRouter::GetObjectName(UWORD handle)
{
    if (handle == ZUNET_REGISTRY_HANDLE)
        return "";
    if (handle > ZUNET_MAX_HANDLE) {
        ZU_ERR("Invalid Handle %d", handle);
        return "";
    }
    return mNames[handle - 1];
}

cNetObject* cRegistryRouter::GetObject(UWORD handle)
{
    if (handle == 0 || handle > ZUNET_MAX_HANDLE)
        return nullptr;
    return mObjects[handle - 1];
}

void cRegistryRouter::WakeSyscallThread()
{
    if (cSyscallWaitCondition* condition = gSyscallWaitCondition.load())
        condition->WakeAll();
}

void cRegistryRouter::PostLocalMessage(const cZUNetMessage& message)
{
    AddMessage(message, false);
    WakeSyscallThread();
}

void cRegistryRouter::PrependLocalMessage(const cZUNetMessage& message)
{
    AddMessage(message, true);
    WakeSyscallThread();
}

void cRegistryRouter::AddMessage(const cZUNetMessage& message, bool atFront)
{
    bool report = false;
    {
        std::lock_guard<std::recursive_mutex> locker(mQueueLock);
        cZUNetMessage* pooled = mMessagePool->GetZUNetMessage(message.mLength);
        if (pooled) {
            *pooled = message;
            const sQueuedMessage item { pooled, message.mLength };
            if (atFront)
                mQueue.PushFront(item);
            else
                mQueue.PushBack(item);
            mQueueCount.fetch_add(1);
            return;
        }
        report = !mPoolsFullReported;
        mPoolsFullReported = true;
    }
    // Outside the queue lock: the report asks the system builder, whose lock comes first.
    if (report)
        ReportPoolsFull(message);
}

void cRegistryRouter::ReportPoolsFull(const cZUNetMessage& message)
{
    ZU_ERR("Message Pools Full, Length: %d,  CID:%d, S:%d, D:%d, M:%d", message.mLength, message.mConnectionId,
        message.mSource, message.mDestination, message.mMethod);
    if (message.mSource != 0) {
        if (cNetObject* source = GetObject(message.mSource))
            ZU_ERR("Possible Local Source = 0x%X :- \"%s\"", message.mSource, source->GetName());
    }
    if (message.mDestination != 0) {
        if (cNetObject* destination = GetObject(message.mDestination))
            ZU_ERR("Possible Local Destination = 0x%X :- \"%s\"", message.mDestination, destination->GetName());
    }
    if (cSystemBuilder* builder = gSystemBuilder) {
        if (builder->IsBusy()) {
            ZU_ERR("SysBuild is busy. Current link is:");
            builder->ReportCurrentLinkAsAnError();
        }
        ZU_ERR("SysBuild LinkPerformance:-  Requested: %lu   Made: %lu   Queued: %lu",
            static_cast<unsigned long>(builder->GetRequested()), static_cast<unsigned long>(builder->GetMade()),
            static_cast<unsigned long>(builder->GetQueued()));
    }
}

void cRegistryRouter::SendLocalMessage(cZUNetMessage& message)
{
    std::lock_guard<std::recursive_mutex> locker(mPollLock);
    Dispatch(message);
}

void cRegistryRouter::Dispatch(cZUNetMessage& message)
{
    if (message.mDestination == ZUNET_REGISTRY_HANDLE) {
        EntrypointMessage(message);
        return;
    }
    // Destinations come from peers too: anything outside the handle table is dropped.
    if (cNetObject* object = GetObject(message.mDestination))
        object->EntrypointMessage(message);
}

void cRegistryRouter::SyscallPoll()
{
    SyscallPollAtMost(-1);
}

int cRegistryRouter::SyscallPollAtMost(int maximum)
{
    int dispatched = 0;
    std::unique_lock<std::recursive_mutex> queueLocker(mQueueLock);
    while (mSyscallPollCanRun.load() && !mQueue.Empty() && (maximum < 0 || dispatched < maximum)) {
        sQueuedMessage item = mQueue.PopFront();
        mQueueCount.fetch_sub(1);
        queueLocker.unlock();
        {
            std::lock_guard<std::recursive_mutex> pollLocker(mPollLock);
            Dispatch(*item.mMessage);
        }
        ++dispatched;
        queueLocker.lock();
        mMessagePool->ReturnZUNetMessage(item.mMessage, item.mAskedLength);
    }
    return dispatched;
}

void cRegistryRouter::SetSyscallPollCanRun(bool canRun)
{
    mSyscallPollCanRun.store(canRun);
    // A dispatcher asleep with messages waiting must look again.
    if (canRun)
        WakeSyscallThread();
}

ULONG cRegistryRouter::GetNumberOfMessagesInBuffer()
{
    return mQueueCount.load();
}

void cRegistryRouter::ConnectionTerminated(UWORD connectionId, bool lostComms)
{
    std::lock_guard<std::recursive_mutex> locker(mPollLock);
    // A copy: an object told may end or start others. Most processes hold few objects, and
    // connections end often: the copy lives on the stack then.
    constexpr std::size_t kFew = 64;
    UWORD few[kFew];
    std::vector<UWORD> many;
    const UWORD* handles = few;
    const std::size_t count = mHandlesInUse.size();
    if (count <= kFew) {
        std::copy(mHandlesInUse.begin(), mHandlesInUse.end(), few);
    } else {
        many.assign(mHandlesInUse.begin(), mHandlesInUse.end());
        handles = many.data();
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (cNetObject* object = mObjects[handles[i] - 1])
            object->ConnectionTerminated(connectionId, lostComms);
    }
}

void cRegistryRouter::EntrypointMessage(cZUNetMessage& message)
{
    switch (message.mMethod) {
    case M_REG_TICK:
        RegistryTick();
        break;
    case M_REG_TOCK:
        RegistryTock();
        break;
    case M_REG_FIND_OBJECT:
        FindObject(message);
        break;
    case M_TEST_PRINT_REGISTRY:
        PrintRegistry();
        break;
    case M_TEST_PRINT_MESS_POOLS:
        PrintMesspools();
        break;
    case M_REG_DO_WORK:
        RegistryDoAudioWork();
        break;
    default:
        ZU_ERR("Reg EntrypointMessage unknown method 0x%X, Message->mSource = 0x%X, Message->mConnectionId = 0x%X",
            message.mMethod, message.mSource, message.mConnectionId);
        break;
    }
}

void cRegistryRouter::RegistryTick()
{
    // By index: a tick may make objects join the scan.
    for (std::size_t i = 0; i < mTickScan.size(); ++i)
        mTickScan[i]->ActionTick();
    mRegMessage.SetLength(0);
    mRegMessage.SetAddress(ZUNET_LOCAL_CONNECTION, ZUNET_REGISTRY_HANDLE, ZUNET_REGISTRY_HANDLE, M_REG_TOCK);
    SyscallSendMessage(mRegMessage);
}

void cRegistryRouter::RegistryTock()
{
    for (std::size_t i = 0; i < mTockScan.size(); ++i)
        mTockScan[i]->ActionTock();
}

void cRegistryRouter::FindObject(cZUNetMessage& request)
{
    // A local seeker matches replies to its requests by knowing which we answered ourselves and
    // which went out over a connection.
    cSeekObject* seeker = nullptr;
    if (request.mConnectionId == ZUNET_LOCAL_CONNECTION)
        seeker = dynamic_cast<cSeekObject*>(GetObject(request.mSource));
    auto handled = [seeker](UWORD forwardedConnectionId) {
        if (seeker)
            seeker->RegistryHandledFindRequest(forwardedConnectionId);
    };

    auto reply = [this, &handled, &request](UWORD method, UWORD handle) {
        handled(ZUNET_LOCAL_CONNECTION);
        if (method == M_REPLY_OK) {
            mRegMessage.SetLength(2);
            mRegMessage.SetDataBufferUWORD(handle, 0);
        } else {
            mRegMessage.SetLength(0);
        }
        mRegMessage.SetAddress(request.mConnectionId, request.mSource, ZUNET_REGISTRY_HANDLE, method);
        SyscallSendMessage(mRegMessage);
    };

    if (!ZU_CHECK_STRING(request, 0)) {
        reply(M_REPLY_FAIL, 0);
        return;
    }
    const char* path = request.GetDataBufferString(0);
    if (const char* slash = std::strchr(path, '/')) {
        // Only our own objects may make us reach out through a connection: forwarding a peer's
        // request would open connections on its behalf and send the answer to the wrong handle.
        if (request.mConnectionId != ZUNET_LOCAL_CONNECTION) {
            ZU_ERR("Find request for \"%s\" from connection %d refused", path, request.mConnectionId);
            reply(M_REPLY_FAIL, 0);
            return;
        }
        const std::string unit(path, static_cast<std::size_t>(slash - path));
        const UWORD connectionId = NetworkFindConnection(unit.c_str());
        if (connectionId == ZUNET_NO_CONNECTION) {
            reply(M_REPLY_FAIL, 0);
            return;
        }
        const char* rest = slash + 1;
        mForwardMessage.SetLength(static_cast<UWORD>(std::strlen(rest) + 1));
        mForwardMessage.SetDataBufferString(rest, 0);
        mForwardMessage.SetAddress(connectionId, request.mDestination, request.mSource, request.mMethod);
        handled(connectionId);
        SendNetworkMessage(mForwardMessage);
        return;
    }
    cNetObject* object = mNameMap.Find(path);
    if (object)
        reply(M_REPLY_OK, object->GetHandle());
    else
        reply(M_REPLY_FAIL, 0);
}

void cRegistryRouter::PrintMesspools()
{
    std::FILE* file = std::fopen("Messpools.txt", "a");
    if (!file) {
        ZU_ERR("Could not open Messpools.txt for writing");
        return;
    }
    char timeText[64];
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    std::strftime(timeText, sizeof(timeText), "%H:%M:%S %d/%m/%Y", &local);
    std::fprintf(file, "-------------------Messpools Printout: %s\n", timeText);

    std::vector<cZUNetMessage> copy;
    {
        std::lock_guard<std::recursive_mutex> locker(mQueueLock);
        copy.reserve(mQueue.Size());
        for (std::size_t i = 0; i < mQueue.Size(); ++i)
            copy.push_back(*mQueue.At(i).mMessage);
    }

    auto objectText = [this](UWORD handle) -> std::string {
        if (handle == ZUNET_REGISTRY_HANDLE)
            return "Registry";
        if (handle > ZUNET_MAX_HANDLE)
            return "INVALID_HANDLE";
        if (cNetObject* object = GetObject(handle))
            return object->GetName();
        return "NULL Object - Handle " + std::to_string(handle);
    };

    for (const cZUNetMessage& message : copy) {
        std::string methodText;
        int adjusted = message.mMethod;
        if (const char* name = CommonMethodName(message.mMethod)) {
            methodText = std::string("Is: ") + name;
        } else if (message.mMethod < NON_PARAMETER_BASE) {
            methodText = "unspecified base method";
        } else if (message.mMethod < PARAMETER_BASE) {
            methodText = "NON_PARAMETER_BASE method";
            adjusted = message.mMethod - NON_PARAMETER_BASE;
        } else {
            methodText = "PARAMETER_BASE method";
            adjusted = message.mMethod - PARAMETER_BASE;
        }
        const std::string source = message.mConnectionId == ZUNET_LOCAL_CONNECTION
            ? objectText(message.mSource)
            : "Remote Object - Handle " + std::to_string(message.mSource);
        const std::string destination = objectText(message.mDestination);
        std::fprintf(file,
            "Message - Connection ID: %d   RawMethod: %d  Adjusted: %d  %s   Length: %d   Source: \"%s\"   "
            "Destination: \"%s\"\n",
            message.mConnectionId, message.mMethod, adjusted, methodText.c_str(), message.mLength, source.c_str(),
            destination.c_str());
    }
    std::time_t end = std::time(nullptr);
    localtime_r(&end, &local);
    std::strftime(timeText, sizeof(timeText), "%H:%M:%S %d/%m/%Y", &local);
    std::fprintf(file, "----------------------------------End: %s\n", timeText);
    std::fclose(file);
}
