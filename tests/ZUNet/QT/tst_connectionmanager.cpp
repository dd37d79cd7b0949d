#include "ZUNet/QT/ConnectionThreads.h"
#include "ZUNet/QT/LostComms.h"
#include "ZUNet/QT/NetworkConnection.h"
#include "ZUNet/QT/TestSettings.h"
#include "tests/support/FakeUnit.h"
#include "tests/support/NetTestHelpers.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/RouterFixture.h"
#include "tests/support/TestNetwork.h"
#include "tests/support/TraceCapture.h"

#include <QtTest>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace
{
const QHostAddress kUnitAddress("127.0.0.2");

/// A connection whose end takes its time, as one whose BYE waits for a slow peer.
class cSlowClosingWorker : public cConnectionThreadWorkerBase
{
public:
    explicit cSlowClosingWorker(UWORD connectionId)
        : cConnectionThreadWorkerBase(connectionId, "slow")
    {
    }
    ~cSlowClosingWorker() override { QThread::msleep(600); }
};

/// Gives connection 1 of `manager` a running thread that is slow to end.
cConnectionThreadControllerBase* StartSlowClosingThread(cNetworkConnection* manager)
{
    auto* slow = new cConnectionThreadControllerBase(QThread::NormalPriority, new cSlowClosingWorker(1));
    slow->SetGeneration(manager->GetConnectionGeneration(1));
    slow->Start();
    manager->SetConnectionThreadAtIndex(slow, 0);
    return slow;
}

/// A unit that answers HELLO, an object that watches connections end, and lost comms on a 20 ms
/// period (later threads get the product's period again).
struct sFastLostComms {
    explicit sFastLostComms(cNetworkConnection* manager, int periodMs = 20)
        : mUnit(kUnitAddress)
    {
        mUnit.SetAnswerHello(true);
        ZUNetTestSettings::SetLostCommsPeriod(periodMs);
        manager->InitialiseLostComms();
        ZUNetTestSettings::Reset();
    }
    cRouterFixture mRouter;
    cProbeObject mWatcher { "watcher" };
    cTraceCapture mTrace;
    cFakeUnit mUnit;
};
} // namespace

class tst_ConnectionManager : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void idsAreTheLowestFree();
    void theSeventyFirstIdIsRefused();
    void idsOutsideTheTableAreRefused_data();
    void idsOutsideTheTableAreRefused();
    void releasingAFreeIdChangesNothing();
    void singletonOnlyOnTheMainThread();
    void accessAfterDisallowIsRefused();
    void unknownUtilityPayloadIsTraced();
    void openReusesAConnectionByExactHostText();
    void failedAttemptsLeaveNoTrace_data();
    void failedAttemptsLeaveNoTrace();
    void connectionEnds_data();
    void connectionEnds();
    void keepAlivesKeepTheConnection();
    void droppedAtOnceFromAnotherThreadStillEnds();
    void closingWaitsForTheThreadWithNoLockHeld();
    void shutdownWaitsForACloseUnderWay();
    void staleDisconnectLeavesTheNewerConnection();
    void shutdownStopsConnectionsInEitherOrder_data();
    void shutdownStopsConnectionsInEitherOrder();
    void closingFailsAttemptsStillConnecting_data();
    void closingFailsAttemptsStillConnecting();

private:
    cNetworkConnection* mManager = nullptr;
};

void tst_ConnectionManager::init()
{
    cNetworkConnection::AllowInstanceOf(true);
    mManager = cNetworkConnection::Instance();
    QVERIFY(mManager);
}

void tst_ConnectionManager::cleanup()
{
    cNetworkConnection::DeleteInstance();
    mManager = nullptr;
}

