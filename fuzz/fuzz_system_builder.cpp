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
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

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

class cHarness : public cNetworkInterface
{
public:
    std::map<std::string, sAddress> mTruth; // what the registries answer
    std::vector<sIssued> mIssued; // by command id (its parameter offset); kept warm between inputs
    std::deque<cZUNetMessage> mPending[6]; // find requests a unit has not answered yet, per connection

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
        if (message.mMethod == M_REG_FIND_OBJECT && message.mConnectionId < 6)
            mPending[message.mConnectionId].push_back(message);
        else
            CheckLinkRequest(message.mConnectionId, message.mDestination, message);
    }
    void SendDatagramMessage(const cZUNetMessage&) override { }

    std::string UnitPath(UWORD connectionId, const char* name) const
    {
        return (connectionId == 3 ? "UnitA/" : "UnitB/") + std::string(name);
    }

    void Answer(UWORD connectionId)
    {
        if (mPending[connectionId].empty())
            return;
        cZUNetMessage request = mPending[connectionId].front();
        mPending[connectionId].pop_front();
        auto it = mTruth.find(UnitPath(connectionId, request.GetDataBufferString(0)));
        cZUNetMessage reply(it != mTruth.end() ? 2 : 0);
        if (it != mTruth.end())
            reply.SetDataBufferUWORD(it->second.mHandle, 0);
        reply.SetAddress(connectionId, request.mSource, 0, it != mTruth.end() ? M_REPLY_OK : M_REPLY_FAIL);
        gRegistryRouter->PostLocalMessage(reply);
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
        const sAddress& source = mTruth.at(kPaths[issued.mSource]);
        const sAddress& destination = mTruth.at(kPaths[issued.mDestination]);
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
            mHarness.mTruth[name] = sAddress { 0, mObjects.back()->GetHandle() };
        }
        mHarness.mTruth["UnitA/a"] = sAddress { 3, 0x21 };
        mHarness.mTruth["UnitA/b"] = sAddress { 3, 0x22 };
        mHarness.mTruth["UnitB/c"] = sAddress { 4, 0x31 };
    }
    cHarness mHarness;
    std::vector<std::unique_ptr<cLocalObject>> mObjects;
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
            harness.mPending[connectionId].clear(); // lost with the connection
            gRegistryRouter->ConnectionTerminated(connectionId, true);
            break;
        }
        case 6: {
            // A reply nobody asked for, from a connection no search went over.
            const std::uint8_t shape = next();
            cZUNetMessage stray(UWORD(shape % 4));
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
        pending.clear();
    (void)callbacks;
    return 0;
}
