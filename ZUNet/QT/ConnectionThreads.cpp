#include "ZUNet/QT/ConnectionThreads.h"

#include "Common/Qt/UnitFinder.h"
#include "ZUNet/Core/Trace.h"
#include "ZUNet/QT/NetworkMetaTypes.h"
#include "ZUNet/QT/ZUNetWire.h"

#include <QTcpSocket>

#include <algorithm>

namespace
{
constexpr quint16 kUnitTcpPort = ZUNetWire::kUnitTcpPort;
} // namespace

cConnectionThreadWorkerBase::cConnectionThreadWorkerBase(UWORD connectionId, const std::string& hostName)
    : mConnectionId(connectionId)
    , mHostName(hostName)
{
    RegisterNetworkMetaTypes();
    connect(this, &cConnectionThreadWorkerBase::CallDisconnectedSignal, this,
        &cConnectionThreadWorkerBase::CallDisconnectedSlot, Qt::QueuedConnection);
}

cConnectionThreadWorkerBase::~cConnectionThreadWorkerBase()
{
    DestroyLinks();
}

void cConnectionThreadWorkerBase::CallDisconnectedSlot()
{
    if (mDisconnectedReported.exchange(true))
        return;
    Q_EMIT ConnectionThreadDisconnected(mConnectionId);
}

std::string cConnectionThreadWorkerBase::GetHostName() const
{
    std::lock_guard<std::mutex> locker(mHostNameLock);
    return mHostName;
}

void cConnectionThreadWorkerBase::SetHostName(const std::string& hostName)
{
    std::lock_guard<std::mutex> locker(mHostNameLock);
    mHostName = hostName;
}

std::string cConnectionThreadWorkerBase::GetHostDescription() const
{
    return GetHostName();
}

void cConnectionThreadWorkerBase::DontRegisterForLostComms()
{
    std::lock_guard<std::mutex> locker(mRegisterLock);
    mRegisterForLostComms = false;
}

bool cConnectionThreadWorkerBase::GetRegisterForLostComms() const
{
    std::lock_guard<std::mutex> locker(mRegisterLock);
    return mRegisterForLostComms;
}

void cConnectionThreadWorkerBase::SetHasLostComms(bool lostComms)
{
    std::lock_guard<std::mutex> locker(mLostCommsLock);
    mHasLostComms = lostComms;
}

bool cConnectionThreadWorkerBase::GetHasLostComms() const
{
    std::lock_guard<std::mutex> locker(mLostCommsLock);
    return mHasLostComms;
}

bool cConnectionThreadWorkerBase::WasSocketErrorReported() const
{
    std::lock_guard<std::mutex> locker(mSocketErrorLock);
    return mSocketErrorReported;
}

int cConnectionThreadWorkerBase::GetSocketError() const
{
    std::lock_guard<std::mutex> locker(mSocketErrorLock);
    return mSocketError;
}

void cConnectionThreadWorkerBase::SetSocketErrorReported(int error)
{
    std::lock_guard<std::mutex> locker(mSocketErrorLock);
    mSocketErrorReported = true;
    mSocketError = error;
}

void cConnectionThreadWorkerBase::SetRemoteAddress(const QHostAddress& address)
{
    std::lock_guard<std::mutex> locker(mTCPLinkLock);
    mRemoteAddress = address;
}

void cConnectionThreadWorkerBase::DestroyLinks()
{
    const bool lostComms = GetHasLostComms();
    DestroyTCPConnection(lostComms);
    DestroyUDPConnection(lostComms);
}

// ---------------------------------------------------------------------------------------------

cConnectionThreadControllerBase::cConnectionThreadControllerBase(
    QThread::Priority priority, cConnectionThreadWorkerBase* worker)
    : cThreadController(priority)
    , mWorker(worker)
    , mConnectionId(worker->GetConnectionID())
{
    connect(worker, &cConnectionThreadWorkerBase::ConnectionThreadDisconnected, this,
        &cConnectionThreadControllerBase::ConnectionThreadDisconnected);
}

cConnectionThreadControllerBase::~cConnectionThreadControllerBase()
{
    // A started worker goes with its thread; one never started is ours to delete.
    if (!mStarted)
        delete mWorker;
}

void cConnectionThreadControllerBase::Start()
{
    if (mStarted)
        return;
    mStarted = true;
    SetThreadWorkerAndStartThread(mWorker);
}

void cConnectionThreadControllerBase::Quit()
{
    mThread.quit();
}

void cConnectionThreadControllerBase::Wait()
{
    mThread.wait();
}

// ---------------------------------------------------------------------------------------------

