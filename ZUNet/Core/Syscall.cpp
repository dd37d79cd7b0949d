#include "ZUNet/Core/Syscall.h"

#include "ZUNet/Core/NetworkInterface.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/Core/Trace.h"

cRegistryRouter* gRegistryRouter = nullptr;
cSystemBuilder* gSystemBuilder = nullptr;
std::atomic<cSyscallWaitCondition*> gSyscallWaitCondition { nullptr };

namespace
{
std::recursive_mutex& StartTicksMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}
bool gStartTicks = false;
} // namespace

void cSyscallWaitCondition::WakeAll()
{
    if (mWaiters.load() == 0)
        return;
    // Taking the mutex orders this wake-up after a sleeper's check of its predicate; notifying
    // after letting it go spares the woken thread from blocking on it at once.
    {
        std::lock_guard<std::mutex> locker(mMutex);
    }
    mCondition.notify_all();
}

void InitialiseSyscall(eConnectionTerminatedBehaviour behaviour, bool createSystemBuilder)
{
    gRegistryRouter = new cRegistryRouter();
    if (createSystemBuilder) {
        auto* builder = new cSystemBuilder("ZUNet System Builder", 0, 40, behaviour, nullptr);
        SetSystemBuilder(builder);
        if (gSystemBuilder != builder)
            delete builder;
    }
    NetworkInitialise();
}

void UninitialiseSyscall()
{
    delete gSystemBuilder;
    gSystemBuilder = nullptr;
    delete gRegistryRouter;
    gRegistryRouter = nullptr;
}

void SetSystemBuilder(cSystemBuilder* builder)
{
    if (gSystemBuilder) {
        ZU_ERR("SystemBuilder allready set!");
        return;
    }
    gSystemBuilder = builder;
}

void SyscallSetStartTicks(bool startTicks)
{
    std::lock_guard<std::recursive_mutex> locker(StartTicksMutex());
    gStartTicks = startTicks;
}

bool SyscallGetStartTicks()
{
    std::lock_guard<std::recursive_mutex> locker(StartTicksMutex());
    return gStartTicks;
}

void SyscallSendMessage(cZUNetMessage& message)
{
    if (message.mConnectionId == ZUNET_LOCAL_CONNECTION) {
        if (gRegistryRouter)
            gRegistryRouter->PostLocalMessage(message);
    } else {
        SendNetworkMessage(message);
    }
}

void SyscallSendDatagramMessage(const cZUNetMessage& message)
{
    if (message.mConnectionId == ZUNET_LOCAL_CONNECTION) {
        if (gRegistryRouter)
            gRegistryRouter->PostLocalMessage(message);
    } else {
        SendNetworkDatagramMessage(message);
    }
}

void SyscallMessagesPollLock()
{
    if (gRegistryRouter)
        gRegistryRouter->MessagesPollLock();
}

void SyscallMessagesPollUnLock()
{
    if (gRegistryRouter)
        gRegistryRouter->MessagesPollUnLock();
}

ULONG SyscallGetNumberOfMessagesInBuffer()
{
    return gRegistryRouter ? gRegistryRouter->GetNumberOfMessagesInBuffer() : 0;
}
