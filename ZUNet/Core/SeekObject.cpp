#include "ZUNet/Core/SeekObject.h"

#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"

#include <algorithm>
#include <cstring>

// ---- handle cache --------------------------------------------------------------------------

cObjectHandleCache::cObjectHandleCache(UWORD size)
    : mSize(size)
{
}

const cObjectHandleCache::sObjectHandleCacheItem& cObjectHandleCache::Item(UWORD index) const
{
    static const sObjectHandleCacheItem kNotTaken;
    return index < mItems.size() ? mItems[index] : kNotTaken;
}

void cObjectHandleCache::AddObjectToCache(const char* path, UWORD connectionId, UWORD handle)
{
    if (mSize == 0 || std::strlen(path) > std::size_t(ZUNET_MAX_PATH_LENGTH))
        return;
    if (mNextSlot == mItems.size()) {
        // Still filling the ring: it grows towards its size, never past it.
        if (mItems.size() == mItems.capacity())
            mItems.reserve(std::min<std::size_t>(mSize, std::max<std::size_t>(4, mItems.size() * 2)));
        mItems.emplace_back();
    }
    sObjectHandleCacheItem& item = mItems[mNextSlot];
    std::strcpy(item.mPath, path);
    item.mConnectionId = connectionId;
    item.mHandle = handle;
    item.mValid = 1;
    mNextSlot = static_cast<UWORD>((mNextSlot + 1) % mSize);
}

bool cObjectHandleCache::TryCacheFind(const char* path, UWORD& connectionId, UWORD& handle)
{
    // Entries not taken yet are empty: the walk from the last hit skips them, as it would.
    const std::size_t used = mItems.size();
    for (std::size_t n = 0; n < used; ++n) {
        const std::size_t index = (mLastHit + n) % used;
        const sObjectHandleCacheItem& item = mItems[index];
        if (item.mValid && std::strcmp(item.mPath, path) == 0) {
            connectionId = item.mConnectionId;
            handle = item.mHandle;
            mLastHit = static_cast<UWORD>(index);
            return true;
        }
    }
    return false;
}

void cObjectHandleCache::ClearObjectCache(UWORD connectionId)
{
    for (sObjectHandleCacheItem& item : mItems) {
        if (connectionId == ZUNET_NO_CONNECTION || item.mConnectionId == connectionId)
            item.mValid = 0;
    }
}

// ---- seek object ---------------------------------------------------------------------------

namespace
{
constexpr UWORD kSelfAnswerLength = 3; // handle, then the low byte of the search's sequence
constexpr int kSelfSequenceOffset = 2;
} // namespace

cSeekObject::cSeekObject(const char* name, int numberOfParameters, bool tickScan, UWORD cacheSize)
    : cNetObject(name, static_cast<UWORD>(numberOfParameters), tickScan, false)
    , mCache(cacheSize != 0 ? new cObjectHandleCache(cacheSize) : nullptr)
    , mCacheSize(cacheSize)
{
}

cSeekObject::~cSeekObject() = default;

UWORD cSeekObject::NewSearch(eReplyOrigin origin, UWORD connectionId)
{
    std::lock_guard<std::mutex> locker(mRepliesMutex);
    const UWORD sequence = mNextSequence++;
    mSearchSequence = sequence;
    mRepliesDue.push_back(sReplyDue { sequence, origin, REQUEST_QUEUED, connectionId, 0 });
    if (mRepliesDue.size() > kMaxRepliesDue) {
        // Only lost messages (exhausted pools) leave replies due for ever; keep the list bounded.
        ZU_ERR("%s: too many replies due, forgetting the oldest", mName);
        const sReplyDue& oldest = mRepliesDue.front();
        if (oldest.mOrigin == QUEUE_MARKER)
            mEndedConnections.erase(
                std::find(mEndedConnections.begin(), mEndedConnections.end(), oldest.mEndedConnectionId));
        mRepliesDue.erase(mRepliesDue.begin());
    }
    return sequence;
}

