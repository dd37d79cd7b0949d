// The TCP and datagram links on real sockets over 127.0.0.1, against a raw peer socket.

#include "ZUNet/Core/ZUNetMethods.h"
#include "ZUNet/QT/FrameWriter.h"
#include "ZUNet/QT/TCPConnection.h"
#include "ZUNet/QT/UDPConnection.h"
#include "ZUNet/QT/ZUNetWire.h"
#include "tests/support/HexData.h"
#include "tests/support/MessageData.h"
#include "tests/support/ProbeObject.h"
#include "tests/support/RecordingLinkHandler.h"
#include "tests/support/RouterFixture.h"
#include "tests/support/TraceCapture.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

const QHostAddress kLoopback(QHostAddress::LocalHost);

cZUNetMessage MakeMessage(UWORD destination, UWORD method, const QByteArray& data)
{
    return MessageWithData(0x4321, destination, 9, method, data);
}

/// A connected pair of TCP sockets on 127.0.0.1: `mLinkSide` for the link, `mPeer` raw.
struct sTcpPair {
    QTcpServer mServer;
    QTcpSocket mPeer;
    std::unique_ptr<QTcpSocket> mLinkSide;
    QByteArray mPeerReceived;

    bool Connect()
    {
        if (!mServer.listen(kLoopback, 0))
            return false;
        mPeer.connectToHost(kLoopback, mServer.serverPort());
        if (!mServer.waitForNewConnection(5000))
            return false;
        mLinkSide.reset(mServer.nextPendingConnection());
        mLinkSide->setParent(nullptr);
        return mLinkSide != nullptr;
    }
    /// Everything the peer has read so far.
    const QByteArray& PeerReceived()
    {
        mPeerReceived += mPeer.readAll();
        return mPeerReceived;
    }
};

/// Enough frames of kLargeData bytes to fill a loopback socket that is not read.
constexpr int kLargeData = 60000;
constexpr int kFramesToFill = 300;

/// Sends more large frames than an unread loopback socket takes, stopping early once the link
/// queues more than `queuedAtMost` bytes itself; returns their bytes.
QByteArray FillSocket(cTCPConnection& link, ULONG queuedAtMost = ULONG(-1))
{
    QByteArray frames;
    for (int i = 0; i < kFramesToFill && link.GetQueuedBytes() <= queuedAtMost; ++i) {
        const cZUNetMessage message = MakeMessage(UWORD(i), PARAMETER_BASE, QByteArray(kLargeData, char(i)));
        frames += cFrameWriter::ObjectFrame(message);
        link.SendMessage(message);
    }
    return frames;
}

/// A link-side QTcpSocket whose peer is a plain descriptor read on a thread of its own, so that
/// it can read while this thread is held up in a close.
struct sRawPeer {
    QTcpServer mServer;
    std::unique_ptr<QTcpSocket> mLinkSide;
    int mFd = -1;
    std::thread mReader;
    QByteArray mReceived;

    bool Connect()
    {
        if (!mServer.listen(kLoopback, 0))
            return false;
        mFd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in where {};
        where.sin_family = AF_INET;
        where.sin_port = htons(mServer.serverPort());
        where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(mFd, reinterpret_cast<sockaddr*>(&where), sizeof(where)) != 0)
            return false;
        if (!mServer.waitForNewConnection(5000))
            return false;
        mLinkSide.reset(mServer.nextPendingConnection());
        mLinkSide->setParent(nullptr);
        return mLinkSide != nullptr;
    }
    void StartReading()
    {
        mReader = std::thread([this] {
            char buffer[65536];
            ssize_t count;
            while ((count = ::recv(mFd, buffer, sizeof(buffer), 0)) > 0)
                mReceived.append(buffer, int(count));
        });
    }
    /// Everything read until the link side closed.
    QByteArray WaitForEnd()
    {
        if (mReader.joinable())
            mReader.join();
        return mReceived;
    }
    ~sRawPeer()
    {
        if (mFd >= 0)
            ::shutdown(mFd, SHUT_RDWR);
        if (mReader.joinable())
            mReader.join();
        if (mFd >= 0)
            ::close(mFd);
    }
};

} // namespace

