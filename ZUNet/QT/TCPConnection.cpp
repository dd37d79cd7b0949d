#include "TCPConnection.h"

#include "FrameWriter.h"
#include "Trace.h"
#include "ZUNetWire.h"

#include <QAbstractSocket>
#include <QDeadlineTimer>

using namespace ZUNetWire;

cTCPConnection::cTCPConnection(QIODevice& device, UWORD connectionId)
    : cConnectionBaseQt(connectionId)
    , mDevice(device)
    , mSocket(qobject_cast<QAbstractSocket*>(&device))
{
    connect(&mDevice, &QIODevice::readyRead, this, &cTCPConnection::Receive);
    if (mSocket)
        connect(mSocket, &QAbstractSocket::disconnected, this, &cTCPConnection::TCPConnectionDisconnected);
    else
        connect(&mDevice, &QIODevice::readChannelFinished, this, &cTCPConnection::TCPConnectionDisconnected);
}

void cTCPConnection::SendMessage(const cZUNetMessage& message)
{
    if (!mByeSent.load())
        AddMessageToTransmitQueue(message);
}

void cTCPConnection::SendMessage(const UBYTE* payload, UWORD length)
{
    if (!mByeSent.load())
        AddMessageToTransmitQueue(payload, length);
}

void cTCPConnection::SendHello(UWORD localUdpPort)
{
    SendHelloPayload(kUtilityHello, localUdpPort);
}

void cTCPConnection::SendHelloAck(UWORD localUdpPort)
{
    SendHelloPayload(kUtilityHelloAck, localUdpPort);
}

void cTCPConnection::SendHelloPayload(UBYTE kind, UWORD localUdpPort)
{
    UBYTE payload[kHelloPayloadLength];
    cFrameWriter::WriteHelloPayload(kind, localUdpPort, payload);
    SendMessage(payload, kHelloPayloadLength);
}

void cTCPConnection::Receive()
{
    UBYTE buffer[kTcpReadChunk];
    while (!mByeReceived.load()) {
        const qint64 count = mDevice.read(reinterpret_cast<char*>(buffer), kTcpReadChunk);
        if (count <= 0)
            break;
        MessageReceived(buffer, ULONG(count));
    }
}

bool cTCPConnection::IsConnected() const
{
    return mSocket ? mSocket->state() == QAbstractSocket::ConnectedState : mDevice.isOpen();
}

bool cTCPConnection::WriteAll(const UBYTE* bytes, ULONG length)
{
    ULONG written = 0;
    while (written < length) {
        const qint64 count = mDevice.write(reinterpret_cast<const char*>(bytes) + written, qint64(length - written));
        if (count <= 0)
            return false;
        written += ULONG(count);
    }
    return true;
}

// Writes queued frames until the queue is empty or a write fails; a failed frame is dropped and
// the rest stay queued. Runs with the transmit-queue lock held.
void cTCPConnection::WriteQueuedFrames()
{
    sTransmitItem item;
    while (GetNextTransmitQueueItem(item)) {
        if (!WriteAll(item.mBlock.get(), item.mLength))
            return;
    }
}

void cTCPConnection::Transmit()
{
    if (mTransmitStopped.load() || !mDevice.isOpen())
        return;
    LockTransmitQueue();
    WriteQueuedFrames();
    UnlockTransmitQueue();
}

void cTCPConnection::TCPDisconnect(bool lostComms)
{
    if (mDisconnecting.exchange(true))
        return;
    if (lostComms) {
        if (mDevice.isOpen())
            mDevice.close();
    } else {
        if (IsConnected()) {
            // What was queued before the close goes out ahead of BYE: the peer stops reading at BYE.
            if (!mTransmitStopped.load()) {
                LockTransmitQueue();
                WriteQueuedFrames();
                UnlockTransmitQueue();
            }
            const QByteArray bye = GetByeMessage();
            if (WriteAll(reinterpret_cast<const UBYTE*>(bye.constData()), ULONG(bye.size())) && mSocket) {
                // The link's thread is ending, so no event loop will flush the socket later: push
                // the bytes now and wait a short, bounded time only when the peer's window is full.
                mSocket->flush();
                const QDeadlineTimer deadline(kByeWriteTimeoutMs);
                while (mSocket->bytesToWrite() > 0 && !deadline.hasExpired()) {
                    if (!mSocket->waitForBytesWritten(int(deadline.remainingTime())))
                        break;
                }
            }
        }
        mByeSent.store(true);
    }
    Q_EMIT TCPConnectionDisconnected();
}

void cTCPConnection::ZUNetMessageReceived(cZUNetMessage& message)
{
    PostToRegistry(message);
}

void cTCPConnection::CheckDisconnectMessage(UBYTE* payload, UWORD length)
{
    if (length == kByePayloadLength && payload[0] == kByePayload[0] && payload[1] == kByePayload[1]
        && payload[2] == kByePayload[2]) {
        mByeReceived.store(true);
        if (!mByeSent.load())
            TCPDisconnect(false);
        return;
    }
    UtilMessageReceived(payload, length);
}

void cTCPConnection::UtilMessageReceived(UBYTE* payload, UWORD length)
{
    if (length == 0)
        return;
    const UBYTE kind = payload[0];
    if (kind != kUtilityHello && kind != kUtilityHelloAck)
        return;
    UBYTE version = 0;
    UWORD port = 0;
    if (!ReadHelloPayload(payload, length, version, port)) {
        ZU_ERR("CONNECTION HELLO too short, dropped: Length: %d mConnectionId = %d", length, mConnectionId);
        return;
    }
    if (kind == kUtilityHello) {
        if (version != kProtocolVersion) {
            ZU_DIAG("Connection attmepted from unit using protocol version %d, no UDP connection established", version);
            return;
        }
        // One datagram link per connection: a repeated HELLO changes nothing.
        if (mHelloReceived) {
            ZU_ERR("CONNECTION HELLO repeated, ignored: mConnectionId = %d", mConnectionId);
            return;
        }
        mHelloReceived = true;
        Q_EMIT HelloReceived(port);
        return;
    }
    if (version != kProtocolVersion) {
        ZU_ERR("CONNECTION HELLO received with version: %d should be %d", version, kProtocolVersion);
        return;
    }
    if (mHelloAckReceived) {
        ZU_ERR("CONNECTION HELLO ACK repeated, ignored: mConnectionId = %d", mConnectionId);
        return;
    }
    mHelloAckReceived = true;
    Q_EMIT HelloAckReceived(port);
}