void cSeekObject::AnswerSelf(UWORD connectionId, UWORD handle, UWORD sequence, bool atFront)
{
    mFoundMessage.SetLength(kSelfAnswerLength);
    mFoundMessage.SetAddress(connectionId, mHandle, ZUNET_REGISTRY_HANDLE, M_REPLY_OK);
    mFoundMessage.SetDataBufferUWORD(handle, 0);
    mFoundMessage.SetDataBufferUBYTE(static_cast<UBYTE>(sequence), kSelfSequenceOffset);
    if (!gRegistryRouter)
        return;
    // Always into the local queue, whatever connection the cached answer names.
    if (atFront)
        gRegistryRouter->PrependLocalMessage(mFoundMessage);
    else
        gRegistryRouter->PostLocalMessage(mFoundMessage);
}

void cSeekObject::SendFindRequest(const char* path)
{
    const std::size_t length = std::strlen(path);
    mServiceMessage.SetLength(static_cast<UWORD>(length + 1));
    std::memcpy(mServiceMessage.mDataBuffer, path, length + 1);
    mServiceMessage.SetAddress(ZUNET_LOCAL_CONNECTION, ZUNET_REGISTRY_HANDLE, mHandle, M_REG_FIND_OBJECT);
    SyscallSendMessage(mServiceMessage);
}

bool cSeekObject::SeekObject(const char* path)
{
    if (mSeekBusy.load())
        return true;
    const std::size_t length = std::strlen(path);
    if (length > std::size_t(ZUNET_MAX_PATH_LENGTH)) {
        // Cutting it would search for another, possibly existing, object: answer "not found".
        ZU_ERR("Seek path too long (%d characters, at most %d): \"%.*s...\"", int(length), ZUNET_MAX_PATH_LENGTH,
            ZUNET_MAX_PATH_LENGTH, path);
        std::memcpy(mSeekPath, path, ZUNET_MAX_PATH_LENGTH);
        mSeekPath[ZUNET_MAX_PATH_LENGTH] = '\0';
        mSeekBusy.store(true);
        const UWORD sequence = NewSearch(REPLY_FROM_SELF, ZUNET_NO_CONNECTION);
        AnswerSelf(ZUNET_NO_CONNECTION, ZUNET_NO_HANDLE, sequence, false);
        return false;
    }
    std::memcpy(mSeekPath, path, length + 1);
    UWORD connectionId = ZUNET_NO_CONNECTION;
    UWORD handle = ZUNET_NO_HANDLE;
    if (TryCacheFind(path, connectionId, handle)) {
        mSeekBusy.store(true);
        const UWORD sequence = NewSearch(REPLY_FROM_SELF, connectionId);
        AnswerSelf(connectionId, handle, sequence, false);
        return false;
    }
    mSeekBusy.store(true);
    NewSearch(REPLY_FROM_REGISTRY, ZUNET_NO_CONNECTION);
    SendFindRequest(path);
    return false;
}

bool cSeekObject::FindLocalSeekRemote(const char* path)
{
    if (mSeekBusy.load())
        return true;
    if (std::strchr(path, '/') == nullptr && std::strlen(path) <= std::size_t(ZUNET_MAX_PATH_LENGTH)
        && gRegistryRouter) {
        const UWORD handle = gRegistryRouter->GetHandle(path);
        if (handle != ZUNET_NO_HANDLE) {
            std::strcpy(mSeekPath, path);
            mSeekBusy.store(true);
            const UWORD sequence = NewSearch(REPLY_FROM_SELF, ZUNET_LOCAL_CONNECTION);
            AnswerSelf(ZUNET_LOCAL_CONNECTION, handle, sequence, true);
            return false;
        }
    }
    SeekObject(path);
    return false;
}

