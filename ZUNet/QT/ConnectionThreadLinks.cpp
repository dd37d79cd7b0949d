// Link handling of the connection threads, until the TCP and datagram links exist: the
// connection is made and reported, nothing is carried.
#include "ConnectionThreads.h"

#include "Trace.h"

#include <QTcpSocket>

void cConnectionThreadWorkerBase::InitTCPConnection(cTCPConnection*) {}
void cConnectionThreadWorkerBase::InitUDPConnection(cUDPConnection*) {}
void cConnectionThreadWorkerBase::DestroyTCPConnection(bool) {}
void cConnectionThreadWorkerBase::DestroyUDPConnection(bool) {}
void cConnectionThreadWorkerBase::SendNetworkMessage(const cZUNetMessage&) {}
void cConnectionThreadWorkerBase::SendNetworkDatagramMessage(const cZUNetMessage&) {}
void cConnectionThreadWorkerBase::SendNetworkDatagramMessage(const UBYTE*, UWORD) {}
QHostAddress cConnectionThreadWorkerBase::GetRemoteAddress() const
{
    return QHostAddress();
}

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
    connect(mSocket, &QTcpSocket::disconnected, this, &cConnectionThreadWorkerBase::CallDisconnectedSlot,
            Qt::QueuedConnection);
    SetFinishedAttemptingConnection();
}

void cClientConnectionThreadWorker::RemoteUDPPortReceived(ushort) {}

#include "ServerConnection.h"

#include <unistd.h>

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
    connect(mSocket, &QTcpSocket::disconnected, this, &cConnectionThreadWorkerBase::CallDisconnectedSlot,
            Qt::QueuedConnection);
}

void cServerConnectionThreadWorker::RemoteUDPPortReceived(ushort) {}
void cServerConnectionThreadWorker::StopTransmitting() {}
