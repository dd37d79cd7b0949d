#pragma once

#include "ConnectionBaseQt.h"

#include <QIODevice>

#include <atomic>

class QAbstractSocket;

/// The TCP link of a connection: carries every ordinary message and the HELLO, HELLO ACK and BYE
/// utility frames. It reads and writes any byte-stream device; a connection gives it its
/// QTcpSocket, tests may give it an in-memory device.
class cTCPConnection : public cConnectionBaseQt
{
    Q_OBJECT
public:
    /// How long closing waits for BYE to leave when the socket cannot take it at once.
    static constexpr int kByeWriteTimeoutMs = 1000;

    /// `device` (normally the connection's QTcpSocket) is not owned and lives on the link's
    /// thread, as the link does.
    cTCPConnection(QIODevice& device, UWORD connectionId);

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
    bool WasByeSent() const { return mByeSent.load(); }
    bool WasByeReceived() const { return mByeReceived.load(); }

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
    void SendHelloPayload(UBYTE kind, UWORD localUdpPort);

    QIODevice& mDevice;
    QAbstractSocket* const mSocket; // mDevice as a socket, or null
    std::atomic<bool> mByeSent { false };
    std::atomic<bool> mByeReceived { false };
    std::atomic<bool> mTransmitStopped { false };
    bool mHelloReceived = false;
    bool mHelloAckReceived = false;
};