void cSeekObject::FindObject(const char* path)
{
    if (std::strlen(path) > std::size_t(ZUNET_MAX_PATH_LENGTH)) {
        ZU_ERR("Find path too long: \"%.*s...\"", ZUNET_MAX_PATH_LENGTH, path);
        return;
    }
    {
        // A request of its own: its sequence never is the search's.
        std::lock_guard<std::mutex> locker(mRepliesMutex);
        mRepliesDue.push_back(
            sReplyDue { mNextSequence++, REPLY_FROM_REGISTRY, REQUEST_QUEUED, ZUNET_NO_CONNECTION, 0 });
    }
    SendFindRequest(path);
}

void cSeekObject::RegistryHandledFindRequest(UWORD forwardedConnectionId)
{
    // The registry takes our requests in the order we queued them.
    std::lock_guard<std::mutex> locker(mRepliesMutex);
    for (sReplyDue& reply : mRepliesDue) {
        if (reply.mOrigin == REPLY_FROM_REGISTRY && reply.mState == REQUEST_QUEUED) {
            if (forwardedConnectionId == ZUNET_LOCAL_CONNECTION) {
                reply.mState = REQUEST_ANSWERED_HERE;
            } else {
                reply.mState = REQUEST_FORWARDED;
                reply.mConnectionId = forwardedConnectionId;
            }
            return;
        }
    }
}

int cSeekObject::RepliesDue() const
{
    std::lock_guard<std::mutex> locker(mRepliesMutex);
    return int(std::count_if(
        mRepliesDue.begin(), mRepliesDue.end(), [](const sReplyDue& reply) { return reply.mOrigin != QUEUE_MARKER; }));
}

void cSeekObject::ForgetRepliesFrom(UWORD connectionId)
{
    std::size_t forgotten = 0;
    {
        std::lock_guard<std::mutex> locker(mRepliesMutex);
        const std::size_t before = mRepliesDue.size();
        mRepliesDue.erase(std::remove_if(mRepliesDue.begin(), mRepliesDue.end(),
                              [connectionId](const sReplyDue& reply) {
                                  return reply.mState == REQUEST_FORWARDED && reply.mConnectionId == connectionId;
                              }),
            mRepliesDue.end());
        forgotten = before - mRepliesDue.size();
    }
    if (forgotten > 0)
        PostQueueMarker(connectionId);
}

void cSeekObject::PostQueueMarker(UWORD connectionId)
{
    if (!gRegistryRouter)
        return;
    cZUNetMessage marker(kSelfAnswerLength);
    {
        std::lock_guard<std::mutex> locker(mRepliesMutex);
        const UWORD sequence = mNextSequence++;
        mRepliesDue.push_back(sReplyDue { sequence, QUEUE_MARKER, REQUEST_QUEUED, ZUNET_NO_CONNECTION, connectionId });
        mEndedConnections.push_back(connectionId);
        marker.SetDataBufferUWORD(ZUNET_NO_HANDLE, 0);
        marker.SetDataBufferUBYTE(static_cast<UBYTE>(sequence), kSelfSequenceOffset);
    }
    // No connection stamps 0xFFFF on what it receives: a peer cannot send this.
    marker.SetAddress(ZUNET_NO_CONNECTION, mHandle, ZUNET_REGISTRY_HANDLE, M_REPLY_OK);
    gRegistryRouter->PostLocalMessage(marker);
}

bool cSeekObject::SearchWaitsOnConnection(UWORD connectionId) const
{
    if (!mSeekBusy.load())
        return false;
    std::lock_guard<std::mutex> locker(mRepliesMutex);
    // Newest first: the search in progress is nearly always the last request made.
    for (auto it = mRepliesDue.rbegin(); it != mRepliesDue.rend(); ++it) {
        if (it->mSequence == mSearchSequence)
            return it->mState == REQUEST_FORWARDED && it->mConnectionId == connectionId;
    }
    return false;
}

