#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/QT/SyscallThread.h"
#include "tests/support/RouterFixture.h"
#include "tests/support/ValueObject.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace
{

/// Counts what reaches it and on which thread; safe to read from the test thread.
class cCountingObject : public cNetObject
{
public:
    explicit cCountingObject(const char* name, bool tickScan = false, bool tockScan = false)
        : cNetObject(name, 1, tickScan, tockScan)
    {
    }
    ~cCountingObject() override { Unregister(); }
    void EntrypointMessage(cZUNetMessage&) override
    {
        mThread.store(QThread::currentThread());
        ++mMessages;
    }
    void ActionTick() override { ++mTicks; }
    void ActionTock() override { ++mTocks; }
    std::atomic<QThread*> mThread { nullptr };
    std::atomic<int> mMessages { 0 };
    std::atomic<int> mTicks { 0 };
    std::atomic<int> mTocks { 0 };
};

cZUNetMessage ValueMessage(UWORD destination, UWORD value)
{
    cZUNetMessage m(2);
    m.SetDataBufferUWORD(value, 0);
    m.SetAddress(0, destination, 0, PARAMETER_BASE);
    return m;
}

} // namespace

class tst_SyscallThread : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void dispatchesOnItsOwnThread();
    void startTwiceStartsOnce();
    void everyPostWakesIt();
    void quitWhileAsleepOrBusy();
    void postersOutliveTheThread();
    void quitAbortsQueuedLinks();
    void linkedValuesTravelOnTheThread();
    void linksQueuedWhileTheThreadWorks();

private:
    std::unique_ptr<cRouterFixture> mRouter;
};

void tst_SyscallThread::init()
{
    mRouter.reset(new cRouterFixture());
}

void tst_SyscallThread::cleanup()
{
    mRouter.reset();
}

void tst_SyscallThread::dispatchesOnItsOwnThread()
{
    QVERIFY(!gSyscallWaitCondition.load());
    cCountingObject object("object");
    {
        cSyscallThread thread;
        QVERIFY(gSyscallWaitCondition.load());
        mRouter->Router().PostLocalMessage(ValueMessage(object.GetHandle(), 1)); // queued before the start
        thread.StartSyscall();
        QTRY_COMPARE(object.mMessages.load(), 1);
        QCOMPARE(object.mThread.load(), static_cast<QThread*>(&thread));
    }
    QVERIFY(!gSyscallWaitCondition.load());
    mRouter->Router().PostLocalMessage(ValueMessage(object.GetHandle(), 2)); // no thread to wake: harmless
    QCOMPARE(object.mMessages.load(), 1);
}

void tst_SyscallThread::startTwiceStartsOnce()
{
    cSyscallThread thread;
    std::atomic<int> starts { 0 };
    connect(
        &thread, &QThread::started, this, [&starts] { ++starts; }, Qt::DirectConnection);
    thread.StartSyscall();
    thread.StartSyscall();
    QVERIFY(thread.IsSyscallRunning());
    thread.QuitSyscallAndWait();
    QVERIFY(thread.isFinished());
    QCOMPARE(starts.load(), 1);
}

void tst_SyscallThread::everyPostWakesIt()
{
    // One message at a time from another thread, each awaited before the next: a lost wake-up
    // leaves a message undelivered and the wait below times out.
    cValueObject object("object");
    std::mutex mutex;
    std::condition_variable delivered;
    int last = -1;
    object.mOnValue = [&](UWORD value) {
        std::lock_guard<std::mutex> locker(mutex);
        last = value;
        delivered.notify_one();
    };
    cSyscallThread thread;
    thread.StartSyscall();
    std::atomic<int> lost { -1 };
    std::thread poster([&] {
        for (int i = 0; i < 3000 && lost.load() < 0; ++i) {
            mRouter->Router().PostLocalMessage(ValueMessage(object.GetHandle(), UWORD(i)));
            std::unique_lock<std::mutex> locker(mutex);
            if (!delivered.wait_for(locker, std::chrono::seconds(5), [&] { return last == i; }))
                lost.store(i);
        }
    });
    poster.join();
    QCOMPARE(lost.load(), -1);
    thread.QuitSyscallAndWait();
}

void tst_SyscallThread::quitWhileAsleepOrBusy()
{
    cCountingObject object("object");
    for (int round = 0; round < 200; ++round) {
        cSyscallThread thread;
        thread.StartSyscall();
        if (round % 2) {
            for (int i = 0; i < 50; ++i)
                mRouter->Router().PostLocalMessage(ValueMessage(object.GetHandle(), UWORD(i)));
        }
        thread.QuitSyscallAndWait(); // must return whether the thread slept or worked
        QVERIFY(thread.isFinished());
        QVERIFY(!mRouter->Router().GetSyscallPollCanRun());
    }
    mRouter->Router().SetSyscallPollCanRun(true);
}

