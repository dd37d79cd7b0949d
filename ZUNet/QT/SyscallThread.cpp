#include "ZUNet/QT/SyscallThread.h"

#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"

namespace
{
/// Lives as long as the process and is never destroyed: a connection thread that read the global
/// just before it was withdrawn may still wake it, even while static objects are torn down at exit.
cSyscallWaitCondition& ProcessWaitCondition()
{
    static cSyscallWaitCondition* const condition = new cSyscallWaitCondition;
    return *condition;
}
} // namespace

cSyscallThread::cSyscallThread()
    : QThread(nullptr)
{
    gSyscallWaitCondition.store(&ProcessWaitCondition());
}

cSyscallThread::~cSyscallThread()
{
    QuitSyscallAndWait();
    gSyscallWaitCondition.store(nullptr);
}

void cSyscallThread::StartSyscall()
{
    if (mRunning.load())
        return;
    if (gRegistryRouter)
        gRegistryRouter->SetSyscallPollCanRun(true);
    mRunEnded.store(false);
    mRunning.store(true);
    start(QThread::NormalPriority);
}

bool cSyscallThread::WorkWaiting() const
{
    cRegistryRouter* router = gRegistryRouter;
    return router && router->GetSyscallPollCanRun() && router->GetNumberOfMessagesInBuffer() > 0;
}

void cSyscallThread::run()
{
    cSyscallWaitCondition& condition = ProcessWaitCondition();
    while (mRunning.load()) {
        if (cRegistryRouter* router = gRegistryRouter)
            router->SyscallPoll();
        // The predicate is checked under the condition's mutex, which every wake-up takes: a post
        // or a stop that comes after the poll is never missed, and a spurious wake-up just loops.
        condition.WaitWhile([this] { return mRunning.load() && !WorkWaiting(); });
    }
    mRunEnded.store(true, std::memory_order_release);
}

void cSyscallThread::QuitSyscallAndWait()
{
    mRunning.store(false);
    if (gRegistryRouter)
        gRegistryRouter->SetSyscallPollCanRun(false);
    ProcessWaitCondition().WakeAll();
    wait();
    (void)mRunEnded.load(std::memory_order_acquire);
    if (cSystemBuilder* builder = gSystemBuilder)
        builder->AbortAllLinksAndExitbusy();
}
