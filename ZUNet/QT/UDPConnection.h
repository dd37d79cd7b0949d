#pragma once

#include "ZUNet/QT/ConnectionBaseQt.h"

#include <QHostAddress>

#include <atomic>
#include <vector>

class QUdpSocket;
class cLinkEventHandler;

/// The datagram link of a connection: carries messages sent as datagrams and the keep-alives.
/// It sends and accepts nothing until it knows the peer's port. Received datagrams enter through
/// `DatagramReceived`, which tests and fuzzers may call without a socket.
class cUDPConnection : public cConnectionBaseQt
{
    Q_OBJECT
public:
    /// Binds to `localPort` on `localAddress`, falling back to a port the system chooses. A
    /// connection gives the local address of its TCP link: datagrams must leave from the address
    /// the peer connected to (or was connected from), or the peer takes them for a stranger's.
    cUDPConnection(UWORD connectionId, const QHostAddress& peer, quint16 localPort,
        const QHostAddress& localAddress = QHostAddress(QHostAddress::Any));
    ~cUDPConnection() override;

    /// Queued only while the link is up and the peer's port is known; dropped otherwise.
    void SendMessage(const cZUNetMessage& message) override;
    void SendMessage(const UBYTE* payload, UWORD length) override;

    /// The bound port, 0 when binding failed.
    UWORD GetLocalPortNumber() const { return mLocalPort; }
    UWORD GetRemotePortNumber() const { return mRemotePort.load(); }
    /// From now on datagrams go to and are accepted from this port of the peer. With
    /// `registerWithLostComms` the handler is asked to watch the connection's keep-alives.
    void SetRemotePortNumber(UWORD port, bool registerWithLostComms);

    /// Where utility payloads and the lost-comms registration go (see cLinkEventHandler).
    void SetLinkEventHandler(cLinkEventHandler* handler) { mHandler.store(handler); }

    /// Ends the link once: stops reading and closes the socket.
    void UDPDisconnect(bool lostComms);

    /// One received datagram. Parsed only when it comes from the peer's address and port; each
    /// datagram holds whole frames and is parsed on its own.
    void DatagramReceived(const UBYTE* bytes, ULONG count, const QHostAddress& sender, quint16 senderPort);

public Q_SLOTS:
    void Transmit() override;
    void ReadPendingDatagrams();

protected:
    void ZUNetMessageReceived(cZUNetMessage& message) override;
    void UtilMessageReceived(UBYTE* payload, UWORD length) override;
    void CheckDisconnectMessage(UBYTE* payload, UWORD length) override;

private:
    QUdpSocket* mSocket;
    const QHostAddress mPeer;
    std::atomic<UWORD> mRemotePort { 0 };
    UWORD mLocalPort = 0;
    std::atomic<cLinkEventHandler*> mHandler { nullptr };
    std::vector<char> mReceiveBuffer;
};
