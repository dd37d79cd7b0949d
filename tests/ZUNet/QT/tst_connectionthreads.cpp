#include "Common/Qt/UnitFinder.h"
#include "ZUNet/QT/ConnectionThreads.h"
#include "tests/support/FakeUnit.h"
#include "tests/support/NetTestHelpers.h"
#include "tests/support/RecordingLinkHandler.h"

#include <QtTest>

#include <thread>

class tst_ConnectionThreads : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void resolveHostName_data();
    void resolveHostName();
    void withoutAFinderOnlyAddressesResolve();
    void unresolvableHostEndsTheAttemptAtOnce();
    void connectReleasesTheWaiter();
    void abortEndsAHangingAttempt();
    void helloAckOpensTheDatagramLink_data();
    void helloAckOpensTheDatagramLink();
    void disconnectIsReportedOnce_data();
    void disconnectIsReportedOnce();
};

void tst_ConnectionThreads::resolveHostName_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("resolves");
    QTest::addColumn<QString>("address");
    QTest::newRow("dotted quad") << "192.168.1.20" << true << "192.168.1.20";
    QTest::newRow("test network") << "10.77.0.2" << true << "10.77.0.2";
    QTest::newRow("two dots") << "1.2.3" << false << "";
    QTest::newRow("three dots, not numbers") << "a.b.c.d" << false << "";
    QTest::newRow("out of range") << "1.2.3.256" << false << "";
    QTest::newRow("found unit") << "unit.one" << true << "127.0.0.2";
    QTest::newRow("found unit, other case") << "Unit.one" << false << "";
    QTest::newRow("unknown unit") << "unit.two" << false << "";
    QTest::newRow("dotted quad of no unit") << "10.0.0.9" << true << "10.0.0.9";
    QTest::newRow("empty") << "" << false << "";
}

void tst_ConnectionThreads::resolveHostName()
{
    QFETCH(QString, host);
    QFETCH(bool, resolves);
    QFETCH(QString, address);
    // A finder that has heard a unit's announcement; it never sends a request.
    cMultiUnitFinder finder;
    finder.SetTimerRunning(false);
    finder.StartFindingUnits(QStringLiteral("Test Find"), false);
    finder.ProcessDiscoveryDatagram(QByteArray("ZU_UFV2\0Test Find\0unit.one\0{}\0", 30), QHostAddress("127.0.0.2"));
    QCOMPARE(finder.GetFoundUnits().size(), 1);
    gMultiUnitFinder.store(&finder);
    cClientConnectionThreadWorker worker(1, host.toStdString());
    QHostAddress resolved;
    QCOMPARE(worker.ResolveHostName(resolved), resolves);
    if (resolves)
        QCOMPARE(resolved, QHostAddress(address));
}

void tst_ConnectionThreads::withoutAFinderOnlyAddressesResolve()
{
    QVERIFY(!gMultiUnitFinder.load());
    cClientConnectionThreadWorker byName(1, "unit.one");
    cClientConnectionThreadWorker byAddress(1, "127.0.0.2");
    QHostAddress resolved;
    QVERIFY(!byName.ResolveHostName(resolved));
    QVERIFY(byAddress.ResolveHostName(resolved));
}

void tst_ConnectionThreads::unresolvableHostEndsTheAttemptAtOnce()
{
    cClientConnectionThreadController controller(3, "no.such.unit");
    controller.Start();
    controller.WaitForSocketAttemptingConnection();
    QVERIFY(!controller.IsSocketConnected());
    QVERIFY(!controller.DidHostNameResolve());
    QCOMPARE(controller.GetSocketErrorValue(), -2);
    QCOMPARE(controller.GetConnectionID(), UWORD(3));
    QCOMPARE(controller.GetHostName(), std::string("no.such.unit"));
}

void tst_ConnectionThreads::connectReleasesTheWaiter()
{
    cFakeUnit unit(QHostAddress("127.0.0.2"));
    cClientConnectionThreadController controller(1, "127.0.0.2");
    controller.Start();
    controller.WaitForSocketAttemptingConnection();
    QVERIFY(controller.IsSocketConnected());
    QVERIFY(controller.DidHostNameResolve());
    QVERIFY(!controller.WasSocketErrorReported());
    QTRY_COMPARE(unit.AcceptedCount(), 1);
}

