#include "ZUNet/Core/SystemBuilder.h"

#include "ZUNet/Core/NetworkInterface.h"
#include "ZUNet/Core/PollLocker.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Trace.h"

#include <cstring>

// ---- link command --------------------------------------------------------------------------

sParameterLinkingCommand::sParameterLinkingCommand(const sParameterLinkingCommand& other)
{
    *this = other;
}

sParameterLinkingCommand& sParameterLinkingCommand::operator=(const sParameterLinkingCommand& other)
{
    if (this == &other)
        return *this;
    mSourceParam = other.mSourceParam;
    mDestParam = other.mDestParam;
    std::memcpy(mSourcePath, other.mSourcePath, sizeof(mSourcePath));
    std::memcpy(mDestinationPath, other.mDestinationPath, sizeof(mDestinationPath));
    mDataGram = other.mDataGram;
    mSync = other.mSync;
    mRemove = other.mRemove;
    mBidirect = other.mBidirect;
    mCompletionCallback = other.mCompletionCallback;
    return *this;
}

namespace
{

bool CopyPath(char (&target)[ZUNET_MAX_PATH_LENGTH + 1], const char* path)
{
    const std::size_t length = std::strlen(path);
    if (length > std::size_t(ZUNET_MAX_PATH_LENGTH)) {
        std::memcpy(target, path, sizeof(target)); // no room for the NUL: marks the path as too long
        return false;
    }
    std::memcpy(target, path, length + 1);
    return true;
}

bool PathFits(const char (&path)[ZUNET_MAX_PATH_LENGTH + 1])
{
    return std::memchr(path, '\0', sizeof(path)) != nullptr;
}

/// The path names the unit `hostName`: its part before the first "/" (all of it when
/// `wholePathCounts` and there is none) is that name.
bool PathNamesUnit(const char* path, const char* hostName, bool wholePathCounts)
{
    const char* slash = std::strchr(path, '/');
    if (!slash)
        return wholePathCounts && std::strcmp(path, hostName) == 0;
    const std::size_t length = std::size_t(slash - path);
    return std::strlen(hostName) == length && std::strncmp(path, hostName, length) == 0;
}

const char* TrueFalse(bool value)
{
    return value ? "True" : "False";
}

} // namespace

bool sParameterLinkingCommand::SetSourcePath(const char* path)
{
    return CopyPath(mSourcePath, path);
}

bool sParameterLinkingCommand::SetDestinationPath(const char* path)
{
    return CopyPath(mDestinationPath, path);
}

sParameterLinkingCommand sParameterLinkingCommand::Make(
    const char* source, UWORD sourceParam, const char* destination, UWORD destParam, bool sync, bool remove)
{
    sParameterLinkingCommand command;
    (void)command.SetSourcePath(source);
    (void)command.SetDestinationPath(destination);
    command.mSourceParam = sourceParam;
    command.mDestParam = destParam;
    command.mSync = sync;
    command.mRemove = remove;
    return command;
}

bool sParameterLinkingCommand::PathsFit() const
{
    return PathFits(mSourcePath) && PathFits(mDestinationPath);
}

// ---- system builder ------------------------------------------------------------------------

cSystemBuilder::cSystemBuilder(const char* name, int numberOfParameters, UWORD cacheSize,
    eConnectionTerminatedBehaviour defaultBehaviour, cConnectionTerminatedBehaviourDelegate* delegate)
    : cSeekObject(name, numberOfParameters, false, cacheSize)
    , mDefaultBehaviour(defaultBehaviour)
    , mBehaviourDelegate(delegate)
{
}

cSystemBuilder::~cSystemBuilder()
{
    Unregister();
    std::lock_guard<std::recursive_mutex> locker(mMutex);
    while (sParameterLinkingCommand* command = TakeHead())
        delete command;
    RunDueReleases(true);
}

void cSystemBuilder::Append(sParameterLinkingCommand* command)
{
    command->mNext = nullptr;
    command->mQueueSerial = mNextQueueSerial++;
    if (mTail)
        mTail->mNext = command;
    else
        mHead = command;
    mTail = command;
    ++mQueueLength;
}

sParameterLinkingCommand* cSystemBuilder::TakeHead()
{
    sParameterLinkingCommand* head = mHead;
    if (!head)
        return nullptr;
    mHead = head->mNext;
    if (!mHead)
        mTail = nullptr;
    head->mNext = nullptr;
    --mQueueLength;
    return head;
}

