#include "ZUNet/QT/NetworkConnection.h"

#include "ZUNet/Core/PollLocker.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/Trace.h"
#include "ZUNet/QT/ConnectionThreads.h"
#include "ZUNet/QT/NetworkMetaTypes.h"
#include "ZUNet/QT/ServerConnection.h"
#include "ZUNet/QT/ZUNetWire.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <vector>

#include <unistd.h>

namespace
{
std::mutex gAllowInstanceMutex;
std::mutex gSingletonMutex;
bool gAllowInstanceOf = true;
std::atomic<cNetworkConnection*> gNetworkConnection { nullptr };

void InitialiseNetworkConnection()
{
    cNetworkConnection::Instance();
}

// Starting the syscall interface brings the manager up.
struct sInitialiserInstaller {
    sInitialiserInstaller() { SetNetworkInitialiser(&InitialiseNetworkConnection); }
} gInitialiserInstaller;
} // namespace

void SetNetworkConnection(cNetworkConnection* connection)
{
    SetNetworkInterface(connection);
}

bool cNetworkConnection::IsMainThread()
{
    QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

void cNetworkConnection::AllowInstanceOf(bool allow)
{
    SetNetworkInitialiser(&InitialiseNetworkConnection);
    std::lock_guard<std::mutex> locker(gAllowInstanceMutex);
    gAllowInstanceOf = allow;
}

cNetworkConnection* cNetworkConnection::Instance()
{
    std::lock_guard<std::mutex> allowLocker(gAllowInstanceMutex);
    if (!gAllowInstanceOf) {
        ZU_ERR("Network Connection access after destruction");
        return nullptr;
    }
    if (cNetworkConnection* existing = gNetworkConnection.load())
        return existing;
    std::lock_guard<std::mutex> singletonLocker(gSingletonMutex);
    if (cNetworkConnection* existing = gNetworkConnection.load())
        return existing;
    if (!IsMainThread()) {
        ZU_ERR("Attempting to create instance on non-main thread");
        return nullptr;
    }
    auto* created = new cNetworkConnection();
    gNetworkConnection.store(created);
    SetNetworkConnection(created);
    return created;
}

void cNetworkConnection::DeleteInstance()
{
    if (!IsMainThread()) {
        ZU_ERR("Attempting to delete instance on non-main thread");
        return;
    }
    cNetworkConnection* doomed = nullptr;
    {
        std::lock_guard<std::mutex> locker(gSingletonMutex);
        doomed = gNetworkConnection.load();
        if (!doomed)
            return;
        if (GetNetworkInterface() == doomed)
            SetNetworkConnection(nullptr);
        {
            std::lock_guard<std::mutex> pendingLocker(doomed->mPendingLock);
            doomed->mClosed = true;
        }
        doomed->Uninitialise();
        gNetworkConnection.store(nullptr);
    }
    delete doomed;
}

cNetworkConnection::cNetworkConnection()
    : QObject(nullptr)
{
    RegisterNetworkMetaTypes();
    connect(this, &cNetworkConnection::DisconnectAtIndexRightNow, this, &cNetworkConnection::DisconnectAtIndex,
        Qt::DirectConnection);
    connect(this, &cNetworkConnection::CallDisconnectAtIndex, this, &cNetworkConnection::DisconnectAtIndex,
        Qt::QueuedConnection);
}

cNetworkConnection::~cNetworkConnection()
{
    {
        std::lock_guard<std::mutex> locker(mPendingLock);
        mClosed = true;
    }
    Uninitialise();
    cLostCommsSenderController* sender = nullptr;
    cLostCommsReceiverController* receiver = nullptr;
    {
        std::lock_guard<std::mutex> locker(mLostCommsLock);
        std::swap(sender, mLostCommsSender);
        std::swap(receiver, mLostCommsReceiver);
    }
    delete receiver;
    delete sender;
}

// ---------------------------------------------------------------------------------------------
// Connection ids

UWORD cNetworkConnection::AcquireNextAvaiableConnectionID()
{
    std::lock_guard<std::recursive_mutex> locker(mLock);
    for (int index = 0; index < ZUNET_MAX_CONNECTIONS; ++index) {
        sEntry& entry = mTable[index];
        if (entry.mInUse)
            continue;
        entry.mInUse = true;
        entry.mController = nullptr;
        if (++mLastGeneration == kAnyGeneration)
            ++mLastGeneration;
        entry.mGeneration = mLastGeneration;
        ++mNumberOfConnections;
        Q_EMIT NumberOfConnectionsChanged(mNumberOfConnections);
        return UWORD(index + 1);
    }
    ZU_ERR("All availible connections are in use");
    return ZUNET_NO_CONNECTION;
}

void cNetworkConnection::ReleaseConnectionID(UWORD connectionId)
{
    if (!ValidId(connectionId)) {
        ZU_ERR("Invalid Connection ID");
        return;
    }
    std::lock_guard<std::recursive_mutex> locker(mLock);
    if (!mTable[connectionId - 1].mInUse) {
        ZU_ERR("Inconsistent state");
        return;
    }
    ReleaseEntry(UWORD(connectionId - 1));
}

void cNetworkConnection::ReleaseEntry(UWORD index)
{
    // Caller holds mLock and has checked the entry is in use.
    mTable[index] = sEntry();
    --mNumberOfConnections;
    Q_EMIT NumberOfConnectionsChanged(mNumberOfConnections);
}

bool cNetworkConnection::IsConnectionIDInUse(UWORD connectionId)
{
    if (!ValidId(connectionId))
        return false;
    std::lock_guard<std::recursive_mutex> locker(mLock);
    return mTable[connectionId - 1].mInUse;
}

ULONG cNetworkConnection::GetConnectionGeneration(UWORD connectionId)
{
    if (!ValidId(connectionId))
        return kAnyGeneration;
    std::lock_guard<std::recursive_mutex> locker(mLock);
    return mTable[connectionId - 1].mGeneration;
}

void cNetworkConnection::SetConnectionThreadAtIndex(cConnectionThreadControllerBase* controller, UWORD index)
{
    if (index >= ZUNET_MAX_CONNECTIONS) {
        ZU_ERR("Invalid Connection ID");
        return;
    }
    std::lock_guard<std::recursive_mutex> locker(mLock);
    sEntry& entry = mTable[index];
    if ((controller && !entry.mInUse) || (!controller && entry.mInUse))
        ZU_ERR("Inconsistent state");
    entry.mController = controller;
}

void cNetworkConnection::SetPendingClientConnectionThread(cClientConnectionThreadController* controller)
{
    std::lock_guard<std::mutex> locker(mPendingLock);
    if (controller && mPendingClient)
        ZU_ERR("Pending thread already set");
    mPendingClient = controller;
}

void cNetworkConnection::AbortPendingClientConnection()
{
    std::lock_guard<std::mutex> locker(mPendingLock);
    if (mPendingClient)
        mPendingClient->AbortPendingConnectionAttempt();
}

// False when the manager is closing: the caller must not start an attempt.
bool cNetworkConnection::BeginAttempt()
{
    std::lock_guard<std::mutex> locker(mPendingLock);
    if (mClosed || mStopping > 0)
        return false;
    ++mAttemptsRunning;
    return true;
}

// The last thing an attempt does with the manager: once it returns, closing may delete it.
void cNetworkConnection::EndAttempt()
{
    std::lock_guard<std::mutex> locker(mPendingLock);
    --mAttemptsRunning;
    // Notified under the lock: the waiter may delete the manager as soon as it has the lock.
    mAttemptsEnded.notify_all();
}

void cNetworkConnection::AbortAttemptsAndWait()
{
    std::unique_lock<std::mutex> locker(mPendingLock);
    ++mStopping;
    for (cClientConnectionThreadController* attempt : mAttempts)
        attempt->AbortPendingConnectionAttempt();
    mAttemptsEnded.wait(locker, [this] { return mAttemptsRunning == 0; });
    --mStopping;
}

void cNetworkConnection::ConnectController(cConnectionThreadControllerBase* controller)
{
    const ULONG generation = controller->GetGeneration();
    connect(controller, &cConnectionThreadControllerBase::ConnectionThreadDisconnected, this,
        [this, generation](UWORD connectionId) { ConnectionThreadHasDisconnected(connectionId, generation); });
}

// ---------------------------------------------------------------------------------------------
// Opening

UWORD cNetworkConnection::OutgoingRemoteConnection(const std::string& host)
{
    if (!BeginAttempt()) {
        ZU_DIAG("Outgoing Remote Connection rejected: \"%s\"", host.c_str());
        return ZUNET_NO_CONNECTION;
    }
    const UWORD connectionId = AcquireNextAvaiableConnectionID();
    if (connectionId == ZUNET_NO_CONNECTION) {
        ZU_DIAG("Outgoing Remote Connection rejected: \"%s\"", host.c_str());
        EndAttempt();
        return ZUNET_NO_CONNECTION;
    }
    ZU_DIAG("Outgoing Remote Connection: %d - \"%s\"", connectionId, host.c_str());
    const UWORD index = UWORD(connectionId - 1);
    auto* controller = new cClientConnectionThreadController(connectionId, host);
    {
        std::lock_guard<std::recursive_mutex> locker(mLock);
        controller->SetGeneration(mTable[index].mGeneration);
    }
    ConnectController(controller);
    controller->SetLinkEventHandler(this);
    controller->Start();
    SetPendingClientConnectionThread(controller);
    {
        std::lock_guard<std::mutex> locker(mPendingLock);
        mAttempts.push_back(controller);
        // Closing began after this attempt did, and may have aborted the others already.
        if (mStopping > 0)
            controller->AbortPendingConnectionAttempt();
    }
    controller->WaitForSocketAttemptingConnection();
    bool stopping = false;
    {
        // Off the lists before anyone else can end and delete it.
        std::lock_guard<std::mutex> locker(mPendingLock);
        mAttempts.erase(std::remove(mAttempts.begin(), mAttempts.end(), controller), mAttempts.end());
        if (mPendingClient == controller)
            mPendingClient = nullptr;
        stopping = mStopping > 0;
    }

    // Connected while the manager stops: ended as failed, or it would outlive the table.
    if (controller->IsSocketConnected() && !stopping) {
        if (QCoreApplication* application = QCoreApplication::instance())
            controller->moveToThread(application->thread());
        SetConnectionThreadAtIndex(controller, index);
        // A connection that dropped before it was stored has reported it to nobody.
        if (controller->WasDisconnectReported())
            Q_EMIT CallDisconnectAtIndex(index, false, controller->GetGeneration());
        EndAttempt();
        return connectionId;
    }

    ZU_DIAG("Unsuccessful Connection: %d, Code: %d, Resolved: %s - \"%s\"", connectionId,
        controller->GetSocketErrorValue(), controller->DidHostNameResolve() ? "True" : "False", host.c_str());
    disconnect(controller, nullptr, this, nullptr);
    controller->DontRegisterForLostComms();
    delete controller; // joins its thread before the id can be given out again
    TellLostCommsClosed(connectionId); // a registration made before the thread stopped
    {
        std::lock_guard<std::recursive_mutex> locker(mLock);
        ReleaseEntry(index);
    }
    EndAttempt();
    return ZUNET_NO_CONNECTION;
}

void cNetworkConnection::IncomingRemoteConnection(qintptr socketDescriptor)
{
    ZU_DIAG("Incoming Remote Connection");
    const UWORD connectionId = AcquireNextAvaiableConnectionID();
    if (connectionId == ZUNET_NO_CONNECTION) {
        ::close(int(socketDescriptor)); // refused: the peer sees the connection closed
        return;
    }
    const UWORD index = UWORD(connectionId - 1);
    auto* controller = new cServerConnectionThreadController(connectionId, socketDescriptor);
    {
        std::lock_guard<std::recursive_mutex> locker(mLock);
        controller->SetGeneration(mTable[index].mGeneration);
    }
    ConnectController(controller);
    controller->SetLinkEventHandler(this);
    if (QCoreApplication* application = QCoreApplication::instance())
        controller->moveToThread(application->thread());
    // Stored before its thread starts: the first message it receives may be answered at once, and
    // an answer for an id with no controller yet would be dropped.
    SetConnectionThreadAtIndex(controller, index);
    controller->Start();
}

// ---------------------------------------------------------------------------------------------
// Sending and receiving

void cNetworkConnection::SendNetworkMessage(const cZUNetMessage& message)
{
    if (!ValidId(message.mConnectionId))
        return;
    std::lock_guard<std::recursive_mutex> locker(mLock);
    if (cConnectionThreadControllerBase* controller = mTable[message.mConnectionId - 1].mController)
        controller->SendNetworkMessage(message);
}

void cNetworkConnection::SendNetworkDatagramMessage(const cZUNetMessage& message)
{
    if (!ValidId(message.mConnectionId))
        return;
    std::lock_guard<std::recursive_mutex> locker(mLock);
    if (cConnectionThreadControllerBase* controller = mTable[message.mConnectionId - 1].mController)
        controller->SendNetworkDatagramMessage(message);
}

void cNetworkConnection::SendNetworkDatagramMessage(const UBYTE* payload, UWORD length, UWORD connectionId)
{
    if (!ValidId(connectionId))
        return;
    std::lock_guard<std::recursive_mutex> locker(mLock);
    if (cConnectionThreadControllerBase* controller = mTable[connectionId - 1].mController)
        controller->SendNetworkDatagramMessage(payload, length);
}

void cNetworkConnection::UtilityMessageReceived(const UBYTE* payload, UWORD length, UWORD connectionId)
{
    if (!payload || length < 1)
        return;
    if (payload[0] != ZUNetWire::kUtilityKeepAlive) {
        ZU_ERR("Unknown Util Message Received Byte[0] %d", payload[0]);
        return;
    }
    std::lock_guard<std::mutex> locker(mLostCommsLock);
    if (mLostCommsReceiver)
        mLostCommsReceiver->ReceivedMessage(connectionId);
}

// ---------------------------------------------------------------------------------------------
// Queries

std::string cNetworkConnection::GetHostNameFromConnectionID(UWORD connectionId)
{
    if (!ValidId(connectionId))
        return std::string();
    std::lock_guard<std::recursive_mutex> locker(mLock);
    cConnectionThreadControllerBase* controller = mTable[connectionId - 1].mController;
    return controller ? controller->GetHostName() : std::string();
}

std::string cNetworkConnection::GetHostStringFromConnectionID(UWORD connectionId)
{
    if (!ValidId(connectionId))
        return std::string();
    std::lock_guard<std::recursive_mutex> locker(mLock);
    cConnectionThreadControllerBase* controller = mTable[connectionId - 1].mController;
    return controller ? controller->GetHostDescription() : std::string();
}

cConnectionThreadControllerBase* cNetworkConnection::GetConnectionThreadFromConnectionID(UWORD connectionId)
{
    if (!ValidId(connectionId))
        return nullptr;
    std::lock_guard<std::recursive_mutex> locker(mLock);
    return mTable[connectionId - 1].mController;
}

UWORD cNetworkConnection::GetConnectionIDFromHostName(const std::string& host)
{
    std::lock_guard<std::recursive_mutex> locker(mLock);
    for (int index = 0; index < ZUNET_MAX_CONNECTIONS; ++index) {
        cConnectionThreadControllerBase* controller = mTable[index].mController;
        if (controller && controller->GetHostName() == host)
            return UWORD(index + 1);
    }
    return ZUNET_NO_CONNECTION;
}

QHostAddress cNetworkConnection::GetRemoteAddressFromHostName(const std::string& host)
{
    std::lock_guard<std::recursive_mutex> locker(mLock);
    const UWORD connectionId = GetConnectionIDFromHostName(host);
    if (connectionId == ZUNET_NO_CONNECTION)
        return QHostAddress();
    return mTable[connectionId - 1].mController->GetRemoteAddress();
}

QHostAddress cNetworkConnection::GetRemoteAddressFromConnectionID(UWORD connectionId)
{
    if (!ValidId(connectionId))
        return QHostAddress();
    std::lock_guard<std::recursive_mutex> locker(mLock);
    cConnectionThreadControllerBase* controller = mTable[connectionId - 1].mController;
    return controller ? controller->GetRemoteAddress() : QHostAddress();
}

UWORD cNetworkConnection::GetNumberOfConnections()
{
    std::lock_guard<std::recursive_mutex> locker(mLock);
    return mNumberOfConnections;
}

UWORD cNetworkConnection::FindConnection(const char* host)
{
    if (!host)
        return ZUNET_NO_CONNECTION;
    const UWORD connectionId = GetConnectionIDFromHostName(host);
    if (connectionId != ZUNET_NO_CONNECTION)
        return connectionId;
    return OutgoingRemoteConnection(host);
}

bool cNetworkConnection::ConnectionExists(const char* host)
{
    return host && GetConnectionIDFromHostName(host) != ZUNET_NO_CONNECTION;
}

std::string cNetworkConnection::HostNameFromConnectionId(UWORD connectionId)
{
    return GetHostNameFromConnectionID(connectionId);
}

UWORD cNetworkConnection::NumberOfConnections()
{
    return GetNumberOfConnections();
}

// ---------------------------------------------------------------------------------------------
// Ending

void cNetworkConnection::DisconnectConnectionID(UWORD connectionId)
{
    if (!ValidId(connectionId)) {
        ZU_ERR("Invalid Connection ID");
        return;
    }
    ULONG generation;
    {
        std::lock_guard<std::recursive_mutex> locker(mLock);
        generation = mTable[connectionId - 1].mGeneration;
    }
    Q_EMIT CallDisconnectAtIndex(UWORD(connectionId - 1), false, generation);
}

void cNetworkConnection::DisconnectFromHost(const std::string& host)
{
    ULONG generation = 0;
    UWORD connectionId;
    {
        std::lock_guard<std::recursive_mutex> locker(mLock);
        connectionId = GetConnectionIDFromHostName(host);
        if (connectionId != ZUNET_NO_CONNECTION)
            generation = mTable[connectionId - 1].mGeneration;
    }
    if (connectionId == ZUNET_NO_CONNECTION) {
        ZU_ERR("Cannot find connection for host: %s", host.c_str());
        return;
    }
    Q_EMIT CallDisconnectAtIndex(UWORD(connectionId - 1), false, generation);
}

void cNetworkConnection::ConnectionThreadHasDisconnected(UWORD ConnectionID, ULONG Generation)
{
    if (!ValidId(ConnectionID))
        return;
    std::lock_guard<std::recursive_mutex> locker(mLock);
    const sEntry& entry = mTable[ConnectionID - 1];
    if (!entry.mController || entry.mGeneration != Generation)
        return;
    disconnect(entry.mController, &cConnectionThreadControllerBase::ConnectionThreadDisconnected, this, nullptr);
    Q_EMIT CallDisconnectAtIndex(UWORD(ConnectionID - 1), false, Generation);
}

bool cNetworkConnection::IsTransmitStalled(UWORD connectionId, std::chrono::milliseconds limit)
{
    if (!ValidId(connectionId))
        return false;
    std::lock_guard<std::recursive_mutex> locker(mLock);
    const cConnectionThreadControllerBase* controller = mTable[connectionId - 1].mController;
    return controller && controller->TCPLinkStalled(limit);
}

bool cNetworkConnection::LinkHasRoom(UWORD connectionId)
{
    if (!ValidId(connectionId))
        return true;
    std::lock_guard<std::recursive_mutex> locker(mLock);
    const cConnectionThreadControllerBase* controller = mTable[connectionId - 1].mController;
    return !controller || controller->TCPLinkHasRoom();
}

void cNetworkConnection::LostCommsForConnectionID(UWORD connectionId)
{
    if (!ValidId(connectionId)) {
        ZU_ERR("Invalid Connection ID");
        return;
    }
    std::string host;
    ULONG generation = 0;
    {
        std::lock_guard<std::recursive_mutex> locker(mLock);
        const sEntry& entry = mTable[connectionId - 1];
        if (!entry.mController)
            return;
        host = entry.mController->GetHostName();
        entry.mController->SetHasLostComms(true);
        generation = entry.mGeneration;
    }
    Q_EMIT DisconnectAtIndexRightNow(UWORD(connectionId - 1), true, generation);
    Q_EMIT LostComms(connectionId, host);
}

void cNetworkConnection::DisconnectAtIndex(UWORD Index, bool LostComms, ULONG Generation)
{
    if (Index >= ZUNET_MAX_CONNECTIONS) {
        ZU_ERR("Invalid Connection ID");
        return;
    }
    const UWORD connectionId = UWORD(Index + 1);
    cConnectionThreadControllerBase* controller = nullptr;
    std::string host;
    bool errorReported = false;
    int error = -1;

    {
        cPollLocker poll;
        {
            std::lock_guard<std::recursive_mutex> locker(mLock);
            sEntry& entry = mTable[Index];
            if (entry.mController && (Generation == kAnyGeneration || entry.mGeneration == Generation)) {
                // Out of the table at once, so nothing sends to it any more; the id stays in use
                // until its thread has stopped.
                controller = entry.mController;
                entry.mController = nullptr;
                host = controller->GetHostName();
                errorReported = controller->WasSocketErrorReported();
                error = controller->GetSocketError();
            }
        }
        if (!controller)
            return;
        disconnect(controller, nullptr, this, nullptr);
        TellLostCommsClosed(connectionId);
        Q_EMIT ConnectionDisconnected(connectionId, host, errorReported, QAbstractSocket::SocketError(error));
        if (gRegistryRouter)
            gRegistryRouter->ConnectionTerminated(connectionId, LostComms);
    }

    // Joined with no lock held: BYE may take a moment, and other connections carry on meanwhile.
    if (controller->thread() == QThread::currentThread() && IsMainThread() && controller->Thread()->isRunning()) {
        // The user interface's thread never waits for BYE: the connection's thread ends its links
        // on its own, and is joined once its worker has gone. The id stays in use until then.
        {
            std::lock_guard<std::recursive_mutex> locker(mLock);
            mClosing.push_back(controller);
        }
        connect(
            controller->WorkerObject(), &QObject::destroyed, this,
            [this, controller, Index] { FinishClose(controller, Index); }, Qt::QueuedConnection);
        controller->Quit();
        return;
    }
    if (controller->thread() == QThread::currentThread()) {
        delete controller;
    } else {
        controller->Quit();
        controller->Wait();
        controller->deleteLater(); // the object belongs to the main thread
    }
    TellLostCommsClosed(connectionId); // a registration the thread made before it stopped

    std::lock_guard<std::recursive_mutex> locker(mLock);
    if (mTable[Index].mInUse && !mTable[Index].mController)
        ReleaseEntry(Index);
}

void cNetworkConnection::FinishClose(cConnectionThreadControllerBase* controller, UWORD index)
{
    {
        std::lock_guard<std::recursive_mutex> locker(mLock);
        const auto closing = std::find(mClosing.begin(), mClosing.end(), controller);
        if (closing == mClosing.end())
            return; // shutdown has joined it already
        mClosing.erase(closing);
    }
    delete controller; // its worker is gone: the thread is ending, the wait is short
    TellLostCommsClosed(UWORD(index + 1));
    std::lock_guard<std::recursive_mutex> locker(mLock);
    if (mTable[index].mInUse && !mTable[index].mController)
        ReleaseEntry(index);
}

void cNetworkConnection::Uninitialise()
{
    AbortAttemptsAndWait();
    std::vector<cConnectionThreadControllerBase*> stopping;
    {
        std::lock_guard<std::recursive_mutex> locker(mLock);
        for (int index = 0; index < ZUNET_MAX_CONNECTIONS; ++index) {
            cConnectionThreadControllerBase* controller = mTable[index].mController;
            if (!controller)
                continue;
            disconnect(controller, nullptr, this, nullptr);
            ReleaseEntry(UWORD(index));
            controller->Quit();
            stopping.push_back(controller);
        }
    }
    for (cConnectionThreadControllerBase* controller : stopping) {
        controller->Wait();
        TellLostCommsClosed(controller->GetConnectionID());
        delete controller;
    }
    // Closes still ending their links are waited for too: nothing may outlive the manager.
    std::vector<cConnectionThreadControllerBase*> closing;
    {
        std::lock_guard<std::recursive_mutex> locker(mLock);
        closing.swap(mClosing);
    }
    for (cConnectionThreadControllerBase* controller : closing) {
        // Its worker may be gone already; a finish still queued for it finds nothing to do.
        controller->Wait();
        const UWORD id = controller->GetConnectionID();
        TellLostCommsClosed(id);
        delete controller;
        std::lock_guard<std::recursive_mutex> locker(mLock);
        if (mTable[id - 1].mInUse && !mTable[id - 1].mController)
            ReleaseEntry(UWORD(id - 1));
    }
}

// ---------------------------------------------------------------------------------------------
// Lost comms

void cNetworkConnection::InitialiseLostComms()
{
    if (!IsMainThread()) {
        ZU_ERR("Must be called on main thread");
        return;
    }
    std::lock_guard<std::mutex> locker(mLostCommsLock);
    if (mLostCommsSender || mLostCommsReceiver) {
        ZU_ERR("Inconsistent state");
        return;
    }
    mLostCommsSender = new cLostCommsSenderController(this);
    mLostCommsReceiver = new cLostCommsReceiverController(this);
    connect(mLostCommsReceiver, &cLostCommsReceiverController::UnitLowTTLWarning, this,
        &cNetworkConnection::UnitLowTTLWarning);
}

void cNetworkConnection::UninitialiseLostComms()
{
    if (!IsMainThread()) {
        ZU_ERR("Must be called on main thread");
        return;
    }
    // Connections stop first, so none registers or reports a keep-alive to what is going away.
    Uninitialise();
    cLostCommsSenderController* sender = nullptr;
    cLostCommsReceiverController* receiver = nullptr;
    {
        std::lock_guard<std::mutex> locker(mLostCommsLock);
        if (!mLostCommsSender != !mLostCommsReceiver)
            ZU_ERR("Inconsistent state: %s,  %s", mLostCommsReceiver ? "Reciever Present" : "Reciever Null",
                mLostCommsSender ? "Sender Present" : "Sender Null");
        std::swap(sender, mLostCommsSender);
        std::swap(receiver, mLostCommsReceiver);
    }
    // Joined outside the lock: the receiver thread may be closing a lost connection right now.
    delete receiver;
    delete sender;
}

void cNetworkConnection::RegisterConnectionWithLostComms(UWORD connectionId)
{
    if (!ValidId(connectionId)) {
        ZU_ERR("Invalid Connection ID");
        return;
    }
    std::lock_guard<std::mutex> locker(mLostCommsLock);
    if (mLostCommsSender)
        mLostCommsSender->NewUDPConnection(connectionId);
    if (mLostCommsReceiver)
        mLostCommsReceiver->NewUDPConnection(connectionId);
}

void cNetworkConnection::TellLostCommsClosed(UWORD connectionId)
{
    std::lock_guard<std::mutex> locker(mLostCommsLock);
    if (mLostCommsReceiver)
        mLostCommsReceiver->ConnectionClosed(connectionId);
    if (mLostCommsSender)
        mLostCommsSender->ConnectionClosed(connectionId);
}
