#include "ConnectionThreads.h"
#include "FakeUnit.h"
#include "NetTestHelpers.h"

#include <QtTest>

#include <thread>

class tst_ConnectionThreads : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void resolveHostName_data();
    void resolveHostName();
    void unresolvableHostEndsTheAttemptAtOnce();
    void connectReleasesTheWaiter();
    void abortEndsAHangingAttempt();
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
    QTest::newRow("unknown unit") << "unit.one" << false << "";
    QTest::newRow("empty") << "" << false << "";
}

void tst_ConnectionThreads::resolveHostName()
{
    QFETCH(QString, host);
    QFETCH(bool, resolves);
    QFETCH(QString, address);
    cClientConnectionThreadWorker worker(1, host.toStdString());
    QHostAddress resolved;
    QCOMPARE(worker.ResolveHostName(resolved), resolves);
    if (resolves)
        QCOMPARE(resolved, QHostAddress(address));
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
    std::atomic<bool> released{false};
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