void cSystemBuilder::AddLinkCommandToList(const sParameterLinkingCommand& command, bool bidirect)
{
    if (!PathFits(command.mSourcePath) || !PathFits(command.mDestinationPath)) {
        // A cut path could name another object that exists: refuse the command.
        ZU_ERR("Link path too long (at most %d characters): mSourcePath = \"%.*s\", mDestinationPath = \"%.*s\"",
            ZUNET_MAX_PATH_LENGTH, ZUNET_MAX_PATH_LENGTH + 1, command.mSourcePath, ZUNET_MAX_PATH_LENGTH + 1,
            command.mDestinationPath);
        if (command.mCompletionCallback) {
            sParameterLinkingCommand refused(command);
            refused.mBidirect = bidirect;
            refused.mCompletionCallback(&refused);
        }
        return;
    }
    std::lock_guard<std::recursive_mutex> locker(mMutex);
    ++mQueued;
    ++mRequested;
    auto* copy = new sParameterLinkingCommand(command);
    copy->mBidirect = bidirect;
    const bool wasEmpty = mHead == nullptr;
    Append(copy);
    if (!wasEmpty)
        return;
    if (mState != STATE_IDLE) {
        ZU_ERR("Empty linking list but not idle");
        return;
    }
    ClearObjectCache(ZUNET_NO_CONNECTION);
    EnterBusy();
    ProcessEvent(EVENT_NEXT_COMMAND, ZUNET_NO_CONNECTION, ZUNET_NO_HANDLE);
}

void cSystemBuilder::ProcessEvent(int event, UWORD connectionId, UWORD handle)
{
    enum eAction {
        ACTION_ERROR,
        ACTION_FIND_SOURCE,
        ACTION_STORE_SOURCE_FIND_DESTINATION,
        ACTION_FIND_DESTINATION,
        ACTION_STORE_DESTINATION_LINK_NEXT,
    };
    struct sTransition {
        int mNextState;
        eAction mAction;
    };
    static const sTransition kTable[3][3] = {
        { { STATE_IDLE, ACTION_ERROR }, { STATE_IDLE, ACTION_ERROR }, { STATE_SEEKING_SOURCE, ACTION_FIND_SOURCE } },
        { { STATE_SEEKING_DESTINATION, ACTION_STORE_SOURCE_FIND_DESTINATION },
            { STATE_SEEKING_SOURCE, ACTION_FIND_SOURCE }, { STATE_SEEKING_SOURCE, ACTION_FIND_SOURCE } },
        { { STATE_IDLE, ACTION_STORE_DESTINATION_LINK_NEXT }, { STATE_SEEKING_DESTINATION, ACTION_FIND_DESTINATION },
            { STATE_SEEKING_SOURCE, ACTION_FIND_SOURCE } },
    };

    std::lock_guard<std::recursive_mutex> locker(mMutex);
    if (event < EVENT_OBJECT_FOUND || event > EVENT_NEXT_COMMAND || mState < STATE_IDLE
        || mState > STATE_SEEKING_DESTINATION) {
        ZU_ERR("Unhandle action in system builder, %d", event);
        return;
    }
    const sTransition& transition = kTable[mState][event];
    mState = transition.mNextState;
    switch (transition.mAction) {
    case ACTION_ERROR:
        ZU_ERR("ACTION_ERROR");
        break;
    case ACTION_FIND_SOURCE:
        FindSource();
        break;
    case ACTION_STORE_SOURCE_FIND_DESTINATION:
        StoreSource(connectionId, handle);
        FindDestination();
        break;
    case ACTION_FIND_DESTINATION:
        FindDestination();
        break;
    case ACTION_STORE_DESTINATION_LINK_NEXT:
        StoreDestination(connectionId, handle);
        if (!mHead) {
            ZU_ERR("ACTION_ERROR");
            break;
        }
        if (mHead->mRemove)
            RemoveLink();
        else
            MakeLink();
        delete TakeHead();
        mNotFoundReported = false;
        NextLinkingCommand();
        break;
    }
}

void cSystemBuilder::NextLinkingCommand()
{
    RunDueReleases(false);
    if (mHead)
        ProcessEvent(EVENT_NEXT_COMMAND, ZUNET_NO_CONNECTION, ZUNET_NO_HANDLE);
    else
        ExitBusy();
}

void cSystemBuilder::FindSource()
{
    SeekHeadEnd(true);
}

void cSystemBuilder::FindDestination()
{
    SeekHeadEnd(false);
}

void cSystemBuilder::SeekHeadEnd(bool source)
{
    if (!mHead) {
        mState = STATE_IDLE;
        RunDueReleases(false);
        ExitBusy();
        return;
    }
    if (CheckParamHeadForTerminatedUnit())
        SeekObject(source ? mHead->mSourcePath : mHead->mDestinationPath);
}

