#include "ZUNet/QT/TCPConnection.h"

#include "ZUNet/Core/Trace.h"
#include "ZUNet/QT/FrameWriter.h"
#include "ZUNet/QT/ZUNetWire.h"

#include <QAbstractSocket>
#include <QDeadlineTimer>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>

#include <algorithm>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

using namespace ZUNetWire;

namespace
{
// Frames up to this size are built on the stack when they can go straight out.
constexpr ULONG kStackFrameLength = 2048;
// A frame goes straight out only when the link has written nothing for this long. In a burst the
// link's thread writes many frames per system call instead, which a sender writing each frame
// itself would lose.
constexpr std::chrono::microseconds kIdleBeforeDirectWrite(20);
constexpr int kMaxFramesPerWrite = 256;
// Bulk (a configuration download's chunks) goes through the link's thread, which writes it in
// large pieces while the sender builds the next frame.
constexpr ULONG kMaxDirectFrameLength = kStackFrameLength;
} // namespace

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
    if (mSocket && mSocket->state() == QAbstractSocket::ConnectedState && mSocket->socketDescriptor() >= 0) {
        mDirectFd = ::fcntl(int(mSocket->socketDescriptor()), F_DUPFD_CLOEXEC, 0);
        if (mDirectFd >= 0) {
            // The link reads the socket itself (`ReceiveDirect`); Qt reads only enough to notice
            // that there is something, and the socket's end.
            mSocket->setReadBufferSize(1);
            mWriteNotifier = new QSocketNotifier(mDirectFd, QSocketNotifier::Write, this);
            mWriteNotifier->setEnabled(false);
            connect(mWriteNotifier, &QSocketNotifier::activated, this, &cTCPConnection::Transmit);
        }
    }
}

cTCPConnection::~cTCPConnection()
{
    const tTransmitQueueLock locker = LockTransmitQueue();
    CloseDirectDescriptor();
}

bool cTCPConnection::WritesDirectly() const
{
    const tTransmitQueueLock locker = LockTransmitQueue();
    return mDirectFd >= 0;
}

void cTCPConnection::SendMessage(const cZUNetMessage& message)
{
    if (mByeSent.load())
        return;
    const ULONG length = cFrameWriter::ObjectFrameLength(message);
    if (length <= kStackFrameLength) {
        UBYTE frame[kStackFrameLength];
        cFrameWriter::WriteObjectFrame(message, frame);
        SendFrame(frame, length);
    } else {
        cFrameBlock frame(length);
        UBYTE* bytes = frame.get();
        cFrameWriter::WriteObjectFrame(message, bytes);
        SendFrame(bytes, length, std::move(frame));
    }
}

void cTCPConnection::SendMessage(const UBYTE* payload, UWORD length)
{
    if (mByeSent.load())
        return;
    const ULONG frameLength = cFrameWriter::UtilityFrameLength(length);
    if (frameLength <= kStackFrameLength) {
        UBYTE frame[kStackFrameLength];
        cFrameWriter::WriteUtilityFrame(payload, length, frame);
        SendFrame(frame, frameLength);
    } else {
        cFrameBlock frame(frameLength);
        UBYTE* bytes = frame.get();
        cFrameWriter::WriteUtilityFrame(payload, length, bytes);
        SendFrame(bytes, frameLength, std::move(frame));
    }
}

// Writes the frame now when nothing is queued ahead of it; queues whatever the socket does not
// take and wakes the link's thread to write it. `owned`, when given, holds `frame` and is queued
// as it is if nothing of it was written.
void cTCPConnection::SendFrame(const UBYTE* frame, ULONG length, cFrameBlock owned)
{
    ULONG sent = 0;
    bool wake = false;
    tTransmitQueueLock locker = LockTransmitQueue();
    if (mClosing || mOverflowed)
        return;
    const bool queueEmpty = FrontTransmitQueueItem() == nullptr;
    const auto now = std::chrono::steady_clock::now();
    if (mDirectFd >= 0 && queueEmpty && length <= kMaxDirectFrameLength && !mTransmitStopped.load()
        && now - mLastWrite >= kIdleBeforeDirectWrite) {
        mLastWrite = now;
        const long count = SendSome(frame, length);
        if (count < 0)
            return; // the socket is broken; its read side reports the disconnection
        sent = ULONG(count);
    }
    if (sent < length) {
        const ULONG limit = mQueuedBytesLimit.load();
        if (limit != 0 && GetQueuedBytes() + (length - sent) > limit) {
            Overflow(locker);
            return;
        }
        if (sent > 0 || !owned) {
            // `frame` may lie in `owned`: copy before letting it go.
            cFrameBlock rest(frame + sent, length - sent);
            owned = std::move(rest);
        }
        PushTransmitQueueItem(sTransmitItem { std::move(owned), length - sent });
        // Decided under the lock: two threads queueing at once must not both miss the wake-up.
        wake = queueEmpty;
    }
    locker.unlock();
    if (wake)
        Q_EMIT Send();
}

