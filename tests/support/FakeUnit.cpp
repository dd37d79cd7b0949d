#include "tests/support/FakeUnit.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

cFakeUnit::cFakeUnit(const QHostAddress& address, quint16 port)
    : mAddress(address)
    , mServer(new QTcpServer(this))
    , mDatagramSocket(new QUdpSocket(this))
{
    mServer->listen(address, port);
    connect(mServer, &QTcpServer::newConnection, this, &cFakeUnit::Accept);
    mDatagramSocket->bind(address, 0);
    connect(mDatagramSocket, &QUdpSocket::readyRead, this, [this] {
        while (mDatagramSocket->hasPendingDatagrams()) {
            QByteArray bytes(int(mDatagramSocket->pendingDatagramSize()), 0);
            quint16 port = 0;
            mDatagramSocket->readDatagram(bytes.data(), bytes.size(), nullptr, &port);
            mDatagrams.append({ port, bytes });
        }
    });
}

cFakeUnit::~cFakeUnit()
{
    for (sConnection* connection : mConnections) {
        if (connection->mSocket)
            connection->mSocket->abort();
        delete connection;
    }
}

bool cFakeUnit::IsListening() const
{
    return mServer->isListening();
}

void cFakeUnit::Accept()
{
    while (QTcpSocket* socket = mServer->nextPendingConnection()) {
        auto* connection = new sConnection;
        connection->mSocket = socket;
        const int index = mConnections.size();
        mConnections.append(connection);
        connect(socket, &QTcpSocket::readyRead, this, [this, index] { Read(index); });
        connect(socket, &QTcpSocket::disconnected, this, [this, index] {
            Read(index);
            mConnections[index]->mEnded = true;
        });
        Read(index);
        if (mCloseOnAccept)
            socket->abort();
    }
}

void cFakeUnit::Read(int index)
{
    sConnection* connection = mConnections[index];
    if (!connection->mSocket || !connection->mSocket->isOpen())
        return;
    connection->mReceived += connection->mSocket->readAll();
    if (connection->mHelloPort == 0) {
        const int at = connection->mReceived.indexOf(QByteArray::fromHex("E0000401"));
        if (at >= 0 && connection->mReceived.size() >= at + 8) {
            const auto* p = reinterpret_cast<const uchar*>(connection->mReceived.constData()) + at;
            connection->mHelloPort = quint16((p[5] << 8) | p[6]);
            if (mAnswerHello) {
                const quint16 own = DatagramPort();
                QByteArray ack = QByteArray::fromHex("E000040203");
                ack.append(char(own >> 8)).append(char(own & 0xFF)).append(char(0xE7));
                connection->mSocket->write(ack);
            }
        }
    }
}

QByteArray cFakeUnit::Received(int connection) const
{
    return connection < mConnections.size() ? mConnections[connection]->mReceived : QByteArray();
}

bool cFakeUnit::Ended(int connection) const
{
    return connection < mConnections.size() && mConnections[connection]->mEnded;
}

QTcpSocket* cFakeUnit::Socket(int connection) const
{
    return connection < mConnections.size() ? mConnections[connection]->mSocket.data() : nullptr;
}

void cFakeUnit::Send(int connection, const QByteArray& bytes)
{
    if (QTcpSocket* socket = Socket(connection))
        socket->write(bytes);
}

void cFakeUnit::Close(int connection)
{
    if (QTcpSocket* socket = Socket(connection))
        socket->disconnectFromHost();
}

void cFakeUnit::Abort(int connection)
{
    if (QTcpSocket* socket = Socket(connection))
        socket->abort();
}

quint16 cFakeUnit::HelloPort(int connection) const
{
    return connection < mConnections.size() ? mConnections[connection]->mHelloPort : 0;
}

quint16 cFakeUnit::DatagramPort() const
{
    return mDatagramSocket->localPort();
}

void cFakeUnit::SendDatagram(int connection, quint16 port, const QByteArray& bytes)
{
    if (QTcpSocket* socket = Socket(connection))
        mDatagramSocket->writeDatagram(bytes, socket->peerAddress(), port);
}
