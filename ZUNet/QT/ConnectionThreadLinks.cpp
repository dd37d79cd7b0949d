// The connection threads' side of the TCP and datagram links.
#include "ZUNet/QT/ConnectionThreads.h"

#include "ZUNet/Core/Trace.h"
#include "ZUNet/QT/LinkEventHandler.h"
#include "ZUNet/QT/LostComms.h"
#include "ZUNet/QT/ServerConnection.h"
#include "ZUNet/QT/TCPConnection.h"
#include "ZUNet/QT/UDPConnection.h"
#include "ZUNet/QT/ZUNetWire.h"

#include <QTcpSocket>
#include <QTimer>

#include <unistd.h>

void cConnectionThreadWorkerBase::InitTCPConnection(cTCPConnection* link)
{
    {
        std::lock_guard<std::mutex> locker(mTCPLinkLock);
        mTCPLink = link;
    }
    connect(link, &cTCPConnection::TCPConnectionDisconnected, this, &cConnectionThreadWorkerBase::CallDisconnectedSlot,
        Qt::QueuedConnection);
}

void cConnectionThreadWorkerBase::InitUDPConnection(cUDPConnection* link)
{
    link->SetLinkEventHandler(mLinkEventHandler.load());
    std::lock_guard<std::mutex> locker(mUDPLinkLock);
    mUDPLink = link;
}

void cConnectionThreadWorkerBase::DestroyTCPConnection(bool lostComms)
{
    // Taken out under the lock, ended outside it: a sender never waits for BYE to be written.
    cTCPConnection* link = nullptr;
    {
        std::lock_guard<std::mutex> locker(mTCPLinkLock);
        std::swap(link, mTCPLink);
    }
    if (!link)
        return;
    link->TCPDisconnect(lostComms);
    delete link;
}

void cConnectionThreadWorkerBase::DestroyUDPConnection(bool lostComms)
{
    cUDPConnection* link = nullptr;
    {
        std::lock_guard<std::mutex> locker(mUDPLinkLock);
        std::swap(link, mUDPLink);
    }
    if (!link)
        return;
    link->UDPDisconnect(lostComms);
    delete link;
}

void cConnectionThreadWorkerBase::SendNetworkMessage(const cZUNetMessage& message)
{
    std::lock_guard<std::mutex> locker(mTCPLinkLock);
    if (mTCPLink)
        mTCPLink->SendMessage(message);
}

bool cConnectionThreadWorkerBase::TCPLinkHasRoom() const
{
    std::lock_guard<std::mutex> locker(mTCPLinkLock);
    return !mTCPLink || mTCPLink->HasRoomOrWakeLater();
}

bool cConnectionThreadWorkerBase::TCPLinkStalled(std::chrono::milliseconds limit) const
{
    std::lock_guard<std::mutex> locker(mTCPLinkLock);
    return mTCPLink && mTCPLink->IsTransmitStalled(limit);
}

void cConnectionThreadWorkerBase::SendNetworkDatagramMessage(const cZUNetMessage& message)
{
    std::lock_guard<std::mutex> locker(mUDPLinkLock);
    if (mUDPLink)
        mUDPLink->SendMessage(message);
}

void cConnectionThreadWorkerBase::SendNetworkDatagramMessage(const UBYTE* payload, UWORD length)
{
    std::lock_guard<std::mutex> locker(mUDPLinkLock);
    if (mUDPLink)
        mUDPLink->SendMessage(payload, length);
}

QHostAddress cConnectionThreadWorkerBase::GetRemoteAddress() const
{
    std::lock_guard<std::mutex> locker(mTCPLinkLock);
    return mTCPLink ? mRemoteAddress : QHostAddress();
}

// ---------------------------------------------------------------------------------------------

