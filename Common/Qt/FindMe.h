#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>

class QTimer;
class QUdpSocket;

/// The unit's side of discovery: announces the unit every second to the broadcast address of
/// each local IPv4 network, and, when listening, answers the legacy request for its find string.
class cFindMe : public QObject
{
    Q_OBJECT
public:
    static constexpr int TIMER_PERIOD_MS = 1000;

    cFindMe(const QString& findString, const QString& unitName, const QString& unitDescription, QObject* parent,
        bool listen);

    void SetUnitName(const QString& unitName);
    QString GetUnitName() const { return mUnitName; }
    /// Rebuilds the version-2 announcement from the current texts.
    void SetDatagram();
    const QByteArray& GetDatagram() const { return mDatagram; }
    bool IsListening() const;

    /// The real one-second timer runs by default; tests switch it off and call TimerFired themselves.
    void SetTimerRunning(bool running);

public Q_SLOTS:
    void UDPRead();
    void TimerFired();

private:
    QString mFindString;
    QString mUnitName;
    QByteArray mLegacyReply;
    QString mUnitDescription;
    QByteArray mDatagram;
    QUdpSocket* mListenSocket = nullptr;
    QUdpSocket* mSendSocket = nullptr;
    QTimer* mTimer = nullptr;
    QHostAddress mBroadcastAddress;
    QByteArray mReceiveBuffer;
};
