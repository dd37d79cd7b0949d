#include "ZUNet/QT/LostComms.h"
#include "ZUNet/QT/TestSettings.h"
#include "tests/support/TraceCapture.h"

#include <QtTest>

#include <mutex>
#include <vector>

namespace
{

/// Stands in for the connection manager and records what the lost-comms workers ask of it.
class cRecordingPeer : public cLostCommsPeer
{
public:
    void SendNetworkDatagramMessage(const UBYTE* payload, UWORD length, UWORD connectionId) override
    {
        std::lock_guard<std::mutex> locker(mMutex);
        mSent.push_back({ connectionId, QByteArray(reinterpret_cast<const char*>(payload), length) });
    }
    void LostCommsForConnectionID(UWORD connectionId) override
    {
        std::lock_guard<std::mutex> locker(mMutex);
        mLost.push_back(connectionId);
        if (mOnLost)
            mOnLost(connectionId);
    }
    std::string GetHostStringFromConnectionID(UWORD connectionId) override
    {
        return connectionId == 4 ? mHostOfFour : "host " + std::to_string(connectionId);
    }

    struct sSent {
        UWORD mConnectionId;
        QByteArray mPayload;
    };
    std::vector<sSent> Sent()
    {
        std::lock_guard<std::mutex> locker(mMutex);
        return mSent;
    }
    std::vector<UWORD> Lost()
    {
        std::lock_guard<std::mutex> locker(mMutex);
        return mLost;
    }

    std::string mHostOfFour = "unit four";
    std::function<void(UWORD)> mOnLost;

private:
    std::mutex mMutex;
    std::vector<sSent> mSent;
    std::vector<UWORD> mLost;
};

class cUnprivilegedSender : public cLostCommsSenderWorker
{
public:
    using cLostCommsSenderWorker::cLostCommsSenderWorker;

protected:
    bool RaisePriority() override { return false; }
};

using tWarning = QPair<UWORD, bool>;

QList<tWarning> Warnings(const QSignalSpy& spy)
{
    QList<tWarning> out;
    for (const QList<QVariant>& arguments : spy)
        out.append({ UWORD(arguments.at(0).toUInt()), arguments.at(1).toBool() });
    return out;
}

} // namespace

class tst_LostComms : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void ageingWarnsThenDeclaresLost();
    void lostCommsTraceNamesTheConnectionLiterally();
    void lostCommsNotReportedWhenSwitchedOff();
    void doubleRegistrationKeepsTheFirst();
    void keepAliveForUnwatchedIdChangesNothing();
    void closedIdAgesNoMore();
    void idsOutsideTheTableAreRefused_data();
    void idsOutsideTheTableAreRefused();
    void senderSendsKeepAlivesInIdOrder();
    void senderTracesRefusedPriorityAndKeepsSending();
    void receiverThreadAgesOnItsTimer();
};

void tst_LostComms::ageingWarnsThenDeclaresLost()
{
    cRecordingPeer peer;
    cLostCommsReceiverWorker receiver(&peer);
    QSignalSpy warnings(&receiver, &cLostCommsReceiverWorker::UnitLowTTLWarning);
    receiver.NewUDPConnectionSlot(4);
    QCOMPARE(int(receiver.GetTimeToLive(4)), 30);

    for (int i = 0; i < 4; ++i)
        receiver.AgeTTL();
    QCOMPARE(warnings.count(), 0);
    receiver.AgeTTL(); // 25: low
    QCOMPARE(Warnings(warnings), QList<tWarning>({ { 4, true } }));

    receiver.ReceivedMessageSlot(4);
    QCOMPARE(int(receiver.GetTimeToLive(4)), 30);
    receiver.AgeTTL(); // 29: no longer low
    QCOMPARE(Warnings(warnings), QList<tWarning>({ { 4, true }, { 4, false } }));

    receiver.ReceivedMessageSlot(4);
    for (int i = 0; i < 29; ++i)
        receiver.AgeTTL();
    QVERIFY(peer.Lost().empty());
    receiver.AgeTTL();
    QCOMPARE(peer.Lost(), std::vector<UWORD>({ 4 }));
    QCOMPARE(Warnings(warnings).last(), tWarning(4, true));
    for (int i = 0; i < 40; ++i)
        receiver.AgeTTL();
    QCOMPARE(peer.Lost().size(), std::size_t(1)); // declared exactly once
}