cClientConnectionThreadWorker::cClientConnectionThreadWorker(UWORD connectionId, const std::string& hostName)
    : cConnectionThreadWorkerBase(connectionId, hostName)
{
    connect(this, &cClientConnectionThreadWorker::AbortPendingConnectionAttemptRequested, this,
        &cClientConnectionThreadWorker::AbortPendingConnectionAttempt, Qt::QueuedConnection);
}

cClientConnectionThreadWorker::~cClientConnectionThreadWorker()
{
    SetFinishedAttemptingConnection();
    DestroyLinks();
    if (IsSocketConnected())
        ZU_DIAG("%s Disconnected (ZUNet)", GetHostDescription().c_str());
}

void cClientConnectionThreadWorker::WaitForSocketAttemptingConnection()
{
    std::unique_lock<std::mutex> locker(mAttemptLock);
    mAttemptCondition.wait(locker, [this] { return mFinishedAttempting; });
}

bool cClientConnectionThreadWorker::IsSocketConnected() const
{
    std::lock_guard<std::mutex> locker(mConnectedLock);
    return mSocketConnected;
}

void cClientConnectionThreadWorker::SetFinishedAttemptingConnection()
{
    {
        std::lock_guard<std::mutex> locker(mAttemptLock);
        mFinishedAttempting = true;
    }
    mAttemptCondition.notify_all();
}

bool cClientConnectionThreadWorker::ResolveHostName(QHostAddress& address) const
{
    const std::string host = GetHostName();
    if (std::count(host.begin(), host.end(), '.') == 3) {
        QHostAddress parsed;
        if (parsed.setAddress(QString::fromStdString(host)) && parsed.protocol() == QAbstractSocket::IPv4Protocol) {
            address = parsed;
            return true;
        }
    }
    return LookUpFoundUnitAddress(host, address);
}

void cClientConnectionThreadWorker::InitOnThread()
{
    mSocket = new QTcpSocket(this);
    connect(mSocket, &QTcpSocket::connected, this, &cClientConnectionThreadWorker::TCPSocketConnected);
    connect(mSocket, &QTcpSocket::errorOccurred, this, &cClientConnectionThreadWorker::TCPSocketError);
    QHostAddress address;
    const bool resolved = ResolveHostName(address);
    mHostResolved.store(resolved);
    if (resolved)
        mSocket->connectToHost(address, kUnitTcpPort, QIODevice::ReadWrite);
    else
        SetFinishedAttemptingConnection();
}

void cClientConnectionThreadWorker::TCPSocketError(QAbstractSocket::SocketError error)
{
    ZU_DIAG("TCP Connection Failed: \"%s\" -- \"%s\"", mSocket->errorString().toLocal8Bit().constData(),
        GetHostName().c_str());
    mSocketErrorValue.store(int(error));
    const bool connectedBefore = IsSocketConnected();
    if (connectedBefore)
        SetSocketErrorReported(int(error));
    else
        SetSocketErrorReported(-1);
    SetFinishedAttemptingConnection();
    if (connectedBefore)
        Q_EMIT CallDisconnectedSignal();
}

void cClientConnectionThreadWorker::AbortPendingConnectionAttempt()
{
    {
        std::lock_guard<std::mutex> locker(mAttemptLock);
        if (mFinishedAttempting)
            return;
    }
    // Outside the attempt lock: an error the abort reports synchronously takes it again.
    if (mSocket)
        mSocket->abort();
    SetFinishedAttemptingConnection();
}

// ---------------------------------------------------------------------------------------------

cClientConnectionThreadController::cClientConnectionThreadController(UWORD connectionId, const std::string& hostName)
    : cConnectionThreadControllerBase(QThread::LowPriority, new cClientConnectionThreadWorker(connectionId, hostName))
{
}

void cClientConnectionThreadController::AbortPendingConnectionAttempt()
{
    Q_EMIT ClientWorker()->AbortPendingConnectionAttemptRequested();
}

bool LookUpFoundUnitAddress(const std::string& unitName, QHostAddress& address)
{
    // A copy of the found list, taken while the process's finder cannot go away.
    QList<sUnit> units;
    if (!cMultiUnitFinder::GetProcessFoundUnits(units))
        return false;
    const QString name = QString::fromStdString(unitName);
    for (const sUnit& unit : units) {
        if (unit.mUnitName != name)
            continue;
        bool isIPv4 = false;
        const quint32 ipv4 = unit.mHostAddress.toIPv4Address(&isIPv4);
        if (!isIPv4)
            continue;
        address = QHostAddress(ipv4);
        return true;
    }
    return false;
}
