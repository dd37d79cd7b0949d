// The TCP link on an in-memory stream: HELLO handling, BYE, the inform-list rewrite on the way to
// the router, the transmit queue and its write loop.

#include "ZUNet/Core/ZUNetMethods.h"
#include "ZUNet/QT/FrameWriter.h"
#include "ZUNet/QT/TCPConnection.h"
#include "ZUNet/QT/ZUNetWire.h"
#include "tests/support/HexData.h"
#include "tests/support/MemoryStreamDevice.h"
#include "tests/support/MessageData.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/RouterFixture.h"
#include "tests/support/TraceCapture.h"

#include <QtTest>

namespace
{

constexpr UWORD kLinkId = 12;

cZUNetMessage MakeMessage(UWORD destination, UWORD method, const QByteArray& data)
{
    return MessageWithData(0x4321, destination, 9, method, data);
}

QByteArray UtilityFrame(const QByteArray& payload)
{
    return cFrameWriter::UtilityFrame(reinterpret_cast<const UBYTE*>(payload.constData()), UWORD(payload.size()));
}

/// A TCP link on an in-memory stream, with its signals recorded.
struct sLinkOnMemory {
    cMemoryStreamDevice mDevice;
    cTCPConnection mLink { mDevice, kLinkId };
    QSignalSpy mHello { &mLink, &cTCPConnection::HelloReceived };
    QSignalSpy mHelloAck { &mLink, &cTCPConnection::HelloAckReceived };
    QSignalSpy mDisconnected { &mLink, &cTCPConnection::TCPConnectionDisconnected };
    QSignalSpy mSend { &mLink, &cConnectionBaseQt::Send };
};

} // namespace

class tst_TCPLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void utilityPayloads_data();
    void utilityPayloads();
    void repeatedHelloIsIgnored();
    void helloFramesOnTheWire();

    void receivedMessagesReachTheRouter_data();
    void receivedMessagesReachTheRouter();

    void byeIsAnsweredOnce();
    void byeAfterOwnByeIsNotAnswered();
    void disconnectWritesQueuedFramesThenBye();
    void lostCommsClosesWithoutBye();
    void peerCloseReportsDisconnection();

    void burstWakesTransmitOnce();
    void partialWritesAreCompleted();
    void writeFailureKeepsTheRestQueued();
    void stoppedTransmitWritesNothing();
};

void tst_TCPLink::utilityPayloads_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("hello"); // port, or -1 for no signal
    QTest::addColumn<int>("helloAck"); // port, or -1
    QTest::addColumn<QStringList>("traces");
    QTest::addColumn<bool>("bye");
    QTest::addColumn<bool>("ends"); // the link reports itself disconnected

    const QStringList none;
    QTest::newRow("hello") << HexBytes("01 03 C8 79") << 51321 << -1 << none << false << false;
    QTest::newRow("hello ack") << HexBytes("02 03 12 34") << -1 << 0x1234 << none << false << false;
    QTest::newRow("hello ack of another version")
        << HexBytes("02 02 12 34") << -1 << -1
        << QStringList { "ERROR: CONNECTION HELLO received with version: 2 should be 3" } << false << false;
    QTest::newRow("hello of another version ends the link")
        << HexBytes("01 02 12 34") << -1 << -1 << none << false << true;
    QTest::newRow("hello cut short") << HexBytes("01 03 C8") << -1 << -1
                                     << QStringList { "ERROR: CONNECTION HELLO too short, dropped: Length: 3 "
                                                      "mConnectionId = 12" }
                                     << false << false;
    QTest::newRow("hello ack of one byte")
        << HexBytes("02") << -1 << -1
        << QStringList { "ERROR: CONNECTION HELLO too short, dropped: Length: 1 mConnectionId = 12" } << false << false;
    QTest::newRow("empty payload") << QByteArray() << -1 << -1 << none << false << false;
    QTest::newRow("keep-alive is not for this link") << HexBytes("03") << -1 << -1 << none << false << false;
    QTest::newRow("unknown kind") << HexBytes("07 01") << -1 << -1 << none << false << false;
    QTest::newRow("BYE with a NUL is not BYE") << QByteArray("BYE", 4) << -1 << -1 << none << false << false;
    QTest::newRow("bye") << QByteArray("BYE") << -1 << -1 << none << true << true;
}

void tst_TCPLink::utilityPayloads()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, hello);
    QFETCH(int, helloAck);
    QFETCH(QStringList, traces);
    QFETCH(bool, bye);
    QFETCH(bool, ends);

    cTraceCapture capture;
    sLinkOnMemory link;
    link.mDevice.PushIncoming(UtilityFrame(payload));

    QCOMPARE(link.mHello.count(), hello < 0 ? 0 : 1);
    if (hello >= 0)
        QCOMPARE(link.mHello.at(0).at(0).value<ushort>(), ushort(hello));
    QCOMPARE(link.mHelloAck.count(), helloAck < 0 ? 0 : 1);
    if (helloAck >= 0)
        QCOMPARE(link.mHelloAck.at(0).at(0).value<ushort>(), ushort(helloAck));
    QCOMPARE(capture.Lines(), traces);
    QCOMPARE(link.mLink.WasByeReceived(), bye);
    QCOMPARE(link.mDisconnected.count(), ends ? 1 : 0);
    QCOMPARE(ToHex(link.mDevice.Written()), bye ? ToHex(cConnectionBaseQt::GetByeMessage()) : QString());
}

