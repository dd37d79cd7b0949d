#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>

class QTcpServer;
class QTcpSocket;
class QUdpSocket;

/// A scripted unit for byte-level tests of the runner side: accepts TCP connections on an address
/// (port 51321 by default), keeps every byte each connection sent and whether it ended. With
/// `SetAnswerHello(true)` it answers a HELLO with HELLO ACK naming its own datagram socket, and
/// records the datagrams that arrive there. Lives on the test thread.
class cFakeUnit : public QObject
{
    Q_OBJECT
public:
    explicit cFakeUnit(const QHostAddress& address, quint16 port = 51321);
    ~cFakeUnit() override;

    bool IsListening() const;
    int AcceptedCount() const { return mConnections.size(); }
    QByteArray Received(int connection) const;
    bool Ended(int connection) const;
    QTcpSocket* Socket(int connection) const;
    void Send(int connection, const QByteArray& bytes);
    void Close(int connection);
    void Abort(int connection);

    void SetAnswerHello(bool answer) { mAnswerHello = answer; }
    /// Drops every connection as soon as it is accepted.
    void SetCloseOnAccept(bool close) { mCloseOnAccept = close; }
    /// The datagram port named in the first HELLO of a connection, 0 before one came.
    quint16 HelloPort(int connection) const;
    quint16 DatagramPort() const;
    /// Datagrams received on the fake's datagram socket, in order, with their source port.
    QList<QPair<quint16, QByteArray>> Datagrams() const { return mDatagrams; }
    /// Sends from the fake's datagram socket to the connection's peer address.
    void SendDatagram(int connection, quint16 port, const QByteArray& bytes);

private:
    struct sConnection {
        QPointer<QTcpSocket> mSocket;
        QByteArray mReceived;
        bool mEnded = false;
        quint16 mHelloPort = 0;
    };
    void Accept();
    void Read(int connection);

    QHostAddress mAddress;
    QTcpServer* mServer;
    QUdpSocket* mDatagramSocket;
    QList<sConnection*> mConnections;
    QList<QPair<quint16, QByteArray>> mDatagrams;
    bool mAnswerHello = false;
    bool mCloseOnAccept = false;
};