void tst_ConnectionManager::idsAreTheLowestFree()
{
    QSignalSpy counts(mManager, &cNetworkConnection::NumberOfConnectionsChanged);
    QCOMPARE(mManager->AcquireNextAvaiableConnectionID(), UWORD(1));
    QCOMPARE(mManager->AcquireNextAvaiableConnectionID(), UWORD(2));
    QCOMPARE(mManager->AcquireNextAvaiableConnectionID(), UWORD(3));
    mManager->ReleaseConnectionID(2);
    QCOMPARE(mManager->AcquireNextAvaiableConnectionID(), UWORD(2)); // 1 and 3 in use
    QCOMPARE(mManager->GetNumberOfConnections(), UWORD(3));
    QList<int> emitted;
    for (const auto& arguments : counts)
        emitted.append(arguments.at(0).toInt());
    QCOMPARE(emitted, QList<int>({ 1, 2, 3, 2, 3 }));
    const ULONG before = mManager->GetConnectionGeneration(2);
    mManager->ReleaseConnectionID(2);
    QCOMPARE(mManager->AcquireNextAvaiableConnectionID(), UWORD(2));
    QVERIFY(mManager->GetConnectionGeneration(2) != before); // the id came back as a new connection
}

void tst_ConnectionManager::theSeventyFirstIdIsRefused()
{
    cTraceCapture trace;
    for (int id = 1; id <= 70; ++id)
        QCOMPARE(mManager->AcquireNextAvaiableConnectionID(), UWORD(id));
    QCOMPARE(mManager->AcquireNextAvaiableConnectionID(), ZUNET_NO_CONNECTION);
    QCOMPARE(trace.Lines(), QStringList({ "ERROR: All availible connections are in use" }));
    QCOMPARE(mManager->GetNumberOfConnections(), UWORD(70));
    QCOMPARE(mManager->OutgoingRemoteConnection("127.0.0.2"), ZUNET_NO_CONNECTION);
    mManager->ReleaseConnectionID(40);
    mManager->ReleaseConnectionID(7);
    QCOMPARE(mManager->AcquireNextAvaiableConnectionID(), UWORD(7));
    QCOMPARE(mManager->AcquireNextAvaiableConnectionID(), UWORD(40));
}

void tst_ConnectionManager::idsOutsideTheTableAreRefused_data()
{
    QTest::addColumn<int>("connectionId");
    QTest::newRow("0") << 0;
    QTest::newRow("71") << 71;
    QTest::newRow("300") << 300;
    QTest::newRow("0xFFFF") << 0xFFFF;
}

void tst_ConnectionManager::idsOutsideTheTableAreRefused()
{
    QFETCH(int, connectionId);
    cRouterFixture router;
    cProbeObject watcher("watcher");
    QCOMPARE(mManager->AcquireNextAvaiableConnectionID(), UWORD(1));
    cTraceCapture trace;
    const UWORD id = UWORD(connectionId);
    const UWORD index = UWORD(id - 1);
    mManager->DisconnectConnectionID(id);
    mManager->ReleaseConnectionID(id);
    mManager->LostCommsForConnectionID(id);
    mManager->RegisterConnectionWithLostComms(id);
    mManager->SetConnectionThreadAtIndex(nullptr, index);
    mManager->DisconnectAtIndex(index, false, cNetworkConnection::kAnyGeneration);
    QCoreApplication::processEvents();
    QCOMPARE(trace.Count("ERROR: Invalid Connection ID"), 6);
    QCOMPARE(trace.Lines().size(), 6);
    QVERIFY(mManager->GetHostNameFromConnectionID(id).empty());
    QVERIFY(mManager->GetHostStringFromConnectionID(id).empty());
    QVERIFY(!mManager->GetConnectionThreadFromConnectionID(id));
    cZUNetMessage message(2);
    message.mConnectionId = id;
    mManager->SendNetworkMessage(message);
    mManager->SendNetworkDatagramMessage(message);
    QCOMPARE(mManager->GetNumberOfConnections(), UWORD(1));
    QVERIFY(mManager->IsConnectionIDInUse(1));
    QVERIFY(watcher.mTerminated.isEmpty());
}

void tst_ConnectionManager::releasingAFreeIdChangesNothing()
{
    cTraceCapture trace;
    QCOMPARE(mManager->AcquireNextAvaiableConnectionID(), UWORD(1));
    mManager->ReleaseConnectionID(5);
    QCOMPARE(trace.Lines(), QStringList({ "ERROR: Inconsistent state" }));
    QCOMPARE(mManager->GetNumberOfConnections(), UWORD(1));
}

