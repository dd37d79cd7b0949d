#pragma once

#include "ZUNet/QT/ConnectionBaseQt.h"

#include <QIODevice>

#include <atomic>
#include <chrono>
#include <memory>

class QAbstractSocket;
class QSocketNotifier;

/// The TCP link of a connection: carries every ordinary message and the HELLO, HELLO ACK and BYE
/// utility frames. It reads and writes any byte-stream device; a connection gives it its
/// QTcpSocket, tests may give it an in-memory device.
///
/// On a connected socket, frames are written straight from the sending thread while nothing is
/// queued, through a descriptor of the link's own (a duplicate of the socket's, so that Qt closing
/// its socket never leaves a sender writing to a reused descriptor). Only what the socket cannot
/// take at once is queued, and the link's thread writes it when the socket is writable again. This
/// keeps a thread hand-off off every message's path.
class cTCPConnection : public cConnectionBaseQt
{
    Q_OBJECT
public:
    /// How long closing waits for BYE to leave when the socket cannot take it at once.
    static constexpr int kByeWriteTimeoutMs = 1000;

    /// `device` (normally the connection's QTcpSocket) is not owned and lives on the link's
    /// thread, as the link does.
    cTCPConnection(QIODevice& device, UWORD connectionId);
    ~cTCPConnection() override;

    /// Queues the message unless BYE was sent.
    void SendMessage(const cZUNetMessage& message) override;
    /// Queues a utility frame unless BYE was sent.
    void SendMessage(const UBYTE* payload, UWORD length) override;
    void SendHello(UWORD localUdpPort);
    void SendHelloAck(UWORD localUdpPort);

    /// Ends the link once: on lost comms closes the device without BYE; otherwise writes what is
    /// still queued and BYE (when connected), waiting at most kByeWriteTimeoutMs. Emits
    /// `TCPConnectionDisconnected`. Runs on the link's thread.
    void TCPDisconnect(bool lostComms);

    /// Stops `Transmit` for good (the accepting side does so when its socket reports an error).
    void SetTransmitStopped() { mTransmitStopped.store(true); }
    /// The most bytes the link may hold queued (0: no limit). A frame that would take it over
    /// drops the queue, stops the link for good and reports it disconnected: the peer does not read.
    void SetQueuedBytesLimit(ULONG limit) { mQueuedBytesLimit.store(limit); }
    bool WasByeSent() const { return mByeSent.load(); }
    bool WasByeReceived() const { return mByeReceived.load(); }
    /// True when frames go straight to the socket's descriptor rather than through the device.
    bool WritesDirectly() const;

Q_SIGNALS:
    void TCPConnectionDisconnected();
    void HelloReceived(ushort RemoteUDPPort);
    void HelloAckReceived(ushort RemoteUDPPort);

public Q_SLOTS:
    void Transmit() override;
    void Receive();

protected:
    void ZUNetMessageReceived(cZUNetMessage& message) override;
    void UtilMessageReceived(UBYTE* payload, UWORD length) override;
    void CheckDisconnectMessage(UBYTE* payload, UWORD length) override;

private:
    bool IsConnected() const;
    bool WriteAll(const UBYTE* bytes, ULONG length);
    void WriteQueuedFrames();
    /// What `Transmit` writes, under the transmit-queue lock.
    void WriteTransmitQueue();
    void SendHelloPayload(UBYTE kind, UWORD localUdpPort);
    void ReceiveDirect(int fd);
    // Direct writing; every one of these runs with the transmit-queue lock held.
    void SendFrame(const UBYTE* frame, ULONG length, cFrameBlock owned = cFrameBlock());
    bool WriteQueuedFramesDirect(tTransmitQueueLock& locker);
    long SendSome(const UBYTE* bytes, ULONG length);
    void Overflow(tTransmitQueueLock& locker);
    void CloseDirectDescriptor();
    void BeginClose();
    void EndWriting();
    void FlushDirectThenBye();

    QIODevice& mDevice;
    QAbstractSocket* const mSocket; // mDevice as a socket, or null
    std::atomic<bool> mByeSent { false };
    std::atomic<bool> mByeReceived { false };
    std::atomic<bool> mTransmitStopped { false };
    std::atomic<ULONG> mQueuedBytesLimit { 0 };
    bool mHelloReceived = false;
    bool mHelloAckReceived = false;
    // Guarded by the transmit-queue lock.
    int mDirectFd = -1;
    ULONG mHeadOffset = 0; // bytes of the first queued frame already written
    bool mClosing = false; // a close has begun: only the close itself writes from now on
    bool mOverflowed = false; // the queue went over its limit: nothing is queued any more
    std::chrono::steady_clock::time_point mLastWrite;
    QSocketNotifier* mWriteNotifier = nullptr; // link thread only
    std::unique_ptr<UBYTE[]> mReceiveBuffer; // link thread only; made at the first read
};
