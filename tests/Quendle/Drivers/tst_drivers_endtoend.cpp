// Drivers linked to the unit side running as a separate process (the tests' unit program), by
// unit paths, over a real connection.
#include "Quendle/Drivers/ValueDrivers.h"
#include "ZUNet/Core/NetworkInterface.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/SystemBuilder.h"
#include "ZUNet/QT/NetworkStack.h"
#include "tests/support/MessageData.h"
#include "tests/support/NetTestHelpers.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/TestNetwork.h"
#include "tests/support/UnitProcess.h"

#include <QtTest>

#include <functional>
#include <memory>

namespace
{

const QByteArray kUnitAddress = "10.77.0.2";

// A driver's notification arrives on a later event-loop turn than its value: waits until `spy` has
// `expected` signals, then dispatches and delivers what is still queued, so a second notification
// would show in the count returned.
int SettledCount(const QSignalSpy& spy, int expected)
{
    (void)DispatchUntil([&] { return spy.count() >= expected; });
    for (int turn = 0; turn < 10; ++turn) {
        gRegistryRouter->SyscallPollAtMost(1000);
        QTest::qWait(5);
    }
    return spy.count();
}

QByteArray OnUnit(const char* object)
{
    return kUnitAddress + "/" + object;
}

} // namespace

class tst_DriversEndToEnd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void repeatedWidgetIdsDriveTheirOwnUnitParameters();
};

void tst_DriversEndToEnd::initTestCase()
{
    ZU_REQUIRE_PRIVATE_TEST_NETWORK();
}

void tst_DriversEndToEnd::repeatedWidgetIdsDriveTheirOwnUnitParameters()
{
    auto stack = std::make_unique<cNetworkStack>(cNetworkStack::SystemBuilder);
    cUnitProcess unit;
    QVERIFY(unit.Start({ "--listen", QString::fromLatin1(kUnitAddress) }));
    const UWORD connectionId = NetworkFindConnection(kUnitAddress.constData());
    QCOMPARE(connectionId, UWORD(1));
    {
        // Two layouts with a fader of the same id, each bound to another channel, and a view of
        // the first channel.
        cZUNetUWORDDriver channel1(nullptr, "zunet_fader1");
        cZUNetUWORDDriver channel2(nullptr, "zunet_fader1");
        cZUNetUWORDDriver view(nullptr, "zunet_view1");
        cProbeObject probe("probe");
        QSignalSpy changed1(&channel1, &cZUNetUWORDDriver::ValueChanged);
        QueueDriverLink(channel1, OnUnit("Value1").constData(), PARAMETER_BASE, true, false, nullptr);
        QueueDriverLink(channel2, OnUnit("Value2").constData(), PARAMETER_BASE, true, false, nullptr);
        QueueDriverLink(view, OnUnit("Value1").constData(), PARAMETER_BASE, true, false, nullptr);
        // Everything the view passes on also goes to the unit's counter.
        sParameterLinkingCommand toCounter;
        QVERIFY(toCounter.SetSourcePath(view.GetName()));
        QVERIFY(toCounter.SetDestinationPath(OnUnit("Counter").constData()));
        toCounter.mSourceParam = PARAMETER_BASE;
        toCounter.mDestParam = PARAMETER_BASE;
        SyscallMessagesPollLock();
        gSystemBuilder->AddLinkCommandToList(toCounter, false);
        SyscallMessagesPollUnLock();

        // Sync over the connection: each has its own channel's value. The change notice is posted
        // after the value is stored, so it is waited for too.
        QVERIFY(DispatchUntil([&] {
            return channel1.Value() == 100 && channel2.Value() == 200 && view.Value() == 100 && !changed1.isEmpty();
        }));
        QVERIFY(DispatchUntil([&] { return !gSystemBuilder->IsBusy(); }));
        QCOMPARE(SettledCount(changed1, 1), 1);

        // The unit's counter, asked for what it has seen.
        UWORD counter = ZUNET_NO_HANDLE;
        cZUNetMessage find = MessageWithData(
            connectionId, ZUNET_REGISTRY_HANDLE, probe.GetHandle(), M_REG_FIND_OBJECT, QByteArray("Counter", 8));
        SyscallSendMessage(find);
        QVERIFY(DispatchUntil([&] { return !probe.mReceived.isEmpty(); }));
        QVERIFY(probe.mReceived.last().ReadUWORD(0, counter));
        auto counted = [&] {
            const int before = probe.mReceived.size();
            cZUNetMessage ask = MessageWithData(connectionId, counter, probe.GetHandle(), PARAMETER_BASE + 1);
            SyscallSendMessage(ask);
            ULONG count = 0;
            if (DispatchUntil([&] { return probe.mReceived.size() > before; }))
                (void)probe.mReceived.last().ReadULONG(0, count);
            return count;
        };
        const ULONG countedBefore = counted();

        // A move of the first fader reaches channel 1 on the unit, which tells the view; the view
        // passes it on to the counter once. Channel 2 is untouched.
        channel1.SetValue(555);
        QVERIFY(DispatchUntil([&] { return view.Value() == 555 && changed1.count() >= 2; }));
        QCOMPARE(channel2.Value(), UWORD(200));
        QCOMPARE(channel1.Value(), UWORD(555));
        QCOMPARE(SettledCount(changed1, 2), 2);
        QCOMPARE(counted(), countedBefore + 1);
        stack->Stop();
    }
    QVERIFY(unit.Stop());
    stack.reset();
}

QTEST_GUILESS_MAIN(tst_DriversEndToEnd)
#include "tst_drivers_endtoend.moc"