bool cSeekObject::TakeReplyDue(const cZUNetMessage& message, UWORD& sequence)
{
    std::lock_guard<std::mutex> locker(mRepliesMutex);
    const bool selfShaped = message.mMethod == M_REPLY_OK && message.mLength == kSelfAnswerLength;
    if (!selfShaped && message.mConnectionId != ZUNET_LOCAL_CONNECTION
        && std::find(mEndedConnections.begin(), mEndedConnections.end(), message.mConnectionId)
            != mEndedConnections.end())
        return false; // queued before its connection ended: due to nobody any more
    auto matches = [&message, selfShaped](const sReplyDue& reply) {
        if (selfShaped) {
            return reply.mOrigin != REPLY_FROM_REGISTRY && reply.mConnectionId == message.mConnectionId
                && UBYTE(reply.mSequence) == message.GetDataBufferUBYTE(kSelfSequenceOffset);
        }
        if (reply.mOrigin != REPLY_FROM_REGISTRY)
            return false;
        // Replies from one registry come in the order it took the requests.
        if (message.mConnectionId == ZUNET_LOCAL_CONNECTION)
            return reply.mState == REQUEST_ANSWERED_HERE;
        return reply.mState == REQUEST_FORWARDED && reply.mConnectionId == message.mConnectionId;
    };
    auto it = std::find_if(mRepliesDue.begin(), mRepliesDue.end(), matches);
    if (it == mRepliesDue.end())
        return false;
    sequence = it->mSequence;
    if (it->mOrigin == QUEUE_MARKER) {
        mEndedConnections.erase(std::find(mEndedConnections.begin(), mEndedConnections.end(), it->mEndedConnectionId));
        mRepliesDue.erase(it);
        return false;
    }
    mRepliesDue.erase(it);
    return sequence == mSearchSequence;
}

void cSeekObject::HandleReply(const cZUNetMessage& message)
{
    UWORD sequence = 0;
    const bool current = TakeReplyDue(message, sequence);
    if (!current || !mSeekBusy.load())
        return; // nobody asked, or the answer to a search given up
    mSeekBusy.store(false);
    // Our own copy: FoundObject may start the next search, which rewrites mSeekPath.
    char path[ZUNET_MAX_PATH_LENGTH + 1];
    std::memcpy(path, mSeekPath, sizeof(path));
    if (message.mMethod == M_REPLY_OK && ZU_CHECK_LENGTH(message, 2)) {
        const UWORD handle = message.GetDataBufferUWORD(0);
        if (message.mLength == 2)
            AddObjectToCache(path, message.mConnectionId, handle);
        FoundObject(path, message.mConnectionId, handle);
        return;
    }
    FoundObject(path, ZUNET_NO_CONNECTION, ZUNET_NO_HANDLE);
}

void cSeekObject::EntrypointMessage(cZUNetMessage& message)
{
    switch (message.mMethod) {
    case M_REPLY_OK:
    case M_REPLY_FAIL:
        HandleReply(message);
        break;
    default:
        cNetObject::EntrypointMessage(message);
        break;
    }
}

void cSeekObject::ConnectionTerminated(UWORD connectionId, bool lostComms)
{
    cNetObject::ConnectionTerminated(connectionId, lostComms);
    ClearObjectCache(connectionId);
    ForgetRepliesFrom(connectionId);
}

void cSeekObject::ClearObjectCache(UWORD connectionId)
{
    if (mCache)
        mCache->ClearObjectCache(connectionId);
}

bool cSeekObject::TryCacheFind(const char* path, UWORD& connectionId, UWORD& handle)
{
    return mCache ? mCache->TryCacheFind(path, connectionId, handle) : false;
}

void cSeekObject::AddObjectToCache(const char* path, UWORD connectionId, UWORD handle)
{
    if (mCache)
        mCache->AddObjectToCache(path, connectionId, handle);
}
