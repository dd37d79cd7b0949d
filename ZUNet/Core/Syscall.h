#pragma once

#include "ZUNet/Core/ZUNetMessage.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

class cRegistryRouter;
class cSystemBuilder;

/// What the system builder does with its queued link commands when a connection ends.
enum eConnectionTerminatedBehaviour : int {
    CONNECTION_TERMINATED_DROP_UNIT_COMMANDS = 0,
    CONNECTION_TERMINATED_ABORT_COMMANDS = 1,
};

extern cRegistryRouter* gRegistryRouter;
extern cSystemBuilder* gSystemBuilder;

/// The syscall thread sleeps here while the queue is empty; every post wakes it. Wake-ups take
/// the mutex the sleeper checks its predicate under, so none is lost.
class cSyscallWaitCondition
{
public:
    void WakeAll();
    /// Sleeps while `keepSleeping()` (checked under the mutex) is true, at most `timeout`.
    template <typename Predicate>
    void WaitWhile(Predicate keepSleeping, std::chrono::milliseconds timeout = std::chrono::hours(24))
    {
        std::unique_lock<std::mutex> locker(mMutex);
        mWaiters.fetch_add(1);
        mCondition.wait_for(locker, timeout, [&] { return !keepSleeping(); });
        mWaiters.fetch_sub(1);
    }

private:
    std::mutex mMutex;
    std::condition_variable mCondition;
    std::atomic<int> mWaiters { 0 };
};

extern std::atomic<cSyscallWaitCondition*> gSyscallWaitCondition;

void InitialiseSyscall(eConnectionTerminatedBehaviour behaviour, bool createSystemBuilder);
void UninitialiseSyscall();
void SetSystemBuilder(cSystemBuilder* builder);

void SyscallSetStartTicks(bool startTicks);
bool SyscallGetStartTicks();

void SyscallSendMessage(cZUNetMessage& message);
void SyscallSendDatagramMessage(const cZUNetMessage& message);
void SyscallMessagesPollLock();
void SyscallMessagesPollUnLock();
ULONG SyscallGetNumberOfMessagesInBuffer();
