#include "ZUNet/QT/ServerConnection.h"

#include "ZUNet/Core/Trace.h"
#include "ZUNet/QT/NetworkConnection.h"

#include <QTcpSocket>

#include <unistd.h>

cZUNetTCPServer::cZUNetTCPServer(QObject* parent, const QHostAddress& address, quint16 port)
    : QTcpServer(parent)
{
    if (!listen(address, port))
        ZU_ERR("ZUNet server cannot listen on %s:%d: %s", address.toString().toLocal8Bit().constData(), port,
            errorString().toLocal8Bit().constData());
}

void cZUNetTCPServer::incomingConnection(qintptr socketDescriptor)
{
    if (cNetworkConnection* manager = cNetworkConnection::Instance())
        manager->IncomingRemoteConnection(socketDescriptor);
    else
        ::close(int(socketDescriptor));
}

// ---------------------------------------------------------------------------------------------

cServerConnectionThreadWorker::cServerConnectionThreadWorker(UWORD connectionId, qintptr socketDescriptor)
    : cConnectionThreadWorkerBase(connectionId, kInitialHostName)
    , mSocketDescriptor(socketDescriptor)
{
}

cServerConnectionThreadWorker::~cServerConnectionThreadWorker()
{
    DestroyLinks();
    ZU_DIAG("%s Disconnected (ZUNet)", GetHostDescription().c_str());
    if (!mSocket && mSocketDescriptor >= 0)
        ::close(int(mSocketDescriptor)); // never adopted: the thread ended before it ran
}

std::string cServerConnectionThreadWorker::GetHostDescription() const
{
    std::lock_guard<std::mutex> locker(mDescriptionLock);
    return mHostDescription + " - Server Side";
}

void cServerConnectionThreadWorker::TCPSocketError(QAbstractSocket::SocketError error)
{
    if (error != QAbstractSocket::TemporaryError)
        StopTransmitting();
}

cServerConnectionThreadController::cServerConnectionThreadController(UWORD connectionId, qintptr socketDescriptor)
    : cConnectionThreadControllerBase(
        QThread::NormalPriority, new cServerConnectionThreadWorker(connectionId, socketDescriptor))
{
}