void tst_LostComms::lostCommsTraceNamesTheConnectionLiterally()
{
    cTraceCapture trace;
    cRecordingPeer peer;
    peer.mHostOfFour = "10.0.0.4 %d%s - Server Side";
    cLostCommsReceiverWorker receiver(&peer);
    receiver.NewUDPConnectionSlot(3);
    receiver.NewUDPConnectionSlot(4);
    receiver.ReceivedMessageSlot(3);
    for (int i = 0; i < 30; ++i) {
        receiver.ReceivedMessageSlot(3);
        receiver.AgeTTL();
    }
    QCOMPARE(peer.Lost(), std::vector<UWORD>({ 4 }));
    QCOMPARE(trace.Lines(), QStringList({ "Notification: Communication lost to unit - 10.0.0.4 %d%s - Server Side" }));
}

void tst_LostComms::lostCommsNotReportedWhenSwitchedOff()
{
    cTraceCapture trace;
    cRecordingPeer peer;
    cLostCommsReceiverWorker receiver(&peer);
    receiver.NewUDPConnectionSlot(4);
    receiver.SetReportLostComms(4, false);
    QVERIFY(!receiver.GetReportLostComms(4));
    for (int i = 0; i < 30; ++i)
        receiver.AgeTTL();
    QCOMPARE(peer.Lost(), std::vector<UWORD>({ 4 })); // still closed, only not written
    QCOMPARE(trace.Lines(), QStringList());
    receiver.NewUDPConnectionSlot(4);
    QVERIFY(receiver.GetReportLostComms(4)); // registration switches it back on
}

void tst_LostComms::doubleRegistrationKeepsTheFirst()
{
    cTraceCapture trace;
    cRecordingPeer peer;
    cLostCommsReceiverWorker receiver(&peer);
    cLostCommsSenderWorker sender(&peer);
    sender.NewUDPConnectionSlot(4);
    receiver.NewUDPConnectionSlot(4);
    receiver.AgeTTL();
    sender.NewUDPConnectionSlot(4);
    receiver.NewUDPConnectionSlot(4);
    QCOMPARE(trace.Lines(),
        QStringList({ "ERROR: Lost Comms Sender already active, ConnectionId 4",
            "ERROR: Lost Comms Receiver Unit Already in Use, ConnectionId 4" }));
    QCOMPARE(int(receiver.GetTimeToLive(4)), 29); // not restarted
    QVERIFY(sender.IsActive(4));
}

void tst_LostComms::keepAliveForUnwatchedIdChangesNothing()
{
    cRecordingPeer peer;
    cLostCommsReceiverWorker receiver(&peer);
    receiver.ReceivedMessageSlot(7);
    QCOMPARE(int(receiver.GetTimeToLive(7)), 0);
    for (int i = 0; i < 40; ++i)
        receiver.AgeTTL();
    QVERIFY(peer.Lost().empty());
}

void tst_LostComms::closedIdAgesNoMore()
{
    cRecordingPeer peer;
    cLostCommsReceiverWorker receiver(&peer);
    QSignalSpy warnings(&receiver, &cLostCommsReceiverWorker::UnitLowTTLWarning);
    receiver.NewUDPConnectionSlot(4);
    for (int i = 0; i < 10; ++i)
        receiver.AgeTTL();
    receiver.ConnectionClosedSlot(4);
    for (int i = 0; i < 40; ++i)
        receiver.AgeTTL();
    QVERIFY(peer.Lost().empty());
    QCOMPARE(warnings.count(), 1);
    receiver.ReceivedMessageSlot(4); // a late keep-alive does not revive it
    QCOMPARE(int(receiver.GetTimeToLive(4)), 0);
}

