#include "ZUNet/QT/ActionTickDriver.h"
#include "ZUNet/QT/SyscallThread.h"
#include "tests/support/RouterFixture.h"

#include <QtTest>

#include <atomic>
#include <memory>

namespace
{

class cCountingParent : public cActionTickParent
{
public:
    void ParentActionTick(QTimerEvent*) override { ++mTicks; }
    std::atomic<int> mTicks { 0 };
};

class cScanned : public cNetObject
{
public:
    cScanned()
        : cNetObject("scanned", 0, true, true)
    {
    }
    ~cScanned() override { Unregister(); }
    void ActionTick() override { ++mTicks; }
    void ActionTock() override { ++mTocks; }
    std::atomic<int> mTicks { 0 };
    std::atomic<int> mTocks { 0 };
};

} // namespace

class tst_ActionTick : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void firstTickAndItsMessage();
    void tickLimits_data();
    void tickLimits();
    void timerPostsNothingWhileTicksAreOff();
    void timerKeepsAtMostTwoTicksOutstanding();
    void ticksAndTocksReachScannedObjects();

private:
    void FillQueue(int count);
    std::unique_ptr<cRouterFixture> mRouter;
};

void tst_ActionTick::init()
{
    mRouter.reset(new cRouterFixture());
    SyscallSetStartTicks(false);
}

void tst_ActionTick::cleanup()
{
    SyscallSetStartTicks(false);
    mRouter.reset();
}

void tst_ActionTick::FillQueue(int count)
{
    cZUNetMessage m;
    m.mConnectionId = 0;
    m.mDestination = 500; // nobody
    m.mMethod = PARAMETER_BASE;
    for (int i = 0; i < count; ++i)
        mRouter->Router().PostLocalMessage(m);
}

void tst_ActionTick::firstTickAndItsMessage()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
        cActionTickDriver driver(nullptr); // ticks are off: the first tick goes all the same
        QCOMPARE(driver.objectName(), QString("ActionTickThread"));
        QCOMPARE(QString(driver.GetName()), QString("Action Tick Driver"));
        QCOMPARE(driver.GetNumberOfParameters(), UWORD(0));
        QCOMPARE(driver.OutstandingTicks(), 1);
        QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(1));
        mRouter->Router().PrintMesspools();
        mRouter->Drain(); // the registry runs the tick scan: the driver counts its tick processed
        QCOMPARE(driver.OutstandingTicks(), 0);
    }
    QFile file(dir.filePath("Messpools.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    QDir::setCurrent(previous);
    QCOMPARE(lines.value(1),
        QString("Message - Connection ID: 0   RawMethod: 1  Adjusted: 1  Is: M_REG_TICK   "
                "Length: 0   Source: \"INVALID_HANDLE\"   Destination: \"Registry\""));
    QCOMPARE(mRouter->Router().GetHandle("Action Tick Driver"), UWORD(0xFFFF)); // unregistered with it
}

void tst_ActionTick::tickLimits_data()
{
    QTest::addColumn<bool>("ticksOn");
    QTest::addColumn<int>("queued"); // messages in the queue besides ticks
    QTest::addColumn<int>("outstanding"); // ticks posted and not processed
    QTest::addColumn<bool>("posts");
    QTest::newRow("ticks off") << false << 0 << 0 << false;
    QTest::newRow("4999 queued") << true << 4999 << 0 << true;
    QTest::newRow("5000 queued") << true << 5000 << 0 << false;
    QTest::newRow("one outstanding") << true << 0 << 1 << true;
    QTest::newRow("two outstanding") << true << 0 << 2 << false;
}

void tst_ActionTick::tickLimits()
{
    QFETCH(bool, ticksOn);
    QFETCH(int, queued);
    QFETCH(int, outstanding);
    QFETCH(bool, posts);
    cActionTickDriver driver(nullptr);
    mRouter->Drain(); // the first tick processed
    SyscallSetStartTicks(true);
    for (int i = 0; i < outstanding; ++i)
        driver.TickMe();
    QCOMPARE(driver.OutstandingTicks(), outstanding);
    FillQueue(queued);
    SyscallSetStartTicks(ticksOn);
    const ULONG before = mRouter->Router().GetNumberOfMessagesInBuffer();
    driver.TickMe();
    QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), before + (posts ? 1 : 0));
    QCOMPARE(driver.OutstandingTicks(), outstanding + (posts ? 1 : 0));

    if (outstanding == 2) {
        // Once the registry has processed one of them, the next tick posts again.
        mRouter->Drain(1);
        QCOMPARE(driver.OutstandingTicks(), 1);
        driver.TickMe();
        QCOMPARE(driver.OutstandingTicks(), 2);
    }
    mRouter->Drain();
}

void tst_ActionTick::timerPostsNothingWhileTicksAreOff()
{
    cCountingParent parent;
    cActionTickDriver driver(&parent);
    driver.StartTimer();
    QTRY_VERIFY(parent.mTicks.load() >= 5);
    QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(1)); // the constructor's only
    QTRY_COMPARE(driver.priority(), QThread::HighPriority);
}

void tst_ActionTick::timerKeepsAtMostTwoTicksOutstanding()
{
    cCountingParent parent;
    cActionTickDriver driver(&parent);
    SyscallSetStartTicks(true);
    driver.StartTimer();
    QTRY_COMPARE(driver.OutstandingTicks(), 2);
    const int seen = parent.mTicks.load();
    QTRY_VERIFY(parent.mTicks.load() >= seen + 3);
    QCOMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(2));
    // Dispatch here, beside the ticking thread: each processed tick lets the timer post one more.
    mRouter->Drain(2);
    QTRY_COMPARE(mRouter->Router().GetNumberOfMessagesInBuffer(), ULONG(4)); // two tocks, two new ticks
    QCOMPARE(driver.OutstandingTicks(), 2);
}

void tst_ActionTick::ticksAndTocksReachScannedObjects()
{
    cScanned scanned;
    cSyscallThread thread;
    cActionTickDriver driver(nullptr);
    thread.StartSyscall();
    driver.StartTimer();
    QTRY_COMPARE(scanned.mTicks.load(), 1); // the constructor's tick, ticks still off
    QTRY_COMPARE(scanned.mTocks.load(), 1);
    SyscallSetStartTicks(true);
    QTRY_VERIFY(scanned.mTicks.load() >= 5);
    QTRY_VERIFY(scanned.mTocks.load() >= 5);
    SyscallSetStartTicks(false);
    thread.QuitSyscallAndWait();
}

QTEST_GUILESS_MAIN(tst_ActionTick)
#include "tst_actiontick.moc"