// The peer has let a queue's worth pile up: nothing more is queued or written, and the connection
// ends. What it holds is freed at once. A frame may have gone out in part; the connection's end
// is what the peer then sees.
void cTCPConnection::Overflow(tTransmitQueueLock& locker)
{
    mOverflowed = true;
    mTransmitStopped.store(true);
    const ULONG queued = GetQueuedBytes();
    ClearTransmitQueue();
    mHeadOffset = 0;
    locker.unlock();
    ZU_ERR("Transmit queue over %lu bytes (%lu queued), connection ended: mConnectionId = %d",
        static_cast<unsigned long>(mQueuedBytesLimit.load()), static_cast<unsigned long>(queued), mConnectionId);
    Q_EMIT TCPConnectionDisconnected();
}

// Bytes the socket took at once, or -1 when it is broken.
long cTCPConnection::SendSome(const UBYTE* bytes, ULONG length)
{
    ULONG sent = 0;
    while (sent < length) {
        const ssize_t count = ::send(mDirectFd, bytes + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (count > 0) {
            sent += ULONG(count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        return -1;
    }
    return long(sent);
}

// Writes queued frames until the queue is empty (true) or the socket is full (false). A broken
// socket drops the queue: nothing more can reach the peer. Runs on the link's thread with the lock
// held through `locker`, but lets it go during the system call, so that senders can queue the next frames while
// the kernel copies these. That is safe because only this thread takes frames off the queue, a
// queued frame's bytes never move, and senders write directly only to an empty queue.
bool cTCPConnection::WriteQueuedFramesDirect(tTransmitQueueLock& locker)
{
    if (!FrontTransmitQueueItem())
        return true;
    mLastWrite = std::chrono::steady_clock::now();
    for (;;) {
        // Many small frames per system call.
        iovec parts[kMaxFramesPerWrite];
        int count = 0;
        ForEachTransmitQueueItem([&](const sTransmitItem& item) {
            const ULONG skip = count == 0 ? mHeadOffset : 0;
            parts[count].iov_base = const_cast<UBYTE*>(item.mBlock.get()) + skip;
            parts[count].iov_len = item.mLength - skip;
            return ++count < kMaxFramesPerWrite;
        });
        if (count == 0)
            return true;
        msghdr message {};
        message.msg_iov = parts;
        message.msg_iovlen = size_t(count);
        const int fd = mDirectFd;
        locker.unlock();
        const ssize_t written = ::sendmsg(fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        const int error = errno;
        locker.lock();
        if (written < 0) {
            if (error == EINTR)
                continue;
            if (error == EAGAIN || error == EWOULDBLOCK)
                return false;
            // Broken: nothing more can reach the peer.
            ClearTransmitQueue();
            mHeadOffset = 0;
            return true;
        }
        ULONG left = ULONG(written);
        while (left > 0) {
            sTransmitItem* item = FrontTransmitQueueItem();
            const ULONG rest = item->mLength - mHeadOffset;
            if (left < rest) {
                mHeadOffset += left;
                return false; // the socket took part of a frame: it is full
            }
            left -= rest;
            PopTransmitQueueItem();
            mHeadOffset = 0;
        }
    }
}

void cTCPConnection::CloseDirectDescriptor()
{
    if (mWriteNotifier) {
        mWriteNotifier->setEnabled(false);
        delete mWriteNotifier;
        mWriteNotifier = nullptr;
    }
    if (mDirectFd >= 0) {
        ::close(mDirectFd);
        mDirectFd = -1;
    }
}

void cTCPConnection::BeginClose()
{
    const tTransmitQueueLock locker = LockTransmitQueue();
    mClosing = true;
}

// Whatever the close did not write stays unwritten: a later write would put bytes after a cut
// frame, or after BYE.
void cTCPConnection::EndWriting()
{
    const tTransmitQueueLock locker = LockTransmitQueue();
    CloseDirectDescriptor();
    ClearTransmitQueue();
    mHeadOffset = 0;
}

// Queues BYE behind what is still queued and writes it all, waiting for the socket at most
// kByeWriteTimeoutMs in all. Senders are not held up meanwhile: they find the link closing.
void cTCPConnection::FlushDirectThenBye()
{
    const QByteArray bye = GetByeMessage();
    tTransmitQueueLock locker = LockTransmitQueue();
    PushTransmitQueueItem(sTransmitItem {
        cFrameBlock(reinterpret_cast<const UBYTE*>(bye.constData()), ULONG(bye.size())), ULONG(bye.size()) });
    const int fd = mDirectFd;

    const QDeadlineTimer deadline(kByeWriteTimeoutMs);
    for (;;) {
        const bool done = WriteQueuedFramesDirect(locker);
        locker.unlock();
        if (done || deadline.hasExpired())
            break;
        // Only this thread closes the descriptor, so it stays valid while polled here.
        pollfd writable { fd, POLLOUT, 0 };
        if (::poll(&writable, 1, int(deadline.remainingTime())) < 0 && errno != EINTR)
            break;
        locker.lock();
    }
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
    if (!mReceiveBuffer)
        mReceiveBuffer.reset(new UBYTE[kTcpReadChunk]);
    UBYTE* const buffer = mReceiveBuffer.get();
    // What the device holds: for a socket, only the byte or so Qt read before telling us.
    for (;;) {
        const qint64 count = mDevice.read(reinterpret_cast<char*>(buffer), kTcpReadChunk);
        if (count <= 0)
            break;
        // After BYE the peer has said all it will; what follows is read only to be dropped.
        if (!mByeReceived.load())
            Parser().FeedInPlace(buffer, ULONG(count));
    }
    int fd = -1;
    {
        const tTransmitQueueLock locker = LockTransmitQueue();
        fd = mDirectFd;
    }
    if (fd >= 0)
        ReceiveDirect(fd);
}

// Reads the socket itself, in large blocks, and the rest of a large frame's data straight into
// the message: a download's bytes are copied once on their way to the router instead of three
// times. Only what the socket holds is read, so that its end and its errors stay for Qt to find
// and report. Only this thread closes the descriptor.
void cTCPConnection::ReceiveDirect(int fd)
{
    // A frame's data is read in place once this much of it is still to come.
    constexpr ULONG kReadIntoFrame = 4096;
    UBYTE* const buffer = mReceiveBuffer.get();
    for (;;) {
        int available = 0;
        if (::ioctl(fd, FIONREAD, &available) != 0 || available <= 0)
            return;
        ULONG room = 0;
        UBYTE* space = mByeReceived.load() ? nullptr : Parser().DataSpace(room);
        const bool intoFrame = space && room >= kReadIntoFrame;
        UBYTE* const to = intoFrame ? space : buffer;
        const ULONG wanted = std::min(ULONG(available), intoFrame ? room : ULONG(kTcpReadChunk));
        const ssize_t count = ::recv(fd, to, wanted, MSG_DONTWAIT);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return;
        if (intoFrame)
            Parser().DataWritten(ULONG(count));
        else if (!mByeReceived.load())
            Parser().FeedInPlace(buffer, ULONG(count));
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
// the rest stay queued. The first frame resumes where an earlier write left it. Runs with the
// transmit-queue lock held.
void cTCPConnection::WriteQueuedFrames()
{
    sTransmitItem item;
    while (GetNextTransmitQueueItem(item)) {
        const ULONG skip = mHeadOffset;
        mHeadOffset = 0;
        if (!WriteAll(item.mBlock.get() + skip, item.mLength - skip))
            return;
    }
}

void cTCPConnection::Transmit()
{
    WriteTransmitQueue();
    WakeSendersWaitingForRoom();
}

void cTCPConnection::WriteTransmitQueue()
{
    const bool canWrite = !mTransmitStopped.load() && mDevice.isOpen();
    tTransmitQueueLock locker = LockTransmitQueue();
    if (mClosing) {
        // The close writes what goes out; a send posted before it finds nothing to do.
        if (mWriteNotifier)
            mWriteNotifier->setEnabled(false);
        return;
    }
    if (mDirectFd >= 0) {
        // Closing writes what is left itself; a stopped or closed link writes nothing more. Either
        // way the notifier goes quiet, or a writable socket would wake this thread for ever.
        const bool done = !canWrite || mClosing || WriteQueuedFramesDirect(locker);
        if (mWriteNotifier)
            mWriteNotifier->setEnabled(!done);
    } else if (canWrite) {
        WriteQueuedFrames();
    }
}

void cTCPConnection::TCPDisconnect(bool lostComms)
{
    if (mDisconnecting.exchange(true))
        return;
    BeginClose();
    if (lostComms) {
        EndWriting();
        if (mDevice.isOpen())
            mDevice.close();
    } else if (WritesDirectly()) {
        if (!mTransmitStopped.load() && IsConnected())
            FlushDirectThenBye();
        EndWriting();
        mByeSent.store(true);
    } else {
        if (IsConnected()) {
            // What was queued before the close goes out ahead of BYE: the peer stops reading at BYE.
            if (!mTransmitStopped.load()) {
                const tTransmitQueueLock locker = LockTransmitQueue();
                WriteQueuedFrames();
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
        EndWriting();
        mByeSent.store(true);
    }
    Q_EMIT TCPConnectionDisconnected();
}

void cTCPConnection::ZUNetMessageReceived(cZUNetMessage& message)
{
    // A piece read after BYE may hold more frames: the peer has said it is done, so they go.
    if (mByeReceived.load())
        return;
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
            // The peer cannot talk to us: ending the connection frees its id for another.
            Q_EMIT TCPConnectionDisconnected();
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
