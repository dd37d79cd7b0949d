#include "Common/Qt/FindMe.h"

#include "Common/Qt/UnitFinder.h"
#include "ZUNet/Core/Trace.h"

#include <QTimer>
#include <QUdpSocket>

cFindMe::cFindMe(
    const QString& findString, const QString& unitName, const QString& unitDescription, QObject* parent, bool listen)
    : QObject(parent)
    , mFindString(findString)
    , mUnitDescription(unitDescription)
{
    SetUnitName(unitName);
    if (listen) {
        mListenSocket = new QUdpSocket(this);
        if (!mListenSocket->bind(QHostAddress::AnyIPv4, UNIT_FINDER_REQUEST_PORT))
            ZU_DIAG("cFindMe - could not bind port %d: %s", int(UNIT_FINDER_REQUEST_PORT),
                qPrintable(mListenSocket->errorString()));
        connect(mListenSocket, &QUdpSocket::readyRead, this, &cFindMe::UDPRead);
    }
    mTimer = new QTimer(this);
    mTimer->setInterval(TIMER_PERIOD_MS);
    connect(mTimer, &QTimer::timeout, this, &cFindMe::TimerFired);
    mTimer->start();
    mSendSocket = new QUdpSocket(this);
}

void cFindMe::SetUnitName(const QString& unitName)
{
    mUnitName = unitName;
    mLegacyReply = unitName.toLatin1();
    mLegacyReply.append('\0');
    SetDatagram();
}

void cFindMe::SetDatagram()
{
    mDatagram = QByteArray(UNIT_FINDER_V2_DISCOVERY_SENTINEL);
    mDatagram.append('\0');
    mDatagram.append(mFindString.toLocal8Bit());
    mDatagram.append('\0');
    mDatagram.append(mUnitName.toLocal8Bit());
    mDatagram.append('\0');
    mDatagram.append(mUnitDescription.toLocal8Bit());
    mDatagram.append('\0');
}

bool cFindMe::IsListening() const
{
    return mListenSocket && mListenSocket->state() == QAbstractSocket::BoundState;
}

void cFindMe::SetTimerRunning(bool running)
{
    if (running)
        mTimer->start();
    else
        mTimer->stop();
}

void cFindMe::TimerFired()
{
    const auto entries = LocalIPv4AddressEntries();
    for (const QNetworkAddressEntry& entry : entries) {
        mBroadcastAddress = entry.broadcast();
        if (mBroadcastAddress.isNull())
            continue; // point-to-point links have none
        mSendSocket->writeDatagram(mDatagram, mBroadcastAddress, UNIT_FINDER_REPLY_PORT);
    }
}

void cFindMe::UDPRead()
{
    const QByteArray request = mFindString.toLocal8Bit();
    while (mListenSocket->hasPendingDatagrams()) {
        const qint64 size = mListenSocket->pendingDatagramSize();
        mReceiveBuffer.resize(int(qMax<qint64>(size, 0)));
        QHostAddress sender;
        quint16 senderPort = 0;
        const qint64 read
            = mListenSocket->readDatagram(mReceiveBuffer.data(), mReceiveBuffer.size(), &sender, &senderPort);
        if (read < 0)
            break;
        mReceiveBuffer.resize(int(read));
        // Only the bare find string is a legacy request; version-2 requests carry a NUL and get no answer.
        if (mReceiveBuffer == request)
            mListenSocket->writeDatagram(mLegacyReply, sender, senderPort);
    }
}