void tst_LostComms::idsOutsideTheTableAreRefused_data()
{
    QTest::addColumn<int>("connectionId");
    QTest::newRow("0") << 0;
    QTest::newRow("71") << 71;
    QTest::newRow("0xFFFF") << 0xFFFF;
}

void tst_LostComms::idsOutsideTheTableAreRefused()
{
    QFETCH(int, connectionId);
    cTraceCapture trace;
    cRecordingPeer peer;
    cLostCommsReceiverWorker receiver(&peer);
    cLostCommsSenderWorker sender(&peer);
    const UWORD id = UWORD(connectionId);
    receiver.NewUDPConnectionSlot(id);
    sender.NewUDPConnectionSlot(id);
    receiver.ReceivedMessageSlot(id);
    receiver.ConnectionClosedSlot(id);
    sender.ConnectionClosedSlot(id);
    receiver.SetReportLostComms(id, false);
    QVERIFY(!receiver.GetReportLostComms(id));
    sender.SendMessages();
    for (int i = 0; i < 31; ++i)
        receiver.AgeTTL();
    QVERIFY(peer.Sent().empty());
    QVERIFY(peer.Lost().empty());
    QCOMPARE(trace.Count(QStringLiteral("ERROR: Invalid Connection ID %1").arg(connectionId)), 2);
}

void tst_LostComms::senderSendsKeepAlivesInIdOrder()
{
    cRecordingPeer peer;
    cLostCommsSenderWorker sender(&peer);
    sender.NewUDPConnectionSlot(5);
    sender.NewUDPConnectionSlot(2);
    sender.TimerFired();
    const auto sent = peer.Sent();
    QCOMPARE(int(sent.size()), 2);
    QCOMPARE(int(sent[0].mConnectionId), 2);
    QCOMPARE(int(sent[1].mConnectionId), 5);
    QCOMPARE(sent[0].mPayload, QByteArray("\x03", 1));
    QCOMPARE(sent[1].mPayload, QByteArray("\x03", 1));
    sender.ConnectionClosedSlot(2);
    sender.TimerFired();
    QCOMPARE(int(peer.Sent().size()), 3);
    QCOMPARE(int(peer.Sent().back().mConnectionId), 5);
}

void tst_LostComms::senderTracesRefusedPriorityAndKeepsSending()
{
    cTraceCapture trace;
    cRecordingPeer peer;
    {
        cLostCommsSenderController controller(new cUnprivilegedSender(&peer, 10));
        controller.NewUDPConnection(9);
        QTRY_VERIFY(peer.Sent().size() >= 2);
    }
    QCOMPARE(trace.Count("ERROR: Unable to set LostCommsSender priority"), 1);
    QCOMPARE(int(peer.Sent().front().mConnectionId), 9);
}

void tst_LostComms::receiverThreadAgesOnItsTimer()
{
    // The test-only period applies to the threads; the close the manager makes on lost comms runs
    // on the receiver's own thread, as the real manager does.
    ZUNetTestSettings::SetLostCommsPeriod(5);
    cTraceCapture trace;
    cRecordingPeer peer;
    std::unique_ptr<cLostCommsReceiverController> controller;
    peer.mOnLost = [&controller](UWORD id) { controller->ConnectionClosed(id); };
    controller.reset(new cLostCommsReceiverController(&peer));
    QSignalSpy warnings(controller.get(), &cLostCommsReceiverController::UnitLowTTLWarning);
    controller->NewUDPConnection(4);
    QTRY_COMPARE(peer.Lost(), std::vector<UWORD>({ 4 }));
    QTRY_COMPARE(warnings.count(), 1);
    QCOMPARE(Warnings(warnings).first(), tWarning(4, true));
    controller.reset();
    ZUNetTestSettings::Reset();
    QCOMPARE(GetLostCommsPeriod(), 1000);
    QCOMPARE(trace.Count("Notification: Communication lost to unit - unit four"), 1);
}

QTEST_GUILESS_MAIN(tst_LostComms)
#include "tst_lostcomms.moc"
