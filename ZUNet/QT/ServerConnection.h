#pragma once

#include "ZUNet/QT/ConnectionThreads.h"
#include "ZUNet/QT/ZUNetWire.h"

#include <QHostAddress>
#include <QTcpServer>

/// Accepts ZUNet connections (port 51321) and hands each socket to the connection manager.
class cZUNetTCPServer : public QTcpServer
{
    Q_OBJECT
public:
    /// Listens on every IPv4 address unless told one address.
    explicit cZUNetTCPServer(QObject* parent = nullptr, const QHostAddress& address = QHostAddress::AnyIPv4,
        quint16 port = ZUNetWire::kUnitTcpPort);

protected:
    void incomingConnection(qintptr socketDescriptor) override;
};

/// Runs one accepted connection: answers HELLO with HELLO ACK and opens the datagram link on
/// 51324 + connection id.
class cServerConnectionThreadWorker : public cConnectionThreadWorkerBase
{
    Q_OBJECT
public:
    static constexpr const char* kInitialHostName = "ServerSide";

    cServerConnectionThreadWorker(UWORD connectionId, qintptr socketDescriptor);
    ~cServerConnectionThreadWorker() override;

    std::string GetHostDescription() const override;

public Q_SLOTS:
    void RemoteUDPPortReceived(ushort UDPPort);
    void TCPSocketError(QAbstractSocket::SocketError error);

protected:
    void InitOnThread() override;

private:
    void StopTransmitting();

    qintptr mSocketDescriptor;
    QTcpSocket* mSocket = nullptr;
    mutable std::mutex mDescriptionLock;
    std::string mHostDescription;
};

class cServerConnectionThreadController : public cConnectionThreadControllerBase
{
    Q_OBJECT
public:
    cServerConnectionThreadController(UWORD connectionId, qintptr socketDescriptor);
};
