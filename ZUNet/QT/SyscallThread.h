#pragma once

#include <QThread>

#include <atomic>

/// The one thread on which every net object's EntrypointMessage, ActionTick and ActionTock run:
/// it drains the registry router's queue, one message at a time under the poll lock, and sleeps
/// on `gSyscallWaitCondition` while there is nothing to dispatch.
class cSyscallThread : public QThread
{
public:
    /// Publishes `gSyscallWaitCondition`. One syscall thread per process.
    cSyscallThread();
    /// Stops as `QuitSyscallAndWait` does, then withdraws `gSyscallWaitCondition`.
    ~cSyscallThread() override;

    /// Lets the router dispatch and starts the thread; nothing when it already runs.
    void StartSyscall();
    /// Stops dispatch, wakes the thread, waits for it to end, then aborts the system builder's
    /// queued links.
    void QuitSyscallAndWait();
    bool IsSyscallRunning() const { return mRunning.load(); }

protected:
    void run() override;

private:
    bool WorkWaiting() const;

    std::atomic<bool> mRunning { false };
    std::atomic<bool> mRunEnded { false }; // tells the joining thread (and ThreadSanitizer) the loop is over
};