class tst_LinksLoopback : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void tcpCarriesFramesBothWays();
    void tcpPeerByeIsAnsweredOnce();
    void tcpCloseSendsBye();
    void tcpLostCommsClosesWithoutBye();
    void tcpPeerDisconnectIsReported();
    void tcpFullSocketQueuesInOrder();
    void tcpCloseFlushesAFullSocketThenBye();
    void tcpQueueOverItsLimitEndsTheConnection();
    void tcpCloseGivesUpOnAPeerThatNeverReads();
    void tcpCloseThatGivesUpWritesNothingMore();
    void tcpPeerThatNeverReadsStallsTheLink();
    void tcpSendingToAResetPeerIsHarmless();

    void udpSendsOnlyOnceThePeerPortIsKnown();
    void udpAcceptsOnlyThePeer();
    void udpRegistersForLostComms();
    void udpOversizedDatagramIsTraced();
    void udpBindFallsBackToAnotherPort();
    void udpDisconnectStopsSending();
};

void tst_LinksLoopback::tcpCarriesFramesBothWays()
{
    cRouterFixture router;
    cProbeObject probe("probe");
    probe.mSwallowAll = true;
    sTcpPair pair;
    QVERIFY(pair.Connect());
    cTCPConnection link(*pair.mLinkSide, 7);
    QSignalSpy hello(&link, &cTCPConnection::HelloReceived);

    pair.mPeer.write(LoadHexData("frames/hello.hex"));
    pair.mPeer.write(cFrameWriter::ObjectFrame(MakeMessage(probe.GetHandle(), PARAMETER_BASE, "value")));
    pair.mPeer.write(cFrameWriter::ObjectFrame(
        MakeMessage(probe.GetHandle(), M_OBJECT_ADD_TO_INFORM_LIST, HexBytes("12 34 00 07 10 00 10 01 00 01"))));
    QTRY_COMPARE(hello.count(), 1);
    QCOMPARE(hello.at(0).at(0).value<ushort>(), ushort(51321));
    QTRY_COMPARE((router.Drain(), probe.mReceived.size()), 2);
    QCOMPARE(probe.mReceived.at(0).mConnectionId, UWORD(7));
    QCOMPARE(MessageData(probe.mReceived.at(0)), QByteArray("value"));
    QCOMPARE(ToHex(MessageData(probe.mReceived.at(1))), QStringLiteral("00 07 00 07 10 00 10 01 00 01"));

    const cZUNetMessage reply = MakeMessage(3, PARAMETER_BASE + 2, QByteArray(1000, 'r'));
    link.SendHelloAck(51331);
    link.SendMessage(reply);
    const QByteArray expected
        = LoadHexData("frames/hello-ack.hex").replace(5, 2, HexBytes("C8 83")) + cFrameWriter::ObjectFrame(reply);
    QTRY_COMPARE(pair.PeerReceived().size(), expected.size());
    QCOMPARE(ToHex(pair.PeerReceived()), ToHex(expected));
}

void tst_LinksLoopback::tcpPeerByeIsAnsweredOnce()
{
    sTcpPair pair;
    QVERIFY(pair.Connect());
    cTCPConnection link(*pair.mLinkSide, 7);
    QSignalSpy disconnected(&link, &cTCPConnection::TCPConnectionDisconnected);
    QSignalSpy send(&link, &cConnectionBaseQt::Send);

    pair.mPeer.write(LoadHexData("frames/bye.hex"));
    QTRY_COMPARE(pair.PeerReceived(), cConnectionBaseQt::GetByeMessage());
    QCOMPARE(disconnected.count(), 1);
    QVERIFY(link.WasByeReceived());
    link.SendMessage(MakeMessage(1, PARAMETER_BASE, "late"));
    QCOMPARE(link.GetTransmitQueueLength(), std::size_t(0));
    QCOMPARE(send.count(), 0);
}

void tst_LinksLoopback::tcpCloseSendsBye()
{
    sTcpPair pair;
    QVERIFY(pair.Connect());
    cTCPConnection link(*pair.mLinkSide, 7);
    const cZUNetMessage last = MakeMessage(1, PARAMETER_BASE, "last words");
    link.SendMessage(last);
    link.TCPDisconnect(false);
    QVERIFY(link.WasByeSent());
    const QByteArray expected = cFrameWriter::ObjectFrame(last) + cConnectionBaseQt::GetByeMessage();
    QTRY_COMPARE(pair.PeerReceived().size(), expected.size());
    QCOMPARE(pair.PeerReceived(), expected);
}