void tst_SyscallThread::postersOutliveTheThread()
{
    // Connection threads keep posting (and so waking) while the syscall thread is stopped and
    // deleted: the wait condition they wake must still be there.
    cCountingObject object("object");
    std::atomic<bool> stop { false };
    std::thread poster([&] {
        while (!stop.load())
            mRouter->Router().PostLocalMessage(ValueMessage(object.GetHandle(), 1));
    });
    for (int round = 0; round < 50; ++round) {
        auto thread = std::make_unique<cSyscallThread>();
        thread->StartSyscall();
        QTRY_VERIFY(object.mMessages.load() > round);
        thread.reset();
    }
    stop.store(true);
    poster.join();
    mRouter->Router().SetSyscallPollCanRun(true);
}

void tst_SyscallThread::quitAbortsQueuedLinks()
{
    mRouter.reset();
    InitialiseSyscall(CONNECTION_TERMINATED_ABORT_COMMANDS, true);
    {
        cSyscallThread thread;
        thread.StartSyscall();
        sParameterLinkingCommand command;
        command.SetSourcePath("missing"); // never found, no callback: sought again and again
        command.SetDestinationPath("missing too");
        gSystemBuilder->AddLinkCommandToList(command, false);
        gSystemBuilder->AddLinkCommandToList(command, false);
        QTRY_VERIFY(gSystemBuilder->IsBusy());
        thread.QuitSyscallAndWait();
        QVERIFY(!gSystemBuilder->IsBusy());
        QCOMPARE(gSystemBuilder->GetQueueLength(), 0);
        QCOMPARE(gSystemBuilder->GetRequested(), ULONG(2));
    }
    UninitialiseSyscall();
    mRouter.reset(new cRouterFixture());
}

void tst_SyscallThread::linkedValuesTravelOnTheThread()
{
    mRouter.reset();
    InitialiseSyscall(CONNECTION_TERMINATED_ABORT_COMMANDS, true);
    {
        cValueObject a("a");
        cValueObject b("b");
        cSyscallThread thread;
        thread.StartSyscall();
        sParameterLinkingCommand command;
        command.SetSourcePath("a");
        command.SetDestinationPath("b");
        command.mSourceParam = PARAMETER_BASE;
        command.mDestParam = PARAMETER_BASE;
        gSystemBuilder->AddLinkCommandToList(command, true);
        QTRY_VERIFY(!gSystemBuilder->IsBusy());
        QTRY_COMPARE(int(gSystemBuilder->GetMade()), 1);
        SyscallMessagesPollLock();
        a.SetValue(300);
        SyscallMessagesPollUnLock();
        QTRY_COMPARE(b.Value(), UWORD(300));
        SyscallMessagesPollLock();
        b.SetValue(301);
        SyscallMessagesPollUnLock();
        QTRY_COMPARE(a.Value(), UWORD(301));
        thread.QuitSyscallAndWait();
    }
    UninitialiseSyscall();
    mRouter.reset(new cRouterFixture());
}

void tst_SyscallThread::linksQueuedWhileTheThreadWorks()
{
    // Commands arrive from this thread while the builder works on earlier ones on the syscall
    // thread; bursts start here whenever it has gone idle in between.
    mRouter.reset();
    InitialiseSyscall(CONNECTION_TERMINATED_ABORT_COMMANDS, true);
    {
        constexpr int kPairs = 300;
        std::vector<std::unique_ptr<cValueObject>> objects;
        for (int i = 0; i < kPairs; ++i) {
            objects.push_back(std::make_unique<cValueObject>(QByteArray("s" + QByteArray::number(i)).constData()));
            objects.push_back(std::make_unique<cValueObject>(QByteArray("d" + QByteArray::number(i)).constData()));
        }
        cSyscallThread thread;
        thread.StartSyscall();
        for (int i = 0; i < kPairs; ++i) {
            sParameterLinkingCommand command;
            command.SetSourcePath(objects[2 * i]->GetName());
            command.SetDestinationPath(objects[2 * i + 1]->GetName());
            command.mSourceParam = PARAMETER_BASE;
            command.mDestParam = PARAMETER_BASE;
            gSystemBuilder->AddLinkCommandToList(command, i % 2 == 0);
            if (i % 37 == 0)
                std::this_thread::yield();
        }
        QTRY_COMPARE(int(gSystemBuilder->GetMade()), kPairs);
        QTRY_VERIFY(!gSystemBuilder->IsBusy());
        thread.QuitSyscallAndWait();
        for (int i = 0; i < kPairs; ++i) {
            const auto* list = objects[2 * i]->GetInformList(PARAMETER_BASE);
            QCOMPARE(int(list->size()), 1);
            QCOMPARE(list->front().mHandle, objects[2 * i + 1]->GetHandle());
            QCOMPARE(int(objects[2 * i + 1]->GetNumberOfInformListItems(PARAMETER_BASE)), i % 2 == 0 ? 1 : 0);
        }
    }
    UninitialiseSyscall();
    mRouter.reset(new cRouterFixture());
}

QTEST_GUILESS_MAIN(tst_SyscallThread)
#include "tst_syscallthread.moc"
