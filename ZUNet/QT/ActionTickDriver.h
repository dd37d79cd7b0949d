#pragma once

#include "ZUNet/Core/NetObject.h"

#include <QObject>
#include <QThread>

#include <atomic>

class QTimerEvent;

/// Told of every timer tick of an action-tick driver (no user in this system).
class cActionTickParent
{
public:
    virtual ~cActionTickParent() = default;
    virtual void ParentActionTick(QTimerEvent* event) = 0;
};

/// The system's clock: every 20 ms, while ticks are switched on, it posts M_REG_TICK to the
/// registry, which runs the tick scan and then the tock scan on the syscall thread. A tick is
/// skipped (not deferred) while the queue holds 5000 messages or two ticks are unprocessed.
class cActionTickDriver : public QThread, public cNetObject
{
public:
    static constexpr int kTickPeriodMs = 20;
    static constexpr ULONG kMaxQueuedForTick = 4999;
    static constexpr int kMaxOutstandingForTick = 1;

    /// Registers the net object "Action Tick Driver" and queues one first tick at once.
    explicit cActionTickDriver(cActionTickParent* parent);
    ~cActionTickDriver() override;

    /// Starts the tick thread.
    void StartTimer();
    /// One tick step, as the timer does it.
    void TickMe();
    /// Posts a tick when ticks are on and the limits allow it.
    void PostSyscallTick();
    /// Runs on the syscall thread for every tick the registry processes.
    void ActionTick() override;

    int OutstandingTicks() const { return mOutstandingTicks.load(); }

protected:
    void run() override;
    void timerEvent(QTimerEvent* event) override;

private:
    cZUNetMessage mTickMessage;
    std::atomic<int> mOutstandingTicks { 0 };
    cActionTickParent* mParent;
    std::atomic<bool> mBeingDestroyed { false };
    std::atomic<bool> mRunEnded { false };
};

/// Holds the 20 ms precise timer on the tick thread.
class cActionTickObject : public QObject
{
public:
    explicit cActionTickObject(cActionTickDriver* driver);
    ~cActionTickObject() override;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    cActionTickDriver* mDriver;
    int mTimerId;
};