void tst_ConnectionManager::singletonOnlyOnTheMainThread()
{
    cNetworkConnection::DeleteInstance();
    cTraceCapture trace;
    cNetworkConnection* fromThread = mManager;
    std::thread([&] { fromThread = cNetworkConnection::Instance(); }).join();
    QVERIFY(!fromThread);
    QCOMPARE(trace.Lines(), QStringList({ "ERROR: Attempting to create instance on non-main thread" }));

    mManager = cNetworkConnection::Instance();
    QVERIFY(mManager);
    std::thread([&] {
        fromThread = cNetworkConnection::Instance();
        cNetworkConnection::DeleteInstance();
    }).join();
    QCOMPARE(fromThread, mManager); // an existing instance is handed out on any thread
    QCOMPARE(trace.Lines().last(), QString("ERROR: Attempting to delete instance on non-main thread"));
    QCOMPARE(cNetworkConnection::Instance(), mManager);
    QCOMPARE(GetNetworkInterface(), static_cast<cNetworkInterface*>(mManager));
}

void tst_ConnectionManager::accessAfterDisallowIsRefused()
{
    cTraceCapture trace;
    cNetworkConnection::AllowInstanceOf(false);
    QVERIFY(!cNetworkConnection::Instance());
    cNetworkConnection::AllowInstanceOf(true);
    QCOMPARE(trace.Lines(), QStringList({ "ERROR: Network Connection access after destruction" }));
}

void tst_ConnectionManager::unknownUtilityPayloadIsTraced()
{
    cTraceCapture trace;
    const UBYTE unknown[] = { 9, 3 };
    const UBYTE keepAlive[] = { 3 };
    mManager->UtilityMessageReceived(unknown, 2, 1);
    mManager->UtilityMessageReceived(keepAlive, 0, 1); // empty: ignored
    mManager->UtilityMessageReceived(keepAlive, 1, 1); // lost comms not running: ignored
    QCOMPARE(trace.Lines(), QStringList({ "ERROR: Unknown Util Message Received Byte[0] 9" }));
}

void tst_ConnectionManager::openReusesAConnectionByExactHostText()
{
    cFakeUnit unit(kUnitAddress);
    QVERIFY(unit.IsListening());
    QCOMPARE(NetworkFindConnection("127.0.0.2"), UWORD(1));
    QTRY_COMPARE(unit.AcceptedCount(), 1);
    QCOMPARE(NetworkFindConnection("127.0.0.2"), UWORD(1));
    QVERIFY(DoesNetworkConnectionExist("127.0.0.2"));
    QVERIFY(!DoesNetworkConnectionExist("127.0.0.02"));
    QCOMPARE(NetworkGetHostNameFromConnId(1), std::string("127.0.0.2"));
    QCOMPARE(mManager->GetConnectionIDFromHostName("127.0.0.2"), UWORD(1));
    QTest::qWait(50);
    QCOMPARE(unit.AcceptedCount(), 1);
    QCOMPARE(NetworkGetNumberOfConnections(), UWORD(1));
}

void tst_ConnectionManager::failedAttemptsLeaveNoTrace_data()
{
    QTest::addColumn<QString>("host");
    QTest::newRow("nothing listening") << "127.0.0.3";
    QTest::newRow("unknown unit name") << "no.such.unit";
    QTest::newRow("not an address") << "a.b.c.d";
}

void tst_ConnectionManager::failedAttemptsLeaveNoTrace()
{
    QFETCH(QString, host);
    mManager->InitialiseLostComms();
    QCOMPARE(mManager->OutgoingRemoteConnection(host.toStdString()), ZUNET_NO_CONNECTION);
    QCOMPARE(mManager->GetNumberOfConnections(), UWORD(0));
    QVERIFY(!mManager->IsConnectionIDInUse(1));
    QCOMPARE(mManager->AcquireNextAvaiableConnectionID(), UWORD(1));
}

void tst_ConnectionManager::connectionEnds_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("lostComms");
    QTest::addColumn<QByteArray>("unitReads"); // after HELLO
    const QByteArray bye = QByteArray::fromHex("E00003425945E7");
    QTest::newRow("closed by us") << "close" << false << bye;
    QTest::newRow("unit says BYE") << "bye" << false << bye;
    QTest::newRow("unit closes") << "eof" << false << QByteArray();
    QTest::newRow("keep-alives stop") << "silence" << true << QByteArray();
}

