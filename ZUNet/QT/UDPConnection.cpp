#include "ZUNet/QT/UDPConnection.h"

#include "ZUNet/Core/Trace.h"
#include "ZUNet/QT/LinkEventHandler.h"

#include <QUdpSocket>

namespace
{
// A TCP socket may report an IPv4 address in its IPv6-mapped form; a datagram socket bound to
// that form would not carry IPv4.
QHostAddress BindAddress(const QHostAddress& address)
{
    if (address.isNull())
        return QHostAddress(QHostAddress::Any);
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    return isIPv4 ? QHostAddress(ipv4) : address;
}
} // namespace

cUDPConnection::cUDPConnection(
    UWORD connectionId, const QHostAddress& peer, quint16 localPort, const QHostAddress& localAddress)
    : cConnectionBaseQt(connectionId)
    , mSocket(new QUdpSocket(this))
    , mPeer(peer)
{
    const QHostAddress bindAddress = BindAddress(localAddress);
    if (!mSocket->bind(bindAddress, localPort)) {
        ZU_DIAG("UDP Bind on %d Failed. Trying to use ephemeral port", localPort);
        if (!mSocket->bind(bindAddress, quint16(0)))
            ZU_ERR("UDP Bind Failed.");
    }
    connect(mSocket, &QUdpSocket::readyRead, this, &cUDPConnection::ReadPendingDatagrams);
    mLocalPort = mSocket->state() == QAbstractSocket::BoundState ? mSocket->localPort() : 0;
}

cUDPConnection::~cUDPConnection()
{
    mDisconnecting.store(true);
    delete mSocket;
    mSocket = nullptr;
}

void cUDPConnection::SendMessage(const cZUNetMessage& message)
{
    if (!mDisconnecting.load() && mRemotePort.load() != 0)
        AddMessageToTransmitQueue(message);
}

void cUDPConnection::SendMessage(const UBYTE* payload, UWORD length)
{
    if (!mDisconnecting.load() && mRemotePort.load() != 0)
        AddMessageToTransmitQueue(payload, length);
}

void cUDPConnection::SetRemotePortNumber(UWORD port, bool registerWithLostComms)
{
    mRemotePort.store(port);
    if (!registerWithLostComms)
        return;
    if (cLinkEventHandler* handler = mHandler.load())
        handler->RegisterConnectionWithLostComms(mConnectionId);
}

void cUDPConnection::UDPDisconnect(bool)
{
    if (mDisconnecting.exchange(true))
        return;
    disconnect(mSocket, &QUdpSocket::readyRead, this, &cUDPConnection::ReadPendingDatagrams);
    if (mSocket->isOpen())
        mSocket->close();
}

void cUDPConnection::Transmit()
{
    const tTransmitQueueLock locker = LockTransmitQueue();
    const quint16 port = mRemotePort.load();
    const bool sending = !mDisconnecting.load();
    sTransmitItem item;
    while (GetNextTransmitQueueItem(item)) {
        if (!sending)
            continue;
        const qint64 sent = mSocket->writeDatagram(
            reinterpret_cast<const char*>(item.mBlock.get()), qint64(item.mLength), mPeer, port);
        if (sent != qint64(item.mLength)) {
            const QAbstractSocket::SocketError error = mSocket->error();
            if (error != QAbstractSocket::NetworkError && error != QAbstractSocket::TemporaryError)
                ZU_ERR("Error writing datagram %ld %lu %d", long(sent), static_cast<unsigned long>(item.mLength),
                    int(error));
        }
    }
}

void cUDPConnection::ReadPendingDatagrams()
{
    while (mSocket->hasPendingDatagrams()) {
        const qint64 size = mSocket->pendingDatagramSize();
        mReceiveBuffer.resize(size_t(qMax<qint64>(size, 1)));
        QHostAddress sender;
        quint16 senderPort = 0;
        const qint64 count
            = mSocket->readDatagram(mReceiveBuffer.data(), qint64(mReceiveBuffer.size()), &sender, &senderPort);
        if (count < 0)
            break;
        DatagramReceived(reinterpret_cast<const UBYTE*>(mReceiveBuffer.data()), ULONG(count), sender, senderPort);
    }
}

void cUDPConnection::DatagramReceived(const UBYTE* bytes, ULONG count, const QHostAddress& sender, quint16 senderPort)
{
    const UWORD remotePort = mRemotePort.load();
    if (remotePort == 0 || senderPort != remotePort)
        return;
    bool senderIsIPv4 = false;
    bool peerIsIPv4 = false;
    const quint32 senderAddress = sender.toIPv4Address(&senderIsIPv4);
    const quint32 peerAddress = mPeer.toIPv4Address(&peerIsIPv4);
    if (!senderIsIPv4 || !peerIsIPv4 || senderAddress != peerAddress)
        return;
    MessageReceived(bytes, count);
    // A datagram is self-contained: a frame it cuts short must not swallow the next datagrams.
    if (Parser().GetState() != cFrameParser::BETWEEN_FRAMES) {
        ZU_ERR("Datagram ends inside a frame, dropped: mConnectionId = %d", mConnectionId);
        Parser().Reset();
    }
}

void cUDPConnection::ZUNetMessageReceived(cZUNetMessage& message)
{
    PostToRegistry(message);
}

void cUDPConnection::CheckDisconnectMessage(UBYTE* payload, UWORD length)
{
    UtilMessageReceived(payload, length);
}

void cUDPConnection::UtilMessageReceived(UBYTE* payload, UWORD length)
{
    if (length == 0) {
        ZU_ERR("Empty Util Message Received mConnectionId = %d", mConnectionId);
        return;
    }
    if (cLinkEventHandler* handler = mHandler.load())
        handler->UtilityMessageReceived(payload, length, mConnectionId);
}