void tst_ConnectionThreads::abortEndsAHangingAttempt()
{
    cFullBacklogListener silent("127.0.0.4", 51321);
    QVERIFY(silent.IsValid());
    cClientConnectionThreadController controller(1, "127.0.0.4");
    controller.Start();
    std::atomic<bool> released { false };
    std::thread waiter([&] {
        controller.WaitForSocketAttemptingConnection();
        released = true;
    });
    QTest::qWait(200);
    QVERIFY(!released.load());
    controller.AbortPendingConnectionAttempt();
    QTRY_VERIFY(released.load());
    waiter.join();
    QVERIFY(!controller.IsSocketConnected());
    QVERIFY(controller.DidHostNameResolve());
}

void tst_ConnectionThreads::helloAckOpensTheDatagramLink_data()
{
    QTest::addColumn<bool>("watched");
    QTest::newRow("watched for lost comms") << true;
    QTest::newRow("not watched") << false;
}

void tst_ConnectionThreads::helloAckOpensTheDatagramLink()
{
    QFETCH(bool, watched);
    cRecordingLinkHandler handler;
    cFakeUnit unit(QHostAddress("127.0.0.2"));
    cClientConnectionThreadController controller(4, "127.0.0.2");
    controller.SetLinkEventHandler(&handler);
    if (!watched)
        controller.DontRegisterForLostComms();
    const UBYTE keepAlive[] = { 3 };
    controller.SendNetworkDatagramMessage(keepAlive, 1); // no link yet: dropped
    controller.Start();
    controller.WaitForSocketAttemptingConnection();
    QTRY_VERIFY(unit.HelloPort(0) != 0); // HELLO 01 03 pp pp, pp our datagram port
    QCOMPARE(unit.Received(0).left(5).toHex(' '), QByteArray("e0 00 04 01 03"));
    controller.SendNetworkDatagramMessage(keepAlive, 1); // remote port unknown: dropped
    QTest::qWait(50);
    QVERIFY(unit.Datagrams().isEmpty());

    const quint16 own = unit.DatagramPort();
    QByteArray ack = QByteArray::fromHex("E000040203");
    ack.append(char(own >> 8)).append(char(own & 0xFF)).append(char(0xE7));
    unit.Send(0, ack);
    QElapsedTimer timer;
    timer.start();
    while (unit.Datagrams().isEmpty() && timer.elapsed() < 3000) {
        controller.SendNetworkDatagramMessage(keepAlive, 1);
        QTest::qWait(10);
    }
    QVERIFY(!unit.Datagrams().isEmpty());
    QCOMPARE(unit.Datagrams().first().first, unit.HelloPort(0));
    QCOMPARE(unit.Datagrams().first().second.toHex(' '), QByteArray("e0 00 01 03 e7"));
    QCOMPARE(handler.Registered(), watched ? QList<UWORD>({ 4 }) : QList<UWORD>());
    QCOMPARE(controller.GetRemoteAddress(), QHostAddress("127.0.0.2"));

    // What the unit sends on the datagram link reaches the handler.
    unit.SendDatagram(0, unit.HelloPort(0), QByteArray::fromHex("E0000103E7"));
    QTRY_COMPARE(handler.Utility().size(), 1);
    QCOMPARE(handler.Utility().first(), qMakePair(UWORD(4), QByteArray("\x03", 1)));
}

void tst_ConnectionThreads::disconnectIsReportedOnce_data()
{
    QTest::addColumn<bool>("abort");
    QTest::newRow("unit closes") << false;
    QTest::newRow("unit resets") << true;
}

void tst_ConnectionThreads::disconnectIsReportedOnce()
{
    QFETCH(bool, abort);
    cFakeUnit unit(QHostAddress("127.0.0.2"));
    cClientConnectionThreadController controller(6, "127.0.0.2");
    QSignalSpy disconnected(&controller, &cConnectionThreadControllerBase::ConnectionThreadDisconnected);
    controller.Start();
    controller.WaitForSocketAttemptingConnection();
    QTRY_COMPARE(unit.AcceptedCount(), 1);
    if (abort)
        unit.Abort(0);
    else
        unit.Close(0);
    QVERIFY(disconnected.wait(3000));
    QTest::qWait(100);
    QCOMPARE(disconnected.count(), 1);
    QCOMPARE(disconnected.first().at(0).toInt(), 6);
    QVERIFY(controller.WasDisconnectReported());
}

QTEST_GUILESS_MAIN(tst_ConnectionThreads)
#include "tst_connectionthreads.moc"
