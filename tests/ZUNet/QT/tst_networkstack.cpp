#include "ZUNet/Core/NetObject.h"
#include "ZUNet/Core/NetworkInterface.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/ZUNetMethods.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "ZUNet/QT/NetworkStack.h"

#include <QtTest>

#include <atomic>
#include <memory>

namespace
{

/// Counts what the syscall thread hands it; read from the test thread.
class cCountingObject : public cNetObject
{
public:
    cCountingObject()
        : cNetObject("counting", 0, true, false)
    {
    }
    ~cCountingObject() override { Unregister(); }
    void EntrypointMessage(cZUNetMessage& message) override
    {
        if (message.mMethod == PARAMETER_BASE)
            ++mMessages;
        else
            cNetObject::EntrypointMessage(message);
    }
    void ActionTick() override { ++mTicks; }

    void Post()
    {
        cZUNetMessage message;
        message.mConnectionId = ZUNET_LOCAL_CONNECTION;
        message.mDestination = GetHandle();
        message.mSource = ZUNET_NO_HANDLE;
        message.mMethod = PARAMETER_BASE;
        SyscallMessagesPollLock();
        SyscallSendMessage(message);
        SyscallMessagesPollUnLock();
    }

    std::atomic<int> mMessages { 0 };
    std::atomic<int> mTicks { 0 };
};

} // namespace

class tst_NetworkStack : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void partsStartAndStop_data();
    void partsStartAndStop();
    void destroyedWithoutStart();
};

void tst_NetworkStack::partsStartAndStop_data()
{
    QTest::addColumn<unsigned>("parts");
    QTest::newRow("everything") << unsigned(cNetworkStack::AllParts);
    QTest::newRow("no ticks") << unsigned(cNetworkStack::SystemBuilder | cNetworkStack::SyscallThread);
    QTest::newRow("caller dispatches") << unsigned(cNetworkStack::SystemBuilder);
    QTest::newRow("router and connections only") << 0u;
}

void tst_NetworkStack::partsStartAndStop()
{
    QFETCH(unsigned, parts);
    const bool ownThread = parts & cNetworkStack::SyscallThread;
    const bool ticks = parts & cNetworkStack::Ticks;
    {
        cNetworkStack stack(parts);
        QVERIFY(gRegistryRouter);
        QCOMPARE(gSystemBuilder != nullptr, bool(parts & cNetworkStack::SystemBuilder));
        QVERIFY(stack.Connections());
        QCOMPARE(stack.Connections(), cNetworkConnection::Instance());
        QCOMPARE(GetNetworkInterface(), static_cast<cNetworkInterface*>(stack.Connections()));
        QCOMPARE(gSyscallWaitCondition.load() != nullptr, ownThread);

        cCountingObject object;
        stack.Start();
        QCOMPARE(SyscallGetStartTicks(), ticks);
        object.Post();
        if (ownThread)
            QTRY_COMPARE(object.mMessages.load(), 1);
        else
            QTRY_COMPARE((gRegistryRouter->SyscallPoll(), object.mMessages.load()), 1);
        if (ticks)
            QTRY_VERIFY(object.mTicks.load() >= 2);

        // Nothing is dispatched once stopped, so the objects can go.
        stack.Stop();
        QVERIFY(!SyscallGetStartTicks());
        const ULONG queued = SyscallGetNumberOfMessagesInBuffer();
        object.Post();
        QCOMPARE(SyscallGetNumberOfMessagesInBuffer(), queued + 1);
        QCOMPARE(object.mMessages.load(), 1);
        stack.Stop();
    }
    QVERIFY(!gRegistryRouter);
    QVERIFY(!gSystemBuilder);
    QVERIFY(!gSyscallWaitCondition.load());
    QVERIFY(!GetNetworkInterface());
    QVERIFY(!SyscallGetStartTicks());
}

void tst_NetworkStack::destroyedWithoutStart()
{
    {
        cNetworkStack stack;
        QVERIFY(!SyscallGetStartTicks());
    }
    QVERIFY(!gRegistryRouter);
    QVERIFY(!GetNetworkInterface());
    // The manager may be made again: stopping does not forbid it.
    cNetworkStack again(0);
    QVERIFY(again.Connections());
}

QTEST_GUILESS_MAIN(tst_NetworkStack)
#include "tst_networkstack.moc"