void tst_LinksLoopback::tcpLostCommsClosesWithoutBye()
{
    sTcpPair pair;
    QVERIFY(pair.Connect());
    cTCPConnection link(*pair.mLinkSide, 7);
    QSignalSpy peerClosed(&pair.mPeer, &QTcpSocket::disconnected);
    link.TCPDisconnect(true);
    QTRY_COMPARE(peerClosed.count(), 1);
    QCOMPARE(pair.PeerReceived(), QByteArray());
    QVERIFY(!link.WasByeSent());
}

void tst_LinksLoopback::tcpPeerDisconnectIsReported()
{
    sTcpPair pair;
    QVERIFY(pair.Connect());
    cTCPConnection link(*pair.mLinkSide, 7);
    QSignalSpy disconnected(&link, &cTCPConnection::TCPConnectionDisconnected);
    pair.mPeer.disconnectFromHost();
    QTRY_COMPARE(disconnected.count(), 1);
}

// Frames the socket cannot take wait in the queue and go out, in order, once the peer reads.
void tst_LinksLoopback::tcpFullSocketQueuesInOrder()
{
    sTcpPair pair;
    QVERIFY(pair.Connect());
    cTCPConnection link(*pair.mLinkSide, 7);
    QVERIFY(link.WritesDirectly());
    const QByteArray expected = FillSocket(link);
    QVERIFY2(link.GetTransmitQueueLength() > 0, "the socket never filled");
    QTRY_COMPARE_WITH_TIMEOUT(pair.PeerReceived().size(), expected.size(), 20000);
    QVERIFY(pair.PeerReceived() == expected);
    QCOMPARE(link.GetTransmitQueueLength(), std::size_t(0));
}

// Closing with the socket full writes the rest and BYE while the peer reads them.
void tst_LinksLoopback::tcpCloseFlushesAFullSocketThenBye()
{
    sRawPeer peer;
    QVERIFY(peer.Connect());
    cTCPConnection link(*peer.mLinkSide, 7);
    // A few MB beyond what the socket holds: enough to need the flush, little enough to write
    // within the BYE wait on a loaded machine under sanitizers.
    const QByteArray expected = FillSocket(link, 2 * cConnectionBaseQt::kRoomQueuedBytes);
    QVERIFY2(link.GetTransmitQueueLength() > 0, "the socket never filled");
    peer.StartReading();
    link.TCPDisconnect(false);
    QVERIFY(link.WasByeSent());
    peer.mLinkSide->close();
    const QByteArray received = peer.WaitForEnd();
    QCOMPARE(received.size(), expected.size() + 7);
    QVERIFY(received == expected + cConnectionBaseQt::GetByeMessage());
}

// A unit's link to a runner that never reads holds at most its limit; the frame that would go over
// ends the connection, and what was queued is freed at once.
void tst_LinksLoopback::tcpQueueOverItsLimitEndsTheConnection()
{
    sRawPeer peer;
    QVERIFY(peer.Connect());
    cTCPConnection link(*peer.mLinkSide, 7);
    link.SetQueuedBytesLimit(cConnectionBaseQt::kUnitMostQueuedBytes);
    QSignalSpy disconnected(&link, &cTCPConnection::TCPConnectionDisconnected);
    cTraceCapture trace;
    QByteArray sent;
    ULONG mostQueued = 0;
    for (int i = 0; i < kFramesToFill; ++i) {
        const cZUNetMessage message = MakeMessage(UWORD(i), PARAMETER_BASE, QByteArray(kLargeData, char(i)));
        sent += cFrameWriter::ObjectFrame(message);
        link.SendMessage(message);
        mostQueued = std::max(mostQueued, link.GetQueuedBytes());
    }
    QVERIFY2(sent.size() > int(cConnectionBaseQt::kUnitMostQueuedBytes) * 3, "more than the socket and the limit hold");
    QVERIFY(mostQueued <= cConnectionBaseQt::kUnitMostQueuedBytes);
    QVERIFY(mostQueued > cConnectionBaseQt::kUnitMostQueuedBytes - ULONG(kLargeData) - 12);
    QCOMPARE(disconnected.count(), 1);
    QCOMPARE(trace.CountContaining("Transmit queue over 4194304 bytes"), 1);
    QCOMPARE(link.GetQueuedBytes(), ULONG(0));
    QCOMPARE(link.GetTransmitQueueLength(), std::size_t(0));
    link.SendMessage(MakeMessage(1, PARAMETER_BASE, "late"));
    QCOMPARE(link.GetTransmitQueueLength(), std::size_t(0));

    // The peer reads again: it gets a part of what was sent, nothing twice and no BYE.
    peer.StartReading();
    link.TCPDisconnect(false);
    peer.mLinkSide->close();
    const QByteArray received = peer.WaitForEnd();
    QVERIFY(received.size() < sent.size());
    QVERIFY(received == sent.left(received.size()));
}