void cSystemBuilder::StoreSource(UWORD connectionId, UWORD handle)
{
    mSourceConnectionId = connectionId;
    mSourceHandle = handle;
}

void cSystemBuilder::StoreDestination(UWORD connectionId, UWORD handle)
{
    mDestConnectionId = connectionId;
    mDestHandle = handle;
}

void cSystemBuilder::SendLinkRequest(UWORD connectionId, UWORD handle, UWORD method, UWORD peerConnectionId,
    UWORD peerHandle, UWORD destinationMethod, UWORD sourceMethod, bool dataGram, bool sync)
{
    mServiceMessage.SetLength(LinkRequest::kAddLength);
    mServiceMessage.SetAddress(connectionId, handle, mHandle, method);
    mServiceMessage.SetDataBufferUWORD(peerConnectionId, LinkRequest::kConnectionId);
    mServiceMessage.SetDataBufferUWORD(peerHandle, LinkRequest::kHandle);
    mServiceMessage.SetDataBufferUWORD(destinationMethod, LinkRequest::kDestinationMethod);
    mServiceMessage.SetDataBufferUWORD(sourceMethod, LinkRequest::kSourceMethod);
    // A removal reads only the first 8 bytes; the rest is sent as zeros.
    const bool add = method == M_OBJECT_ADD_TO_INFORM_LIST;
    mServiceMessage.SetDataBufferUBYTE(add && dataGram ? 1 : 0, LinkRequest::kDataGram);
    mServiceMessage.SetDataBufferUBYTE(add && sync ? 1 : 0, LinkRequest::kSync);
    SyscallSendMessage(mServiceMessage);
}

void cSystemBuilder::MakeLink()
{
    const sParameterLinkingCommand& head = *mHead;
    SendLinkRequest(mSourceConnectionId, mSourceHandle, M_OBJECT_ADD_TO_INFORM_LIST, mDestConnectionId, mDestHandle,
        head.mDestParam, head.mSourceParam, head.mDataGram, head.mSync);
    if (head.mBidirect) {
        SendLinkRequest(mDestConnectionId, mDestHandle, M_OBJECT_ADD_TO_INFORM_LIST, mSourceConnectionId, mSourceHandle,
            head.mSourceParam, head.mDestParam, head.mDataGram, false);
    }
    --mQueued;
    ++mMade;
}

void cSystemBuilder::RemoveLink()
{
    const sParameterLinkingCommand& head = *mHead;
    SendLinkRequest(mSourceConnectionId, mSourceHandle, M_OBJECT_REMOVE_FROM_INFORM_LIST, mDestConnectionId,
        mDestHandle, head.mDestParam, head.mSourceParam, false, false);
    if (head.mBidirect) {
        SendLinkRequest(mDestConnectionId, mDestHandle, M_OBJECT_REMOVE_FROM_INFORM_LIST, mSourceConnectionId,
            mSourceHandle, head.mSourceParam, head.mDestParam, false, false);
    }
    --mQueued;
    ++mMade;
}

void cSystemBuilder::EntrypointMessage(cZUNetMessage& message)
{
    std::lock_guard<std::recursive_mutex> locker(mMutex);
    cSeekObject::EntrypointMessage(message);
}

void cSystemBuilder::FoundObject(const char* path, UWORD connectionId, UWORD handle)
{
    std::lock_guard<std::recursive_mutex> locker(mMutex);
    if (handle == ZUNET_NO_HANDLE)
        ObjectNotFound(path, connectionId, ZUNET_NO_HANDLE, false);
    else
        ProcessEvent(EVENT_OBJECT_FOUND, connectionId, handle);
}

void cSystemBuilder::ObjectNotFound(const char* path, UWORD connectionId, UWORD handle, bool abandon)
{
    std::lock_guard<std::recursive_mutex> locker(mMutex);
    if (!mHead)
        return;
    if (mHead->mCompletionCallback) {
        mHead->mCompletionCallback(mHead);
        GiveUpHead();
        return;
    }
    if (abandon) {
        GiveUpHead();
        return;
    }
    if (!mNotFoundReported) {
        ZU_ERR("Can't find = \"%s\"", path);
        ReportCurrentLinkAsAnError();
        mNotFoundReported = true;
    }
    if (mHead->mRemove)
        GiveUpHead();
    else
        ProcessEvent(EVENT_OBJECT_NOT_FOUND, connectionId, handle);
}