void tst_ConnectionManager::connectionEnds()
{
    QFETCH(QString, how);
    QFETCH(bool, lostComms);
    QFETCH(QByteArray, unitReads);
    sFastLostComms f(mManager);
    QSignalSpy disconnected(mManager, &cNetworkConnection::ConnectionDisconnected);
    QSignalSpy lost(mManager, &cNetworkConnection::LostComms);
    QCOMPARE(NetworkFindConnection("127.0.0.2"), UWORD(1));
    QTRY_VERIFY(f.mUnit.HelloPort(0) != 0);
    // After HELLO ACK our keep-alives arrive from the port that HELLO named.
    QTRY_VERIFY(!f.mUnit.Datagrams().isEmpty());
    QCOMPARE(f.mUnit.Datagrams().first().first, f.mUnit.HelloPort(0));
    QCOMPARE(f.mUnit.Datagrams().first().second.toHex(' '), QByteArray("e0 00 01 03 e7"));

    if (how == "close")
        mManager->DisconnectConnectionID(1);
    else if (how == "bye")
        f.mUnit.Send(0, QByteArray::fromHex("E00003425945E7"));
    else if (how == "eof")
        f.mUnit.Close(0);
    QTRY_COMPARE(TerminatedUnderPollLock(f.mWatcher).size(), 1);
    QCOMPARE(TerminatedUnderPollLock(f.mWatcher).first(), qMakePair(UWORD(1), lostComms));
    QTRY_VERIFY(f.mUnit.Ended(0));
    QCOMPARE(f.mUnit.Received(0).mid(8).toHex(' '), unitReads.toHex(' '));
    // The objects hear of the end first; the manager's signals and trace follow on its own thread.
    QTRY_COMPARE(disconnected.count(), 1);
    QCOMPARE(disconnected.first().at(0).toInt(), 1);
    QCOMPARE(disconnected.first().at(1).value<std::string>(), std::string("127.0.0.2"));
    QTRY_COMPARE(lost.count(), lostComms ? 1 : 0);
    QTRY_COMPARE(f.mTrace.Count("Notification: Communication lost to unit - 127.0.0.2"), lostComms ? 1 : 0);
    QTRY_VERIFY(!mManager->IsConnectionIDInUse(1));
    QCOMPARE(mManager->GetNumberOfConnections(), UWORD(0));
    QVERIFY(!DoesNetworkConnectionExist("127.0.0.2"));
}

void tst_ConnectionManager::keepAlivesKeepTheConnection()
{
    // The warning comes after five periods without a keep-alive: the period is long enough that
    // a loaded machine holding this thread up between keep-alives does not look like silence.
    constexpr int kPeriodMs = 60;
    constexpr int kLowAfterMs = (LostComms::kTimeToLive - LostComms::kLowTimeToLive + 1) * kPeriodMs;
    constexpr int kLifeMs = LostComms::kTimeToLive * kPeriodMs;
    sFastLostComms f(mManager, kPeriodMs);
    QSignalSpy warnings(mManager, &cNetworkConnection::UnitLowTTLWarning);
    QCOMPARE(NetworkFindConnection("127.0.0.2"), UWORD(1));
    QTRY_VERIFY(!f.mUnit.Datagrams().isEmpty());
    // Longer than a silent connection lives, with a keep-alive every half period.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kLifeMs * 5 / 4) {
        f.mUnit.SendDatagram(0, f.mUnit.HelloPort(0), QByteArray::fromHex("E0000103E7"));
        QTest::qWait(kPeriodMs / 2);
    }
    static_assert(kLowAfterMs >= 10 * kPeriodMs / 2, "keep-alives come well within the warning time");
    QVERIFY(TerminatedUnderPollLock(f.mWatcher).isEmpty());
    QVERIFY(mManager->IsConnectionIDInUse(1));
    QCOMPARE(warnings.count(), 0);
    // Any other utility payload on the datagram link is traced.
    f.mUnit.SendDatagram(0, f.mUnit.HelloPort(0), QByteArray::fromHex("E0000107E7"));
    QTRY_COMPARE(f.mTrace.Count("ERROR: Unknown Util Message Received Byte[0] 7"), 1);
    // Silence now: warned, then lost.
    QTRY_COMPARE_WITH_TIMEOUT(TerminatedUnderPollLock(f.mWatcher).size(), 1, 10 * kLifeMs);
    QCOMPARE(warnings.count(), 1);
    QCOMPARE(warnings.first().at(1).toBool(), true);
}

