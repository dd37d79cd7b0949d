#include "ZUNet/QT/TestDottedIPAddress.h"

#include "ZUNet/QT/ConnectionBaseQt.h"
#include "ZUNet/QT/NetworkMetaTypes.h"
#include "ZUNet/QT/TestSettings.h"
#include "ZUNet/QT/ZUNetWire.h"

#include <QTcpSocket>
#include <QTimer>

namespace
{
constexpr quint16 kUnitTcpPort = ZUNetWire::kUnitTcpPort;
} // namespace

cTestDottedIPAddress::cTestDottedIPAddress(QObject* parent, const std::string& address)
    : QObject(parent)
{
    RegisterNetworkMetaTypes();
    const int timeout = ZUNetTestSettings::ProbeTimeout();
    const quint16 port = ZUNetTestSettings::ProbePort();
    mWorker
        = new cTestDottedIPAddressWorker(this, address, timeout > 0 ? timeout : kTimeoutMs, port ? port : kUnitTcpPort);
    mWorker->moveToThread(&mThread);
    connect(&mThread, &QThread::finished, mWorker, &QObject::deleteLater);
}

cTestDottedIPAddress::~cTestDottedIPAddress()
{
    if (!mStarted) {
        delete mWorker; // never moved onto a running thread
        return;
    }
    mThread.quit();
    mThread.wait();
}

void cTestDottedIPAddress::Start()
{
    if (mStarted)
        return;
    mStarted = true;
    mThread.start(QThread::InheritPriority);
    Q_EMIT mWorker->StartSignal();
}

cTestDottedIPAddress::eState cTestDottedIPAddress::GetState() const
{
    std::lock_guard<std::mutex> locker(mStateLock);
    return mState;
}

void cTestDottedIPAddress::SetFinishedState(eState state)
{
    {
        std::lock_guard<std::mutex> locker(mStateLock);
        mState = state;
    }
    Q_EMIT FinishedSignal();
    // Waiters go on only after the signal, so one that deletes the probe never races the emit.
    {
        std::lock_guard<std::mutex> locker(mStateLock);
        mFinished = true;
    }
    mStateCondition.notify_all();
}

void cTestDottedIPAddress::WaitUntilFinished()
{
    std::unique_lock<std::mutex> locker(mStateLock);
    mStateCondition.wait(locker, [this] { return mFinished; });
}

// ---------------------------------------------------------------------------------------------

cTestDottedIPAddressWorker::cTestDottedIPAddressWorker(
    cTestDottedIPAddress* probe, const std::string& address, int timeoutMs, quint16 port)
    : QObject(nullptr)
    , mProbe(probe)
    , mAddress(address)
    , mTimeoutMs(timeoutMs)
    , mPort(port)
{
    connect(this, &cTestDottedIPAddressWorker::StartSignal, this, &cTestDottedIPAddressWorker::Start);
}

void cTestDottedIPAddressWorker::Start()
{
    if (mStarted)
        return; // a probe runs once
    mStarted = true;
    mSocket = new QTcpSocket(this);
    connect(mSocket, &QTcpSocket::connected, this, &cTestDottedIPAddressWorker::TcpPingConnected);
    connect(mSocket, &QTcpSocket::disconnected, this, &cTestDottedIPAddressWorker::TcpPingDisconnected);
    connect(mSocket, &QTcpSocket::errorOccurred, this, &cTestDottedIPAddressWorker::AbortTcpPing);
    mSocket->connectToHost(QString::fromStdString(mAddress), mPort, QIODevice::ReadWrite);
    QTimer::singleShot(mTimeoutMs, Qt::CoarseTimer, this, &cTestDottedIPAddressWorker::AbortTcpPing);
}

void cTestDottedIPAddressWorker::TcpPingConnected()
{
    if (!mSocket)
        return;
    mSocket->write(cConnectionBaseQt::GetByeMessage());
    mSocket->disconnectFromHost();
}

void cTestDottedIPAddressWorker::TcpPingDisconnected()
{
    if (!mSocket)
        return;
    mSocket = nullptr;
    mProbe->SetFinishedState(cTestDottedIPAddress::Reachable);
}

void cTestDottedIPAddressWorker::AbortTcpPing()
{
    if (!mSocket)
        return;
    QTcpSocket* socket = mSocket;
    mSocket = nullptr;
    mProbe->SetFinishedState(cTestDottedIPAddress::Failed);
    // A connect that completes after the time-out must not stay open without BYE.
    socket->abort();
}