// One datagram link per connection: only the first HELLO and HELLO ACK count.
void tst_TCPLink::repeatedHelloIsIgnored()
{
    cTraceCapture capture;
    sLinkOnMemory link;
    link.mDevice.PushIncoming(UtilityFrame(HexBytes("01 03 C8 79")) + UtilityFrame(HexBytes("01 03 11 11"))
        + UtilityFrame(HexBytes("02 03 C8 7D")) + UtilityFrame(HexBytes("02 03 22 22")));
    QCOMPARE(link.mHello.count(), 1);
    QCOMPARE(link.mHelloAck.count(), 1);
    QCOMPARE(link.mHelloAck.at(0).at(0).value<ushort>(), ushort(51325));
    QCOMPARE(capture.Lines(),
        (QStringList { "ERROR: CONNECTION HELLO repeated, ignored: mConnectionId = 12",
            "ERROR: CONNECTION HELLO ACK repeated, ignored: mConnectionId = 12" }));
}

void tst_TCPLink::helloFramesOnTheWire()
{
    sLinkOnMemory link;
    link.mLink.SendHello(51321);
    link.mLink.SendHelloAck(51325);
    QCoreApplication::processEvents();
    QCOMPARE(link.mDevice.Written(), LoadHexData("frames/hello.hex") + LoadHexData("frames/hello-ack.hex"));
}

void tst_TCPLink::receivedMessagesReachTheRouter_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("remove request gets the link's id")
        << int(M_OBJECT_REMOVE_FROM_INFORM_LIST) << HexBytes("12 34 00 07 10 00 10 01")
        << HexBytes("00 0C 00 07 10 00 10 01");
    QTest::newRow("add request gets the link's id")
        << int(M_OBJECT_ADD_TO_INFORM_LIST) << HexBytes("12 34 00 07 10 00 10 01 00 01")
        << HexBytes("00 0C 00 07 10 00 10 01 00 01");
    QTest::newRow("parameter data untouched") << int(PARAMETER_BASE) << HexBytes("12 34") << HexBytes("12 34");
    QTest::newRow("add request without data") << int(M_OBJECT_ADD_TO_INFORM_LIST) << QByteArray() << QByteArray();
}

void tst_TCPLink::receivedMessagesReachTheRouter()
{
    QFETCH(int, method);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, expected);

    cRouterFixture router;
    cProbeObject probe("probe");
    probe.mSwallowAll = true;
    sLinkOnMemory link;
    // The short request first, as the link's first frame, while the parser's buffer is still empty.
    link.mDevice.PushIncoming(cFrameWriter::ObjectFrame(MakeMessage(probe.GetHandle(), UWORD(method), data)));
    QCOMPARE(router.Drain(), 1);
    QCOMPARE(probe.mReceived.size(), 1);
    const cZUNetMessage& received = probe.mReceived.at(0);
    QCOMPARE(received.mConnectionId, kLinkId);
    QCOMPARE(received.mSource, UWORD(9));
    QCOMPARE(received.mMethod, UWORD(method));
    QCOMPARE(ToHex(MessageData(received)), ToHex(expected));
}

// The peer's BYE is answered with one BYE, reading stops, and later sends go nowhere.
void tst_TCPLink::byeIsAnsweredOnce()
{
    cRouterFixture router;
    cProbeObject probe("probe");
    sLinkOnMemory link;
    link.mDevice.PushIncoming(LoadHexData("frames/bye.hex"));
    QCOMPARE(link.mDevice.TakeWritten(), cConnectionBaseQt::GetByeMessage());
    QVERIFY(link.mLink.WasByeReceived());
    QVERIFY(link.mLink.WasByeSent());
    QCOMPARE(link.mDisconnected.count(), 1);

    link.mDevice.PushIncoming(cFrameWriter::ObjectFrame(MakeMessage(probe.GetHandle(), PARAMETER_BASE, "ab")));
    link.mDevice.PushIncoming(LoadHexData("frames/bye.hex"));
    link.mLink.SendMessage(MakeMessage(1, PARAMETER_BASE, "cd"));
    link.mLink.TCPDisconnect(false);
    QCoreApplication::processEvents();
    QCOMPARE(router.Drain(), 0);
    QCOMPARE(link.mDevice.Written(), QByteArray());
    QCOMPARE(link.mLink.GetTransmitQueueLength(), std::size_t(0));
    QCOMPARE(link.mDisconnected.count(), 1);
}

void tst_TCPLink::byeAfterOwnByeIsNotAnswered()
{
    sLinkOnMemory link;
    link.mLink.TCPDisconnect(false);
    QCOMPARE(link.mDevice.TakeWritten(), cConnectionBaseQt::GetByeMessage());
    link.mDevice.PushIncoming(LoadHexData("frames/bye.hex"));
    QVERIFY(link.mLink.WasByeReceived());
    QCOMPARE(link.mDevice.Written(), QByteArray());
    QCOMPARE(link.mDisconnected.count(), 1);
}