void tst_ConnectionManager::droppedAtOnceFromAnotherThreadStillEnds()
{
    // Opened as the dispatch thread opens it; the unit drops the connection before the opener
    // has stored it, and the only report of the drop may come before the store.
    cRouterFixture router;
    cProbeObject watcher("watcher");
    cFakeUnit unit(kUnitAddress);
    unit.SetCloseOnAccept(true);
    int ended = 0;
    for (int round = 1; round <= 10; ++round) {
        std::atomic<int> id { -1 };
        std::thread opener([&] { id = NetworkFindConnection("127.0.0.2"); });
        QTRY_VERIFY(id.load() != -1);
        opener.join();
        if (id.load() == ZUNET_NO_CONNECTION)
            continue; // refused before it connected: nothing to end
        ++ended;
        QTRY_COMPARE(TerminatedUnderPollLock(watcher).size(), ended);
        QTRY_VERIFY(!mManager->IsConnectionIDInUse(UWORD(id.load())));
        QVERIFY(!DoesNetworkConnectionExist("127.0.0.2"));
    }
    QCOMPARE(mManager->GetNumberOfConnections(), UWORD(0));
}

void tst_ConnectionManager::closingWaitsForTheThreadWithNoLockHeld()
{
    cRouterFixture router;
    QCOMPARE(mManager->AcquireNextAvaiableConnectionID(), UWORD(1));
    StartSlowClosingThread(mManager);

    // While the slow one closes, another thread keeps sending keep-alives and dispatching.
    std::atomic<bool> closing { false };
    std::atomic<qint64> longest { 0 };
    std::thread other([&] {
        while (!closing.load())
            std::this_thread::yield();
        const UBYTE keepAlive[] = { 3 };
        for (int i = 0; i < 10; ++i) {
            QElapsedTimer one;
            one.start();
            mManager->SendNetworkDatagramMessage(keepAlive, 1, 2);
            (void)mManager->GetNumberOfConnections();
            SyscallMessagesPollLock();
            SyscallMessagesPollUnLock();
            longest = std::max(longest.load(), one.elapsed());
            QThread::msleep(20);
        }
    });
    closing = true;
    QSignalSpy counts(mManager, &cNetworkConnection::NumberOfConnectionsChanged);
    // Closed on the main thread, as the user interface closes it: the call returns while the
    // connection's thread is still ending, and the id stays in use until that thread is joined.
    mManager->DisconnectAtIndex(0, false, mManager->GetConnectionGeneration(1));
    QVERIFY2(mManager->IsConnectionIDInUse(1), "the close returned before the connection's end");
    QVERIFY(counts.isEmpty());
    QCOMPARE(mManager->AcquireNextAvaiableConnectionID(), UWORD(2));
    mManager->ReleaseConnectionID(2);
    other.join();
    QVERIFY2(longest.load() < 200, "nobody waited for the closing connection");
    QTRY_VERIFY(!mManager->IsConnectionIDInUse(1));
    QCOMPARE(mManager->GetNumberOfConnections(), UWORD(0));
}

// Shutdown while a close from the main thread is still ending its links waits for it.
void tst_ConnectionManager::shutdownWaitsForACloseUnderWay()
{
    cRouterFixture router;
    QCOMPARE(mManager->AcquireNextAvaiableConnectionID(), UWORD(1));
    QPointer<QThread> thread(StartSlowClosingThread(mManager)->Thread());
    mManager->DisconnectAtIndex(0, false, mManager->GetConnectionGeneration(1));
    QVERIFY(mManager->IsConnectionIDInUse(1));
    cNetworkConnection::DeleteInstance();
    mManager = nullptr;
    QVERIFY2(!thread, "the connection's thread was joined and its controller deleted");
    QCoreApplication::processEvents(); // a finish still queued finds nothing to do
}