void cSystemBuilder::GiveUpHead()
{
    mState = STATE_IDLE;
    --mQueued;
    ++mMade;
    delete TakeHead();
    mNotFoundReported = false;
    NextLinkingCommand();
}

bool cSystemBuilder::CheckParamHeadForTerminatedUnit()
{
    if (mTerminatedConnections.empty())
        return true;
    bool dropped = false;
    // A loop, not a chain of calls per dropped command. Bounded by the commands queued now, in
    // case a callback queues a command for the lost unit again.
    for (int budget = mQueueLength; mHead && budget > 0; --budget) {
        bool named = false;
        for (const sTerminatedConnection& connection : mTerminatedConnections) {
            if (connection.mHostName[0] != '\0'
                && (PathNamesUnit(mHead->mSourcePath, connection.mHostName, true)
                    || PathNamesUnit(mHead->mDestinationPath, connection.mHostName, true))) {
                named = true;
                break;
            }
        }
        if (!named)
            break;
        ClearSeekBusy();
        if (mHead->mCompletionCallback)
            mHead->mCompletionCallback(mHead);
        mState = STATE_IDLE;
        --mQueued;
        ++mMade;
        delete TakeHead();
        mNotFoundReported = false;
        dropped = true;
    }
    if (!dropped)
        return true;
    NextLinkingCommand();
    return false;
}

void cSystemBuilder::DropCommandsThroughConnection(const char* hostName, bool headSearchLost)
{
    // Connections end often and the queue may be long: the host name is measured once, and the
    // dropped commands are chained through their own links rather than gathered in a new list.
    const std::size_t hostLength = std::strlen(hostName);
    // A name with a "/" is never the part of a path before its first "/"; one as long as a path
    // names none either.
    const bool nameable = hostLength > 0 && hostLength < sizeof(sParameterLinkingCommand::mSourcePath)
        && std::memchr(hostName, '/', hostLength) == nullptr;
    auto goesThrough = [hostName, hostLength](const char* path) {
        return path[hostLength] == '/' && std::memcmp(path, hostName, hostLength) == 0;
    };
    sParameterLinkingCommand* dropped = nullptr;
    sParameterLinkingCommand* droppedTail = nullptr;
    std::size_t droppedCount = 0;
    bool headDropped = false;
    sParameterLinkingCommand* previous = nullptr;
    const sParameterLinkingCommand* const head = mHead;
    for (sParameterLinkingCommand* command = mHead; command;) {
        sParameterLinkingCommand* next = command->mNext;
        const bool isHead = command == head;
        const bool through = (nameable && (goesThrough(command->mSourcePath) || goesThrough(command->mDestinationPath)))
            || (isHead && headSearchLost);
        if (through) {
            if (previous)
                previous->mNext = next;
            else
                mHead = next;
            if (mTail == command)
                mTail = previous;
            command->mNext = nullptr;
            --mQueueLength;
            headDropped = headDropped || isHead;
            if (droppedTail)
                droppedTail->mNext = command;
            else
                dropped = command;
            droppedTail = command;
            ++droppedCount;
        } else {
            previous = command;
        }
        command = next;
    }
    if (!dropped)
        return;
    if (headDropped) {
        ClearSeekBusy();
        mState = STATE_IDLE;
        mNotFoundReported = false;
    }
    mQueued -= static_cast<UWORD>(droppedCount);
    mMade += static_cast<ULONG>(droppedCount);
    // Callbacks after the queue is consistent again; one that queues a command appends it.
    while (sParameterLinkingCommand* command = dropped) {
        dropped = command->mNext;
        command->mNext = nullptr;
        if (command->mCompletionCallback)
            command->mCompletionCallback(command);
        delete command;
    }
    if (headDropped && mState == STATE_IDLE)
        NextLinkingCommand();
}

void cSystemBuilder::ConnectionTerminated(UWORD connectionId, bool)
{
    const eConnectionTerminatedBehaviour behaviour
        = mBehaviourDelegate ? mBehaviourDelegate->GetConnectionTerminatedBehaviour(connectionId) : mDefaultBehaviour;
    // Asked before our lock: the connection manager's lock comes after it otherwise.
    const std::string hostName = NetworkGetHostNameFromConnId(connectionId);

    std::lock_guard<std::recursive_mutex> locker(mMutex);
    sTerminatedConnection terminated;
    std::strncpy(terminated.mHostName, hostName.c_str(), ZUNET_MAX_NAME_LENGTH);
    terminated.mHostName[ZUNET_MAX_NAME_LENGTH] = '\0';
    mTerminatedConnections.push_back(terminated);

    const bool headSearchLost = SearchWaitsOnConnection(connectionId);
    ForgetRepliesFrom(connectionId);
    switch (behaviour) {
    case CONNECTION_TERMINATED_ABORT_COMMANDS:
        // Only the commands that go through the ended connection: the other units' links stay queued.
        ClearObjectCache(connectionId);
        DropCommandsThroughConnection(terminated.mHostName, headSearchLost);
        break;
    case CONNECTION_TERMINATED_DROP_UNIT_COMMANDS:
        if (mHead) {
            ClearObjectCache(connectionId);
            CheckParamHeadForTerminatedUnit();
        }
        break;
    default:
        break;
    }
    mTerminatedConnections.clear();
}