// A peer that never reads cannot hold a close up for longer than the BYE wait.
void tst_LinksLoopback::tcpPeerThatNeverReadsStallsTheLink()
{
    using std::chrono::milliseconds;
    sRawPeer peer;
    QVERIFY(peer.Connect());
    cTCPConnection link(*peer.mLinkSide, 7);
    QVERIFY(link.HasRoom());
    const QByteArray expected = FillSocket(link);
    // Bulk senders wait while the link holds this much; a peer that takes nothing for the
    // lost-comms time is stalled, one that reads again is not.
    QVERIFY(link.GetQueuedBytes() > cConnectionBaseQt::kRoomQueuedBytes);
    QVERIFY(!link.HasRoom());
    QVERIFY(!link.IsTransmitStalled(milliseconds(60000)));
    // The kernel may still take a frame or two while a loaded machine catches up.
    QTRY_VERIFY_WITH_TIMEOUT(link.IsTransmitStalled(milliseconds(100)), 5000);

    peer.StartReading();
    QTRY_VERIFY_WITH_TIMEOUT(link.GetQueuedBytes() == 0, 20000);
    QVERIFY(link.HasRoom());
    QVERIFY(!link.IsTransmitStalled(milliseconds(0)));
    link.TCPDisconnect(true);
    QCOMPARE(peer.WaitForEnd().size(), expected.size());
}

void tst_LinksLoopback::tcpCloseGivesUpOnAPeerThatNeverReads()
{
    sRawPeer peer;
    QVERIFY(peer.Connect());
    cTCPConnection link(*peer.mLinkSide, 7);
    FillSocket(link);
    QVERIFY2(link.GetTransmitQueueLength() > 0, "the socket never filled");
    QSignalSpy disconnected(&link, &cTCPConnection::TCPConnectionDisconnected);
    link.TCPDisconnect(false);
    QCOMPARE(disconnected.count(), 1);
    QVERIFY(link.WasByeSent());
    link.SendMessage(MakeMessage(1, PARAMETER_BASE, "late"));
    peer.StartReading();
    peer.mLinkSide->close();
    const QByteArray received = peer.WaitForEnd();
    QVERIFY(!received.endsWith("late"));
}

// The peer sends BYE and stops reading while frames are queued; the close writes part of them
// and gives up. A send posted before the close must not write the queue again: the peer would
// get a frame's head twice.
void tst_LinksLoopback::tcpCloseThatGivesUpWritesNothingMore()
{
    sRawPeer peer;
    QVERIFY(peer.Connect());
    cTCPConnection link(*peer.mLinkSide, 7);
    QSignalSpy disconnected(&link, &cTCPConnection::TCPConnectionDisconnected);
    const QByteArray expected = FillSocket(link);
    QVERIFY2(link.GetTransmitQueueLength() > 0, "the socket never filled");
    const QByteArray bye = cConnectionBaseQt::GetByeMessage();
    QCOMPARE(::send(peer.mFd, bye.constData(), size_t(bye.size()), 0), ssize_t(bye.size()));
    QTRY_COMPARE_WITH_TIMEOUT(disconnected.count(), 1, 5000);
    QVERIFY(link.WasByeReceived());
    Q_EMIT link.Send(); // a sender queued a frame just before the BYE arrived
    link.Transmit();
    QCoreApplication::processEvents();
    peer.StartReading();
    QTest::qWait(200); // time for anything still written to arrive
    peer.mLinkSide->abort();
    const QByteArray received = peer.WaitForEnd();
    QVERIFY(!received.isEmpty());
    QVERIFY2(received.size() < expected.size(), "the close gave up before all was written");
    QVERIFY2(received == expected.left(received.size()), "nothing written twice, nothing after the cut");
}