// Frames queued before the close leave ahead of BYE; nothing is queued after it.
void tst_TCPLink::disconnectWritesQueuedFramesThenBye()
{
    sLinkOnMemory link;
    const cZUNetMessage first = MakeMessage(1, PARAMETER_BASE, "one");
    const cZUNetMessage second = MakeMessage(2, PARAMETER_BASE + 1, "two");
    link.mLink.SendMessage(first);
    link.mLink.SendMessage(second);
    link.mLink.TCPDisconnect(false);
    QCOMPARE(ToHex(link.mDevice.TakeWritten()),
        ToHex(
            cFrameWriter::ObjectFrame(first) + cFrameWriter::ObjectFrame(second) + cConnectionBaseQt::GetByeMessage()));
    link.mLink.SendMessage(first);
    link.mLink.SendMessage(ZUNetWire::kKeepAlivePayload, ZUNetWire::kKeepAlivePayloadLength);
    QCoreApplication::processEvents();
    QCOMPARE(link.mLink.GetTransmitQueueLength(), std::size_t(0));
    QCOMPARE(link.mDevice.Written(), QByteArray());
    QCOMPARE(link.mDisconnected.count(), 1);
}

void tst_TCPLink::lostCommsClosesWithoutBye()
{
    sLinkOnMemory link;
    link.mLink.SendMessage(MakeMessage(1, PARAMETER_BASE, "x"));
    link.mLink.TCPDisconnect(true);
    QVERIFY(!link.mDevice.isOpen());
    QCOMPARE(link.mDisconnected.count(), 1);
    link.mLink.TCPDisconnect(false); // once only
    QCoreApplication::processEvents();
    QCOMPARE(link.mDevice.Written(), QByteArray());
    QCOMPARE(link.mDisconnected.count(), 1);
}

void tst_TCPLink::peerCloseReportsDisconnection()
{
    sLinkOnMemory link;
    link.mDevice.FinishIncoming();
    QCOMPARE(link.mDisconnected.count(), 1);
}

// Ten sends in a row wake the write loop once, which writes all ten in order; a later burst wakes
// it again.
void tst_TCPLink::burstWakesTransmitOnce()
{
    sLinkOnMemory link;
    QByteArray expected;
    for (int i = 0; i < 10; ++i) {
        const cZUNetMessage message = MakeMessage(UWORD(i), PARAMETER_BASE, QByteArray(i, char(i)));
        expected += cFrameWriter::ObjectFrame(message);
        link.mLink.SendMessage(message);
    }
    QCOMPARE(link.mSend.count(), 1);
    QCOMPARE(link.mDevice.Written(), QByteArray());
    QCoreApplication::processEvents();
    QCOMPARE(ToHex(link.mDevice.TakeWritten()), ToHex(expected));

    link.mLink.SendMessage(ZUNetWire::kKeepAlivePayload, ZUNetWire::kKeepAlivePayloadLength);
    QCOMPARE(link.mSend.count(), 2);
    QCoreApplication::processEvents();
    QCOMPARE(link.mDevice.Written(), LoadHexData("frames/keep-alive.hex"));
}

void tst_TCPLink::partialWritesAreCompleted()
{
    sLinkOnMemory link;
    link.mDevice.mMaxWriteChunk = 3;
    const cZUNetMessage message = MakeMessage(1, PARAMETER_BASE, QByteArray(100, 'z'));
    link.mLink.SendMessage(message);
    link.mLink.SendMessage(message);
    QCoreApplication::processEvents();
    QCOMPARE(link.mDevice.Written(), cFrameWriter::ObjectFrame(message) + cFrameWriter::ObjectFrame(message));
}

// A failed write drops that frame and stops the loop; the frames after it stay queued.
void tst_TCPLink::writeFailureKeepsTheRestQueued()
{
    sLinkOnMemory link;
    const cZUNetMessage message = MakeMessage(1, PARAMETER_BASE, "abcd");
    link.mDevice.mFailWritesAfter = cFrameWriter::ObjectFrameLength(message) + 5;
    for (int i = 0; i < 4; ++i)
        link.mLink.SendMessage(message);
    QCoreApplication::processEvents();
    QCOMPARE(link.mDevice.Written().size(), int(cFrameWriter::ObjectFrameLength(message)) + 5);
    QCOMPARE(link.mLink.GetTransmitQueueLength(), std::size_t(2));
}

void tst_TCPLink::stoppedTransmitWritesNothing()
{
    sLinkOnMemory link;
    link.mLink.SetTransmitStopped();
    link.mLink.SendMessage(MakeMessage(1, PARAMETER_BASE, "a"));
    QCoreApplication::processEvents();
    QCOMPARE(link.mDevice.Written(), QByteArray());
    QCOMPARE(link.mLink.GetTransmitQueueLength(), std::size_t(1));
}

QTEST_GUILESS_MAIN(tst_TCPLink)
#include "tst_tcplink.moc"