void cClientConnectionThreadWorker::TCPSocketConnected()
{
    if (WasSocketErrorReported())
        return;
    {
        std::lock_guard<std::mutex> locker(mConnectedLock);
        mSocketConnected = true;
    }
    ZU_DIAG("Connection made to %s (ZUNet)", GetHostDescription().c_str());
    mSocket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    SetRemoteAddress(mSocket->peerAddress());
    auto* tcp = new cTCPConnection(*mSocket, mConnectionId);
    InitTCPConnection(tcp);
    connect(tcp, &cTCPConnection::HelloAckReceived, this, &cClientConnectionThreadWorker::RemoteUDPPortReceived,
        Qt::DirectConnection);
    // Keep-alives leave from the address this side connected from, which the unit sees as its peer.
    auto* udp = new cUDPConnection(mConnectionId, mSocket->peerAddress(), 0, mSocket->localAddress());
    InitUDPConnection(udp);
    tcp->SendHello(udp->GetLocalPortNumber());
    // The caller goes on only now, so HELLO is queued ahead of anything it sends.
    SetFinishedAttemptingConnection();
}

void cClientConnectionThreadWorker::RemoteUDPPortReceived(ushort UDPPort)
{
    if (cUDPConnection* udp = UDPLink())
        udp->SetRemotePortNumber(UDPPort, GetRegisterForLostComms());
}

// ---------------------------------------------------------------------------------------------

void cServerConnectionThreadWorker::InitOnThread()
{
    mSocket = new QTcpSocket(this);
    if (!mSocket->setSocketDescriptor(mSocketDescriptor, QAbstractSocket::ConnectedState, QIODevice::ReadWrite)) {
        ::close(int(mSocketDescriptor));
        mSocketDescriptor = -1;
        SetSocketErrorReported(int(mSocket->error()));
        Q_EMIT CallDisconnectedSignal();
        return;
    }
    connect(mSocket, &QTcpSocket::errorOccurred, this, &cServerConnectionThreadWorker::TCPSocketError);
    const std::string peer = mSocket->peerAddress().toString().toStdString();
    SetHostName(peer);
    mSocket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    {
        std::lock_guard<std::mutex> locker(mDescriptionLock);
        mHostDescription = peer;
    }
    ZU_DIAG("Connection made from %s (ZUNet)", GetHostDescription().c_str());
    SetRemoteAddress(mSocket->peerAddress());
    auto* tcp = new cTCPConnection(*mSocket, mConnectionId);
    // A runner that stops reading must not grow the unit without end.
    tcp->SetQueuedBytesLimit(cConnectionBaseQt::kUnitMostQueuedBytes);
    InitTCPConnection(tcp);
    connect(tcp, &cTCPConnection::HelloReceived, this, &cServerConnectionThreadWorker::RemoteUDPPortReceived,
        Qt::DirectConnection);
    // A peer that never says HELLO would hold its id for ever: it gets the lost-comms time.
    auto* deadline = new QTimer(this);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, this, [this] {
        if (UDPLink())
            return;
        ZU_ERR("CONNECTION no HELLO in time, closed: mConnectionId = %d", mConnectionId);
        Q_EMIT CallDisconnectedSignal();
    });
    deadline->start(GetLostCommsPeriod() * int(LostComms::kTimeToLive));
}

void cServerConnectionThreadWorker::RemoteUDPPortReceived(ushort UDPPort)
{
    cTCPConnection* tcp = TCPLink();
    if (!tcp)
        return;
    if (UDPLink())
        return; // one datagram link per connection
    // Bound to the address the runner connected to: a unit with several addresses would otherwise
    // send from the route's preferred source, and the runner drops datagrams from a stranger.
    auto* udp = new cUDPConnection(mConnectionId, mSocket->peerAddress(),
        quint16(ZUNetWire::kUnitDatagramPortBase + mConnectionId), mSocket->localAddress());
    InitUDPConnection(udp);
    udp->SetRemotePortNumber(UDPPort, GetRegisterForLostComms());
    tcp->SendHelloAck(udp->GetLocalPortNumber());
}

void cServerConnectionThreadWorker::StopTransmitting()
{
    if (cTCPConnection* tcp = TCPLink())
        tcp->SetTransmitStopped();
}