// Writing to a peer that reset the connection must neither raise SIGPIPE nor pile up frames.
void tst_LinksLoopback::tcpSendingToAResetPeerIsHarmless()
{
    sTcpPair pair;
    QVERIFY(pair.Connect());
    cTCPConnection link(*pair.mLinkSide, 7);
    QSignalSpy disconnected(&link, &cTCPConnection::TCPConnectionDisconnected);
    pair.mPeer.abort();
    for (int i = 0; i < 200 && disconnected.isEmpty(); ++i) {
        link.SendMessage(MakeMessage(1, PARAMETER_BASE, QByteArray(1000, 'z')));
        QTest::qWait(5);
    }
    QTRY_COMPARE(disconnected.count(), 1);
    link.SendMessage(MakeMessage(1, PARAMETER_BASE, "after"));
    QVERIFY(link.GetTransmitQueueLength() <= 1);
}

void tst_LinksLoopback::udpSendsOnlyOnceThePeerPortIsKnown()
{
    QUdpSocket peer;
    QVERIFY(peer.bind(kLoopback, 0));
    cRecordingLinkHandler handler;
    cUDPConnection link(5, kLoopback, 0);
    link.SetLinkEventHandler(&handler);
    QVERIFY(link.GetLocalPortNumber() != 0);

    const cZUNetMessage early = MakeMessage(1, PARAMETER_BASE, "early");
    const cZUNetMessage later = MakeMessage(1, PARAMETER_BASE, "later");
    link.SendMessage(early);
    link.SendMessage(ZUNetWire::kKeepAlivePayload, ZUNetWire::kKeepAlivePayloadLength);
    QCOMPARE(link.GetTransmitQueueLength(), std::size_t(0));

    link.SetRemotePortNumber(peer.localPort(), false);
    link.SendMessage(later);
    QTRY_VERIFY(peer.hasPendingDatagrams());
    QByteArray datagram(int(peer.pendingDatagramSize()), Qt::Uninitialized);
    QHostAddress sender;
    quint16 senderPort = 0;
    peer.readDatagram(datagram.data(), datagram.size(), &sender, &senderPort);
    QCOMPARE(ToHex(datagram), ToHex(cFrameWriter::ObjectFrame(later)));
    QCOMPARE(senderPort, quint16(link.GetLocalPortNumber()));
    QVERIFY(handler.Registered().isEmpty());
}

// Only datagrams from the peer's address and port are parsed; each datagram stands alone.
void tst_LinksLoopback::udpAcceptsOnlyThePeer()
{
    cRouterFixture router;
    cProbeObject probe("probe");
    probe.mSwallowAll = true;
    cTraceCapture capture;
    QUdpSocket peer;
    QUdpSocket stranger;
    QVERIFY(peer.bind(kLoopback, 0));
    QVERIFY(stranger.bind(kLoopback, 0));
    cRecordingLinkHandler handler;
    cUDPConnection link(5, kLoopback, 0);
    link.SetLinkEventHandler(&handler);
    const QHostAddress to = kLoopback;
    const quint16 port = link.GetLocalPortNumber();

    const QByteArray keepAlive = LoadHexData("frames/keep-alive.hex");
    const auto* keepAliveBytes = reinterpret_cast<const UBYTE*>(keepAlive.constData());
    link.DatagramReceived(keepAliveBytes, ULONG(keepAlive.size()), kLoopback, peer.localPort()); // port unknown
    link.SetRemotePortNumber(peer.localPort(), false);
    link.DatagramReceived(keepAliveBytes, ULONG(keepAlive.size()), QHostAddress("127.0.0.2"), peer.localPort());
    QVERIFY(handler.Utility().isEmpty());
    stranger.writeDatagram(LoadHexData("frames/keep-alive.hex"), to, port);
    peer.writeDatagram(cFrameWriter::ObjectFrame(MakeMessage(
                           probe.GetHandle(), M_OBJECT_REMOVE_FROM_INFORM_LIST, HexBytes("12 34 00 07 10 00 10 01"))),
        to, port);
    peer.writeDatagram(HexBytes("E0 00 01 03 E7"), to, port);
    peer.writeDatagram(HexBytes("E0 00 01 07 E7"), to, port);
    peer.writeDatagram(HexBytes("E0 00 00 E7"), to, port);
    peer.writeDatagram(HexBytes("F0 00 01 00 02 00 03 10 00 00 09 01"), to, port); // cut short
    peer.writeDatagram(HexBytes("E0 00 01 03 E7"), to, port);

    const QByteArray alive("\x03", 1);
    QTRY_COMPARE(handler.Utility(),
        (QList<QPair<UWORD, QByteArray>> { { 5, alive }, { 5, QByteArray("\x07", 1) }, { 5, alive } }));
    QCOMPARE(router.Drain(), 1);
    QCOMPARE(probe.mReceived.size(), 1);
    QCOMPARE(probe.mReceived.at(0).mConnectionId, UWORD(5));
    QCOMPARE(ToHex(MessageData(probe.mReceived.at(0))), QStringLiteral("00 05 00 07 10 00 10 01"));
    QCOMPARE(capture.Lines(),
        (QStringList { "ERROR: Empty Util Message Received mConnectionId = 5",
            "ERROR: Datagram ends inside a frame, dropped: mConnectionId = 5" }));
}

