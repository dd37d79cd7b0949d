// Drives the system builder with link commands, unit answers arriving late or never, connection
// ends, stray replies and aborts in any order. Every link request it sends must join exactly the
// two objects its command names (each command carries its own parameter numbers), whatever answer
// of an abandoned search is still travelling.

#include "ZUNet/Core/NetObject.h"
#include "ZUNet/Core/NetworkInterface.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/Core/Trace.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// An input frees a few hundred KB at most: a small quarantine still catches a use after free
// within it, and keeps the allocator's memory in cache instead of cycling through 256 MB.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=4";
}

namespace
{

void DropTrace(const char*, std::size_t, void*) { }

struct sAddress {
    UWORD mConnectionId;
    UWORD mHandle;
};

const char* const kPaths[] = { "L0", "L1", "L2", "missing", "UnitA/a", "UnitA/b", "UnitB/c", "UnitB/missing" };
constexpr int kPathCount = int(sizeof(kPaths) / sizeof(kPaths[0]));

struct sIssued {
    int mSource;
    int mDestination;
    bool mRemove;
    bool mBidirect;
};

class cHarness;
cHarness* gHarness = nullptr;

/// A find request a unit has received and not answered yet.
struct sPendingFind {
    UWORD mSource;
    int mPath; // index into kPaths, -1 when the name is none of them
};

/// First in, first out, on storage kept between inputs: a fresh container per input would cost
/// more than most inputs.
class cPendingFinds
{
public:
    bool Empty() const { return mHead == mItems.size(); }
    void Push(const sPendingFind& find) { mItems.push_back(find); }
    sPendingFind Pop() { return mItems[mHead++]; }
    void Clear()
    {
        mItems.clear();
        mHead = 0;
    }

private:
    std::vector<sPendingFind> mItems;
    std::size_t mHead = 0;
};

class cHarness : public cNetworkInterface
{
public:
    sAddress mTruth[kPathCount] = {}; // what the registries answer, by path index
    bool mExists[kPathCount] = {};
    std::vector<sIssued> mIssued; // by command id (its parameter offset); kept warm between inputs
    cPendingFinds mPending[6]; // per connection
    cZUNetMessage mReply { 2 };

    UWORD FindConnection(const char* host) override
    {
        if (std::strcmp(host, "UnitA") == 0)
            return 3;
        if (std::strcmp(host, "UnitB") == 0)
            return 4;
        return ZUNET_NO_CONNECTION;
    }
    bool ConnectionExists(const char* host) override { return FindConnection(host) != ZUNET_NO_CONNECTION; }
    std::string HostNameFromConnectionId(UWORD connectionId) override
    {
        return connectionId == 3 ? "UnitA" : connectionId == 4 ? "UnitB" : "";
    }
    UWORD NumberOfConnections() override { return 2; }
    void SendMessage(const cZUNetMessage& message) override
    {
        if (message.mMethod == M_REG_FIND_OBJECT && message.mConnectionId < 6) {
            const char* name = nullptr;
            const int path = message.ReadString(0, name) ? UnitPath(message.mConnectionId, name) : -1;
            mPending[message.mConnectionId].Push(sPendingFind { message.mSource, path });
        } else {
            CheckLinkRequest(message.mConnectionId, message.mDestination, message);
        }
    }
    void SendDatagramMessage(const cZUNetMessage&) override { }

    /// Index of "unit/name" in kPaths for the unit behind the connection, or -1.
    static int UnitPath(UWORD connectionId, const char* name)
    {
        const char* unit = connectionId == 3 ? "UnitA/" : connectionId == 4 ? "UnitB/" : nullptr;
        if (!unit)
            return -1;
        for (int k = 0; k < kPathCount; ++k) {
            if (std::strncmp(kPaths[k], unit, 6) == 0 && std::strcmp(kPaths[k] + 6, name) == 0)
                return k;
        }
        return -1;
    }

