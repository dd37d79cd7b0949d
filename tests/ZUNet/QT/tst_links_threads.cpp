// Links on their own thread while several threads send through them at once: every frame is
// written, in each sender's order, and no wake-up of the write loop is lost; also when the frames
// are large enough to fill the socket, so that senders queue behind partial writes.

#include "ZUNet/Core/ZUNetMethods.h"
#include "ZUNet/QT/FrameParser.h"
#include "ZUNet/QT/TCPConnection.h"
#include "ZUNet/QT/UDPConnection.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QUdpSocket>
#include <QtTest>

#include <functional>
#include <thread>
#include <vector>

namespace
{

const QHostAddress kLoopback(QHostAddress::LocalHost);
constexpr int kSenders = 4;
constexpr int kTcpPerSender = 500;
constexpr int kUdpPerSender = 25;

/// Hands out accepted descriptors instead of sockets, so the socket can be made on the link's thread.
class cDescriptorServer : public QTcpServer
{
public:
    QVector<qintptr> mDescriptors;

protected:
    void incomingConnection(qintptr descriptor) override { mDescriptors.append(descriptor); }
};

/// Records the (sender, sequence) pairs of the object frames it parses.
class cSequenceCollector : public cFrameParser::cReceiver
{
public:
    void ObjectFrameParsed(cZUNetMessage& m) override
    {
        if (m.mLength >= 4)
            mSeen.append(qMakePair(int(m.GetDataBufferUWORD(0)), int(m.GetDataBufferUWORD(2))));
    }
    void UtilityFrameParsed(UBYTE*, UWORD) override { }
    QVector<QPair<int, int>> mSeen;
};

struct sAtExit {
    std::function<void()> mRun;
    ~sAtExit() { mRun(); }
};

bool InEachSendersOrder(const QVector<QPair<int, int>>& seen, int perSender)
{
    QVector<int> next(kSenders, 0);
    for (const auto& item : seen) {
        if (item.first >= kSenders || item.second != next[item.first])
            return false;
        ++next[item.first];
    }
    for (int n : next)
        if (n != perSender)
            return false;
    return true;
}

} // namespace

class tst_LinksThreads : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void concurrentSendersOnBothLinks_data();
    void concurrentSendersOnBothLinks();
};

void tst_LinksThreads::concurrentSendersOnBothLinks_data()
{
    QTest::addColumn<int>("padding"); // data bytes after the sender and sequence words
    QTest::newRow("small frames") << 0;
    // 2,000 frames of 8 kB: more than the socket takes while the peer is not reading.
    QTest::newRow("frames that fill the socket") << 8000;
}

void tst_LinksThreads::concurrentSendersOnBothLinks()
{
    QFETCH(int, padding);
    cDescriptorServer server;
    QVERIFY(server.listen(kLoopback, 0));
    QTcpSocket peer;
    peer.connectToHost(kLoopback, server.serverPort());
    QTRY_COMPARE(server.mDescriptors.size(), 1);
    QUdpSocket udpPeer;
    QVERIFY(udpPeer.bind(kLoopback, 0));
    udpPeer.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 1 << 20);

    QThread linkThread;
    QObject onLinkThread;
    onLinkThread.moveToThread(&linkThread);
    linkThread.start();

    QTcpSocket* socket = nullptr;
    cTCPConnection* tcp = nullptr;
    cUDPConnection* udp = nullptr;
    const qintptr descriptor = server.mDescriptors.at(0);
    const quint16 udpPeerPort = udpPeer.localPort();
    QMetaObject::invokeMethod(
        &onLinkThread,
        [&] {
            socket = new QTcpSocket;
            socket->setSocketDescriptor(descriptor);
            tcp = new cTCPConnection(*socket, 3);
            udp = new cUDPConnection(3, kLoopback, 0);
            udp->SetRemotePortNumber(udpPeerPort, false);
        },
        Qt::BlockingQueuedConnection);
    // The links and their sockets end on their own thread, also when a check below fails.
    bool closed = false;
    const auto close = [&] {
        if (closed)
            return;
        closed = true;
        QMetaObject::invokeMethod(
            &onLinkThread,
            [&] {
                tcp->TCPDisconnect(false);
                udp->UDPDisconnect(false);
                delete tcp;
                delete udp;
                delete socket;
            },
            Qt::BlockingQueuedConnection);
        linkThread.quit();
        linkThread.wait();
    };
    const sAtExit guard { close };
    QVERIFY(socket && socket->state() == QAbstractSocket::ConnectedState);

    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([s, tcp, udp, padding] {
            cZUNetMessage message(UWORD(4 + padding));
            message.mDestination = 1;
            message.mSource = 2;
            message.mMethod = PARAMETER_BASE;
            message.SetDataBufferUWORD(UWORD(s), 0);
            for (int i = 0; i < kTcpPerSender; ++i) {
                message.SetDataBufferUWORD(UWORD(i), 2);
                tcp->SendMessage(message);
                if (i < kUdpPerSender)
                    udp->SendMessage(message);
            }
        });
    }
    for (std::thread& sender : senders)
        sender.join();
    if (padding > 0)
        QVERIFY2(tcp->GetTransmitQueueLength() > 0, "the socket never filled");

    cSequenceCollector tcpSeen;
    cFrameParser tcpParser(tcpSeen);
    const auto readTcp = [&] {
        const QByteArray bytes = peer.readAll();
        tcpParser.Feed(reinterpret_cast<const UBYTE*>(bytes.constData()), ULONG(bytes.size()));
        return tcpSeen.mSeen.size();
    };
    QTRY_COMPARE_WITH_TIMEOUT(readTcp(), kSenders * kTcpPerSender, 10000);
    QVERIFY(InEachSendersOrder(tcpSeen.mSeen, kTcpPerSender));

    cSequenceCollector udpSeen;
    cFrameParser udpParser(udpSeen);
    const auto readUdp = [&] {
        while (udpPeer.hasPendingDatagrams()) {
            QByteArray datagram(int(udpPeer.pendingDatagramSize()), Qt::Uninitialized);
            udpPeer.readDatagram(datagram.data(), datagram.size());
            udpParser.Feed(reinterpret_cast<const UBYTE*>(datagram.constData()), ULONG(datagram.size()));
        }
        return udpSeen.mSeen.size();
    };
    QTRY_COMPARE_WITH_TIMEOUT(readUdp(), kSenders * kUdpPerSender, 10000);
    QVERIFY(InEachSendersOrder(udpSeen.mSeen, kUdpPerSender));

    close(); // sends BYE
    QByteArray tail;
    QTRY_COMPARE((tail += peer.readAll()), cConnectionBaseQt::GetByeMessage());
}

QTEST_GUILESS_MAIN(tst_LinksThreads)
#include "tst_links_threads.moc"