void tst_LinksLoopback::udpRegistersForLostComms()
{
    cRecordingLinkHandler handler;
    cUDPConnection link(9, kLoopback, 0);
    link.SetLinkEventHandler(&handler);
    link.SetRemotePortNumber(40000, true);
    QCOMPARE(handler.Registered(), QList<UWORD> { 9 });
    QCOMPARE(link.GetRemotePortNumber(), UWORD(40000));
}

// A frame too big for one datagram is traced and lost; the link goes on.
void tst_LinksLoopback::udpOversizedDatagramIsTraced()
{
    cTraceCapture capture;
    QUdpSocket peer;
    QVERIFY(peer.bind(kLoopback, 0));
    cUDPConnection link(5, kLoopback, 0);
    link.SetRemotePortNumber(peer.localPort(), false);
    link.SendMessage(MakeMessage(1, PARAMETER_BASE, QByteArray(65535, 'x')));
    link.SendMessage(ZUNetWire::kKeepAlivePayload, ZUNetWire::kKeepAlivePayloadLength);
    QTRY_VERIFY(peer.hasPendingDatagrams());
    QByteArray datagram(int(peer.pendingDatagramSize()), Qt::Uninitialized);
    peer.readDatagram(datagram.data(), datagram.size());
    QCOMPARE(datagram, LoadHexData("frames/keep-alive.hex"));
    QCOMPARE(capture.Lines(),
        QStringList { QStringLiteral("ERROR: Error writing datagram -1 65547 %1")
                          .arg(int(QAbstractSocket::DatagramTooLargeError)) });
}

void tst_LinksLoopback::udpBindFallsBackToAnotherPort()
{
    cTraceCapture capture;
    QUdpSocket holder;
    QVERIFY(holder.bind(QHostAddress::Any, 0, QAbstractSocket::DontShareAddress));
    const quint16 held = holder.localPort();
    cUDPConnection link(5, kLoopback, held);
    QVERIFY(link.GetLocalPortNumber() != 0);
    QVERIFY(link.GetLocalPortNumber() != held);
    QCOMPARE(capture.Lines(), QStringList()); // the fallback is a diagnostic only
}

void tst_LinksLoopback::udpDisconnectStopsSending()
{
    QUdpSocket peer;
    QVERIFY(peer.bind(kLoopback, 0));
    cUDPConnection link(5, kLoopback, 0);
    link.SetRemotePortNumber(peer.localPort(), false);
    link.SendMessage(ZUNetWire::kKeepAlivePayload, ZUNetWire::kKeepAlivePayloadLength);
    link.UDPDisconnect(false);
    link.SendMessage(ZUNetWire::kKeepAlivePayload, ZUNetWire::kKeepAlivePayloadLength);
    QCOMPARE(link.GetTransmitQueueLength(), std::size_t(1));
    QCoreApplication::processEvents(); // the write loop frees what was queued without sending it
    QCOMPARE(link.GetTransmitQueueLength(), std::size_t(0));
    QVERIFY(link.IsDisconnecting());
}

QTEST_GUILESS_MAIN(tst_LinksLoopback)
#include "tst_links_loopback.moc"