    void Answer(UWORD connectionId)
    {
        if (mPending[connectionId].Empty())
            return;
        const sPendingFind request = mPending[connectionId].Pop();
        const bool found = request.mPath >= 0 && mExists[request.mPath];
        mReply.SetLength(found ? 2 : 0);
        if (found)
            mReply.SetDataBufferUWORD(mTruth[request.mPath].mHandle, 0);
        mReply.SetAddress(connectionId, request.mSource, 0, found ? M_REPLY_OK : M_REPLY_FAIL);
        gRegistryRouter->PostLocalMessage(mReply);
    }

    static bool Same(const sAddress& address, UWORD connectionId, UWORD handle)
    {
        return address.mConnectionId == connectionId && address.mHandle == handle;
    }

    /// A link request sent to (connectionId, handle).
    void CheckLinkRequest(UWORD connectionId, UWORD handle, const cZUNetMessage& message)
    {
        if (message.mMethod != M_OBJECT_ADD_TO_INFORM_LIST && message.mMethod != M_OBJECT_REMOVE_FROM_INFORM_LIST)
            return;
        if (message.mLength != LinkRequest::kAddLength)
            __builtin_trap();
        const UWORD peerConnection = message.GetDataBufferUWORD(LinkRequest::kConnectionId);
        const UWORD peerHandle = message.GetDataBufferUWORD(LinkRequest::kHandle);
        const UWORD destinationMethod = message.GetDataBufferUWORD(LinkRequest::kDestinationMethod);
        const UWORD sourceMethod = message.GetDataBufferUWORD(LinkRequest::kSourceMethod);
        // Forward: source param = 0x1000 + id, destination param = 0x1800 + id; backward swapped.
        const bool forward = sourceMethod < 0x1800;
        const int id = forward ? sourceMethod - 0x1000 : destinationMethod - 0x1000;
        if (id < 0 || std::size_t(id) >= mIssued.size())
            __builtin_trap();
        const sIssued& issued = mIssued[std::size_t(id)];
        // Only objects that exist may be linked.
        if (!mExists[issued.mSource] || !mExists[issued.mDestination])
            __builtin_trap();
        const sAddress& source = mTruth[issued.mSource];
        const sAddress& destination = mTruth[issued.mDestination];
        if ((message.mMethod == M_OBJECT_REMOVE_FROM_INFORM_LIST) != issued.mRemove)
            __builtin_trap();
        if (forward) {
            if (!Same(source, connectionId, handle) || !Same(destination, peerConnection, peerHandle))
                __builtin_trap();
        } else {
            if (!issued.mBidirect || !Same(destination, connectionId, handle)
                || !Same(source, peerConnection, peerHandle))
                __builtin_trap();
        }
    }

    void SetTruth(const char* path, sAddress address)
    {
        for (int k = 0; k < kPathCount; ++k) {
            if (std::strcmp(kPaths[k], path) == 0) {
                mTruth[k] = address;
                mExists[k] = true;
            }
        }
    }
};

class cLocalObject : public cNetObject
{
public:
    explicit cLocalObject(const char* name)
        : cNetObject(name, 0)
    {
    }
    ~cLocalObject() override { Unregister(); }
    void EntrypointMessage(cZUNetMessage& message) override
    {
        gHarness->CheckLinkRequest(ZUNET_LOCAL_CONNECTION, mHandle, message);
    }
};

struct sWorld {
    sWorld()
    {
        SetTraceSink(&DropTrace, nullptr);
        SetNetworkInterface(&mHarness);
        gHarness = &mHarness;
        gRegistryRouter = new cRegistryRouter();
        for (const char* name : { "L0", "L1", "L2" }) {
            mObjects.push_back(std::make_unique<cLocalObject>(name));
            mHarness.SetTruth(name, sAddress { 0, mObjects.back()->GetHandle() });
        }
        mHarness.SetTruth("UnitA/a", sAddress { 3, 0x21 });
        mHarness.SetTruth("UnitA/b", sAddress { 3, 0x22 });
        mHarness.SetTruth("UnitB/c", sAddress { 4, 0x31 });
    }
    cHarness mHarness;
    std::vector<std::unique_ptr<cLocalObject>> mObjects;
    cZUNetMessage mStray { 3 };
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static sWorld world;
    cHarness& harness = world.mHarness;
    auto builder = std::make_unique<cSystemBuilder>(
        "ZUNet System Builder", 0, 40, CONNECTION_TERMINATED_ABORT_COMMANDS, nullptr);
    int callbacks = 0;
    bool aborted = false;
    int nextId = 0;
    std::size_t i = 0;
    auto next = [&]() -> std::uint8_t { return i < size ? data[i++] : 0; };