void cSystemBuilder::AbortAllLinksAndExitbusy()
{
    std::lock_guard<std::recursive_mutex> locker(mMutex);
    while (sParameterLinkingCommand* command = TakeHead())
        delete command;
    mState = STATE_IDLE;
    mSourceConnectionId = ZUNET_NO_CONNECTION;
    mSourceHandle = ZUNET_NO_HANDLE;
    mDestConnectionId = ZUNET_NO_CONNECTION;
    mDestHandle = ZUNET_NO_HANDLE;
    mQueued = 0;
    ExitBusy();
    ClearSeekBusy();
    mTerminatedConnections.clear();
    RunDueReleases(true);
}

bool cSystemBuilder::ReleaseAfterQueuedCommands(std::function<void()> release)
{
    std::lock_guard<std::recursive_mutex> locker(mMutex);
    if (!mTail || !release)
        return false;
    mReleases.push_back(sRelease { mTail->mQueueSerial, std::move(release) });
    return true;
}

void cSystemBuilder::RunDueReleases(bool all)
{
    if (mReleases.empty())
        return;
    // The queue keeps its order, so its head is the oldest command still queued.
    const std::uint64_t oldest = mHead && !all ? mHead->mQueueSerial : UINT64_MAX;
    std::vector<std::function<void()>> due;
    for (auto it = mReleases.begin(); it != mReleases.end();) {
        if (it->mAfter < oldest) {
            due.push_back(std::move(it->mRelease));
            it = mReleases.erase(it);
        } else {
            ++it;
        }
    }
    // Taken out first: a release may queue commands or releases of its own.
    for (auto& release : due)
        release();
}

void cSystemBuilder::TraceCommand(const sParameterLinkingCommand& command)
{
    ZU_ERR("mSourcePath = \"%s\", mDestinationPath = \"%s\"", command.mSourcePath, command.mDestinationPath);
    ZU_ERR("SourceParam: %d,  DestParam: %d,  Remove: %s,  Sync: %s,  Bidirect: %s,  DataGram: %s,",
        command.mSourceParam, command.mDestParam, TrueFalse(command.mRemove), TrueFalse(command.mSync),
        TrueFalse(command.mBidirect), TrueFalse(command.mDataGram));
}

void cSystemBuilder::ReportCurrentLinkAsAnError()
{
    // Also called from the pool-exhausted report, on whatever thread posted: never wait for the lock
    // there, the poster may hold locks that come after ours.
    std::unique_lock<std::recursive_mutex> locker(mMutex, std::try_to_lock);
    if (!locker.owns_lock())
        return;
    TraceCommand(mHead ? *mHead : sParameterLinkingCommand());
}

sParameterLinkingCommand cSystemBuilder::GetHead()
{
    sParameterLinkingCommand head;
    cPollLocker poll;
    std::lock_guard<std::recursive_mutex> locker(mMutex);
    if (mHead)
        head = *mHead;
    return head;
}

int cSystemBuilder::GetState()
{
    std::lock_guard<std::recursive_mutex> locker(mMutex);
    return mState;
}

int cSystemBuilder::GetQueueLength()
{
    std::lock_guard<std::recursive_mutex> locker(mMutex);
    return mQueueLength;
}

void cSystemBuilder::EnterBusy()
{
    mBusy.store(true);
}

void cSystemBuilder::ExitBusy()
{
    mBusy.store(false);
}

void cSystemBuilder::ClearObjectCache(UWORD connectionId)
{
    cSeekObject::ClearObjectCache(connectionId);
}

bool cSystemBuilder::TryCacheFind(const char* path, UWORD& connectionId, UWORD& handle)
{
    return cSeekObject::TryCacheFind(path, connectionId, handle);
}

void cSystemBuilder::AddObjectToCache(const char* path, UWORD connectionId, UWORD handle)
{
    cSeekObject::AddObjectToCache(path, connectionId, handle);
}
