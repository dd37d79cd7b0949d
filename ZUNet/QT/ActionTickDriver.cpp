#include "ZUNet/QT/ActionTickDriver.h"

#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/ZUNetMethods.h"

cActionTickDriver::cActionTickDriver(cActionTickParent* parent)
    : QThread(nullptr)
    , cNetObject("Action Tick Driver", 0, true, false)
    , mParent(parent)
{
    mTickMessage.SetLength(0);
    mTickMessage.SetAddress(ZUNET_LOCAL_CONNECTION, ZUNET_REGISTRY_HANDLE, ZUNET_NO_HANDLE, M_REG_TICK);
    moveToThread(this);
    setObjectName(QStringLiteral("ActionTickThread"));
    // The first tick goes whether or not ticks are on; it waits for the syscall thread.
    mOutstandingTicks.fetch_add(1);
    SyscallSendMessage(mTickMessage);
}

cActionTickDriver::~cActionTickDriver()
{
    mBeingDestroyed.store(true);
    quit();
    wait();
    (void)mRunEnded.load(std::memory_order_acquire);
    Unregister();
}

void cActionTickDriver::StartTimer()
{
    start(QThread::InheritPriority);
}

void cActionTickDriver::run()
{
    auto* timer = new cActionTickObject(this);
    setPriority(QThread::HighPriority);
    exec();
    delete timer;
    mRunEnded.store(true, std::memory_order_release);
}

void cActionTickDriver::TickMe()
{
    timerEvent(nullptr);
}

void cActionTickDriver::timerEvent(QTimerEvent* event)
{
    if (mBeingDestroyed.load())
        return;
    if (mParent)
        mParent->ParentActionTick(event);
    PostSyscallTick();
}

void cActionTickDriver::PostSyscallTick()
{
    if (!SyscallGetStartTicks())
        return;
    // Skipped, not deferred, while the syscall thread is behind.
    if (SyscallGetNumberOfMessagesInBuffer() > kMaxQueuedForTick || mOutstandingTicks.load() > kMaxOutstandingForTick)
        return;
    mOutstandingTicks.fetch_add(1);
    SyscallSendMessage(mTickMessage);
}

void cActionTickDriver::ActionTick()
{
    mOutstandingTicks.fetch_sub(1);
}

cActionTickObject::cActionTickObject(cActionTickDriver* driver)
    : QObject(driver)
    , mDriver(driver)
    , mTimerId(startTimer(cActionTickDriver::kTickPeriodMs, Qt::PreciseTimer))
{
}

cActionTickObject::~cActionTickObject()
{
    if (mTimerId != 0)
        killTimer(mTimerId);
}

void cActionTickObject::timerEvent(QTimerEvent*)
{
    mDriver->TickMe();
}