    while (i < size) {
        const std::uint8_t op = next();
        switch (op % 8) {
        case 0: {
            if (nextId >= 0x7FF)
                break;
            const int source = next() % kPathCount;
            const int destination = next() % kPathCount;
            const std::uint8_t flags = next();
            sParameterLinkingCommand command;
            command.SetSourcePath(kPaths[source]);
            command.SetDestinationPath(kPaths[destination]);
            command.mSourceParam = UWORD(0x1000 + nextId);
            command.mDestParam = UWORD(0x1800 + nextId);
            command.mSync = flags & 1;
            command.mDataGram = flags & 2;
            command.mRemove = flags & 4;
            if (flags & 8)
                command.mCompletionCallback = [&callbacks](sParameterLinkingCommand*) { ++callbacks; };
            harness.mIssued.push_back(sIssued { source, destination, command.mRemove, bool(flags & 16) });
            ++nextId;
            builder->AddLinkCommandToList(command, flags & 16);
            break;
        }
        case 1:
            gRegistryRouter->SyscallPollAtMost(1 + next() % 8);
            break;
        case 2:
            harness.Answer(3);
            break;
        case 3:
            harness.Answer(4);
            break;
        case 4:
        case 5: {
            const UWORD connectionId = op % 8 == 4 ? 3 : 4;
            harness.mPending[connectionId].Clear(); // lost with the connection
            gRegistryRouter->ConnectionTerminated(connectionId, true);
            break;
        }
        case 6: {
            // A reply nobody asked for, from a connection no search went over.
            const std::uint8_t shape = next();
            cZUNetMessage& stray = world.mStray;
            stray.SetLength(UWORD(shape % 4));
            for (int b = 0; b < stray.mLength; ++b)
                stray.SetDataBufferUBYTE(next(), b);
            stray.SetAddress(5, builder->GetHandle(), 0, shape & 4 ? M_REPLY_FAIL : M_REPLY_OK);
            gRegistryRouter->PostLocalMessage(stray);
            break;
        }
        case 7:
            if (next() % 4 == 0) {
                builder->AbortAllLinksAndExitbusy();
                aborted = true;
            }
            break;
        }
        if (!aborted && builder->GetRequested() != builder->GetMade() + builder->GetQueued())
            __builtin_trap();
    }
    builder->AbortAllLinksAndExitbusy();
    if (builder->GetQueueLength() != 0 || builder->IsBusy())
        __builtin_trap();
    for (int round = 0; round < 100000 && gRegistryRouter->GetNumberOfMessagesInBuffer() > 0; ++round)
        gRegistryRouter->SyscallPollAtMost(64);
    if (gRegistryRouter->GetNumberOfMessagesInBuffer() != 0 || builder->IsBusy())
        __builtin_trap();
    builder.reset();
    // Left as found. The containers keep their storage: a fresh one per input would cost more
    // than the input itself, and whatever an input adds to them it also frees here.
    harness.mIssued.clear();
    for (auto& pending : harness.mPending)
        pending.Clear();
    (void)callbacks;
    return 0;
}