void tst_ConnectionManager::staleDisconnectLeavesTheNewerConnection()
{
    cRouterFixture router;
    cProbeObject watcher("watcher");
    cFakeUnit unit(kUnitAddress);
    QCOMPARE(NetworkFindConnection("127.0.0.2"), UWORD(1));
    const ULONG first = mManager->GetConnectionGeneration(1);
    mManager->DisconnectConnectionID(1); // queued, for the first connection
    mManager->DisconnectAtIndex(0, false, first); // the first connection ends some other way first
    QCOMPARE(watcher.mTerminated.size(), 1);
    QTRY_VERIFY(!mManager->IsConnectionIDInUse(1)); // once its thread has ended
    QCOMPARE(NetworkFindConnection("127.0.0.2"), UWORD(1)); // the id is reused
    QVERIFY(mManager->GetConnectionGeneration(1) != first);
    mManager->ConnectionThreadHasDisconnected(1, first); // a late notice of the first thread
    QTest::qWait(50); // lets the queued disconnect run
    QCOMPARE(watcher.mTerminated.size(), 1);
    QCOMPARE(mManager->GetConnectionIDFromHostName("127.0.0.2"), UWORD(1));
    QTRY_COMPARE(unit.AcceptedCount(), 2);
    QVERIFY(unit.Ended(0));
    QVERIFY(!unit.Ended(1));
}

void tst_ConnectionManager::shutdownStopsConnectionsInEitherOrder_data()
{
    QTest::addColumn<bool>("lostCommsFirst");
    QTest::newRow("lost comms, then the manager") << true;
    QTest::newRow("the manager alone") << false;
}

void tst_ConnectionManager::shutdownStopsConnectionsInEitherOrder()
{
    QFETCH(bool, lostCommsFirst);
    cRouterFixture router;
    cProbeObject watcher("watcher");
    cFakeUnit unit(kUnitAddress);
    mManager->InitialiseLostComms();
    QCOMPARE(NetworkFindConnection("127.0.0.2"), UWORD(1));
    QTRY_COMPARE(unit.AcceptedCount(), 1);
    if (lostCommsFirst) {
        mManager->UninitialiseLostComms();
        QVERIFY(!mManager->IsConnectionIDInUse(1));
    }
    cNetworkConnection::DeleteInstance();
    mManager = nullptr;
    QVERIFY(!GetNetworkInterface());
    QTRY_VERIFY(unit.Ended(0));
    QVERIFY(watcher.mTerminated.isEmpty()); // shutdown tells no object
}

void tst_ConnectionManager::closingFailsAttemptsStillConnecting_data()
{
    QTest::addColumn<int>("openers");
    QTest::newRow("one attempt") << 1;
    QTest::newRow("two at once") << 2;
}

void tst_ConnectionManager::closingFailsAttemptsStillConnecting()
{
    // The application quits while a typed address is still being tried.
    ZU_REQUIRE_PRIVATE_TEST_NETWORK();
    QFETCH(int, openers);
    mManager->InitialiseLostComms();
    std::vector<std::atomic<int>> ids(static_cast<std::size_t>(openers));
    std::vector<std::thread> threads;
    for (auto& id : ids) {
        id = -1;
        // Nobody has this address on the test subnet: the connect hangs for seconds.
        threads.emplace_back([this, &id] { id = mManager->OutgoingRemoteConnection("10.77.0.99"); });
    }
    QTest::qWait(300);
    for (const auto& id : ids)
        QCOMPARE(id.load(), -1);
    cNetworkConnection::DeleteInstance(); // the openers touch nothing of it afterwards
    mManager = nullptr;
    for (std::thread& thread : threads)
        thread.join();
    for (const auto& id : ids)
        QCOMPARE(id.load(), int(ZUNET_NO_CONNECTION));
}

QTEST_GUILESS_MAIN(tst_ConnectionManager)
#include "tst_connectionmanager.moc"
