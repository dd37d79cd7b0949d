#include "ZUNet/QT/TestDottedIPAddress.h"
#include "ZUNet/QT/TestSettings.h"
#include "tests/support/FakeUnit.h"
#include "tests/support/NetTestHelpers.h"

#include <QtTest>

#include <atomic>
#include <thread>

namespace
{
/// Counts FinishedSignal as the probe's thread emits it.
struct sFinishedCounter {
    explicit sFinishedCounter(cTestDottedIPAddress& probe)
    {
        QObject::connect(&probe, &cTestDottedIPAddress::FinishedSignal, [this] { ++mCount; });
    }
    int count() const { return mCount.load(); }
    std::atomic<int> mCount { 0 };
};
} // namespace

class tst_DottedProbe : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { ZUNetTestSettings::Reset(); }
    void reachableUnitGetsByeThenEndOfStream();
    void nothingListeningFailsAtOnce();
    void silentAddressFailsAfterTheTimeOut();
    void startTwiceProbesOnce();
    void waitUntilFinishedFromAnotherThread();
    void neverStartedProbeIsDeletedCleanly();
};

void tst_DottedProbe::reachableUnitGetsByeThenEndOfStream()
{
    cFakeUnit unit(QHostAddress("127.0.0.2"));
    cTestDottedIPAddress probe(nullptr, "127.0.0.2");
    sFinishedCounter finished(probe);
    QCOMPARE(probe.GetState(), cTestDottedIPAddress::Running);
    probe.Start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 3000);
    QCOMPARE(probe.GetState(), cTestDottedIPAddress::Reachable);
    QTRY_VERIFY(unit.Ended(0));
    QCOMPARE(unit.Received(0).toHex(' '), QByteArray("e0 00 03 42 59 45 e7"));
    QTest::qWait(20);
    QCOMPARE(finished.count(), 1);
}

void tst_DottedProbe::nothingListeningFailsAtOnce()
{
    cTestDottedIPAddress probe(nullptr, "127.0.0.3");
    sFinishedCounter finished(probe);
    QElapsedTimer timer;
    timer.start();
    probe.Start();
    probe.WaitUntilFinished();
    QVERIFY(timer.elapsed() < 1000);
    QCOMPARE(probe.GetState(), cTestDottedIPAddress::Failed);
    QTRY_COMPARE(finished.count(), 1);
}

void tst_DottedProbe::silentAddressFailsAfterTheTimeOut()
{
    // The real 4000 ms is shortened; a listener with a full queue drops the probe's SYNs.
    ZUNetTestSettings::SetProbeTimeout(300);
    cFullBacklogListener silent("127.0.0.4", 51321);
    QVERIFY(silent.IsValid());
    cTestDottedIPAddress probe(nullptr, "127.0.0.4");
    sFinishedCounter finished(probe);
    QElapsedTimer timer;
    timer.start();
    probe.Start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 3000);
    QVERIFY(timer.elapsed() >= 250);
    QCOMPARE(probe.GetState(), cTestDottedIPAddress::Failed);
    QTest::qWait(50);
    QCOMPARE(finished.count(), 1);
}

void tst_DottedProbe::startTwiceProbesOnce()
{
    cFakeUnit unit(QHostAddress("127.0.0.2"));
    cTestDottedIPAddress probe(nullptr, "127.0.0.2");
    sFinishedCounter finished(probe);
    probe.Start();
    probe.Start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 3000);
    probe.Start();
    QTest::qWait(100);
    QCOMPARE(unit.AcceptedCount(), 1);
    QCOMPARE(finished.count(), 1);
}

void tst_DottedProbe::waitUntilFinishedFromAnotherThread()
{
    cFakeUnit unit(QHostAddress("127.0.0.2"));
    cTestDottedIPAddress probe(nullptr, "127.0.0.2");
    std::atomic<int> seen { -1 };
    std::thread waiter([&] {
        probe.WaitUntilFinished();
        seen = probe.GetState();
    });
    probe.Start();
    QTRY_COMPARE(seen.load(), int(cTestDottedIPAddress::Reachable));
    waiter.join();
    probe.WaitUntilFinished(); // returns at once when finished
}

void tst_DottedProbe::neverStartedProbeIsDeletedCleanly()
{
    QPointer<QObject> parent = new QObject;
    auto* probe = new cTestDottedIPAddress(parent, "127.0.0.2");
    QCOMPARE(probe->GetState(), cTestDottedIPAddress::Running);
    delete parent; // takes the probe and its worker
    QVERIFY(parent.isNull());
}

QTEST_GUILESS_MAIN(tst_DottedProbe)
#include "tst_dottedprobe.moc"
