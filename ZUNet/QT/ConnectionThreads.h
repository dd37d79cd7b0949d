#pragma once

#include "Common/Qt/ThreadController.h"
#include "ZUNet/Core/ZUNetMessage.h"

#include <QAbstractSocket>
#include <QHostAddress>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

class QTcpSocket;
class cLinkEventHandler;
class cTCPConnection;
class cUDPConnection;

/// Lives on a connection's thread and owns the connection's TCP link and datagram link. Any
/// thread may send through it: each link pointer has its own lock, taken before the link's
/// transmit-queue lock.
class cConnectionThreadWorkerBase : public cThreadWorker
{
    Q_OBJECT
public:
    cConnectionThreadWorkerBase(UWORD connectionId, const std::string& hostName);
    ~cConnectionThreadWorkerBase() override;

    UWORD GetConnectionID() const { return mConnectionId; }
    std::string GetHostName() const;
    virtual std::string GetHostDescription() const;
    QHostAddress GetRemoteAddress() const;

    void DontRegisterForLostComms();
    bool GetRegisterForLostComms() const;
    void SetHasLostComms(bool lostComms);
    bool GetHasLostComms() const;
    bool WasSocketErrorReported() const;
    int GetSocketError() const;
    bool WasDisconnectReported() const { return mDisconnectedReported.load(); }

    void SetUDPSenderPort(UWORD port) { mUDPSenderPort = port; }
    UWORD GetUDPSenderPort() const { return mUDPSenderPort; }
    void SetRemoteConnectionID(UWORD connectionId) { mRemoteConnectionId = connectionId; }
    UWORD GetRemoteConnectionID() const { return mRemoteConnectionId; }

    void SendNetworkMessage(const cZUNetMessage& message);
    /// The TCP link's unsent bytes are below the bulk senders' mark (true without a link); when
    /// not, the link wakes the bulk senders once they are.
    bool TCPLinkHasRoom() const;
    /// The TCP link refused a frame, or has sent nothing of its queue for `limit`.
    bool TCPLinkStalled(std::chrono::milliseconds limit) const;
    void SendNetworkDatagramMessage(const cZUNetMessage& message);
    void SendNetworkDatagramMessage(const UBYTE* payload, UWORD length);

    /// Where the datagram link reports keep-alives and asks for lost-comms watching (the
    /// connection manager). Set before the thread starts; without one those reports are dropped.
    void SetLinkEventHandler(cLinkEventHandler* handler) { mLinkEventHandler.store(handler); }

Q_SIGNALS:
    void ConnectionThreadDisconnected(UWORD ConnectionID);
    /// Any thread: makes the disconnected handling run on the connection thread.
    void CallDisconnectedSignal();

public Q_SLOTS:
    /// Reports the disconnection, the first time only.
    void CallDisconnectedSlot();

protected:
    void InitTCPConnection(cTCPConnection* link);
    void InitUDPConnection(cUDPConnection* link);
    void DestroyTCPConnection(bool lostComms);
    void DestroyUDPConnection(bool lostComms);
    /// Ends both links: BYE unless the connection was lost. For the subclasses' destructors.
    void DestroyLinks();
    void SetHostName(const std::string& hostName);
    void SetSocketErrorReported(int error);
    void SetRemoteAddress(const QHostAddress& address);
    /// Only the connection thread changes the links; it may read them without the locks.
    cTCPConnection* TCPLink() const { return mTCPLink; }
    cUDPConnection* UDPLink() const { return mUDPLink; }

    const UWORD mConnectionId;

private:
    mutable std::mutex mHostNameLock;
    std::string mHostName;
    mutable std::mutex mLostCommsLock;
    bool mHasLostComms = false;
    std::atomic<bool> mDisconnectedReported { false };
    UWORD mUDPSenderPort = 0;
    UWORD mRemoteConnectionId = 0;
    mutable std::mutex mRegisterLock;
    bool mRegisterForLostComms = true;
    mutable std::mutex mTCPLinkLock;
    cTCPConnection* mTCPLink = nullptr;
    QHostAddress mRemoteAddress; // guarded by mTCPLinkLock
    std::atomic<cLinkEventHandler*> mLinkEventHandler { nullptr };
    mutable std::mutex mUDPLinkLock;
    cUDPConnection* mUDPLink = nullptr;
    mutable std::mutex mSocketErrorLock;
    bool mSocketErrorReported = false;
    int mSocketError = -1;
};

/// Owns one connection's thread and its worker; the connection manager talks only to controllers.
/// Deleting a controller quits and joins its thread; the worker goes as the thread finishes.
class cConnectionThreadControllerBase : public cThreadController
{
    Q_OBJECT
public:
    cConnectionThreadControllerBase(QThread::Priority priority, cConnectionThreadWorkerBase* worker);
    ~cConnectionThreadControllerBase() override;

    void Start();
    void Quit();
    void Wait();

    UWORD GetConnectionID() const { return mConnectionId; }
    void DontRegisterForLostComms() { mWorker->DontRegisterForLostComms(); }
    void SendNetworkMessage(const cZUNetMessage& message) { mWorker->SendNetworkMessage(message); }
    bool TCPLinkHasRoom() const { return mWorker->TCPLinkHasRoom(); }
    bool TCPLinkStalled(std::chrono::milliseconds limit) const { return mWorker->TCPLinkStalled(limit); }
    void SendNetworkDatagramMessage(const cZUNetMessage& message) { mWorker->SendNetworkDatagramMessage(message); }
    void SendNetworkDatagramMessage(const UBYTE* payload, UWORD length)
    {
        mWorker->SendNetworkDatagramMessage(payload, length);
    }
    std::string GetHostName() const { return mWorker->GetHostName(); }
    std::string GetHostDescription() const { return mWorker->GetHostDescription(); }
    QHostAddress GetRemoteAddress() const { return mWorker->GetRemoteAddress(); }
    void SetHasLostComms(bool lostComms) { mWorker->SetHasLostComms(lostComms); }
    bool WasSocketErrorReported() const { return mWorker->WasSocketErrorReported(); }
    int GetSocketError() const { return mWorker->GetSocketError(); }
    bool WasDisconnectReported() const { return mWorker->WasDisconnectReported(); }
    void SetLinkEventHandler(cLinkEventHandler* handler) { mWorker->SetLinkEventHandler(handler); }
    /// The worker, to watch for its `destroyed` only: it goes once the thread has ended its links.
    const QObject* WorkerObject() const { return mWorker; }

    /// Identity of the connection in the manager's table, so a late notice about an earlier
    /// connection never closes a newer one that reuses the id.
    ULONG GetGeneration() const { return mGeneration; }
    void SetGeneration(ULONG generation) { mGeneration = generation; }

Q_SIGNALS:
    void ConnectionThreadDisconnected(UWORD ConnectionID);

protected:
    // Deleted by its thread as it finishes: the forwarders are for a running connection only.
    cConnectionThreadWorkerBase* const mWorker;
    const UWORD mConnectionId;

private:
    ULONG mGeneration = 0;
    bool mStarted = false;
};

/// Connects to a unit: resolves its address, connects TCP port 51321, makes the links, sends
/// HELLO and releases the thread that waits for the outcome.
class cClientConnectionThreadWorker : public cConnectionThreadWorkerBase
{
    Q_OBJECT
public:
    cClientConnectionThreadWorker(UWORD connectionId, const std::string& hostName);
    ~cClientConnectionThreadWorker() override;

    /// Blocks until the attempt has connected, failed or been aborted.
    void WaitForSocketAttemptingConnection();
    bool IsSocketConnected() const;
    int GetSocketErrorValue() const { return mSocketErrorValue.load(); }
    bool DidHostNameResolve() const { return mHostResolved.load(); }
    bool ResolveHostName(QHostAddress& address) const;

Q_SIGNALS:
    void AbortPendingConnectionAttemptRequested();

public Q_SLOTS:
    void TCPSocketConnected();
    void TCPSocketError(QAbstractSocket::SocketError error);
    void RemoteUDPPortReceived(ushort UDPPort);
    void AbortPendingConnectionAttempt();

protected:
    void InitOnThread() override;

private:
    void SetFinishedAttemptingConnection();

    QTcpSocket* mSocket = nullptr;
    mutable std::mutex mAttemptLock;
    std::condition_variable mAttemptCondition;
    bool mFinishedAttempting = false;
    mutable std::mutex mConnectedLock;
    bool mSocketConnected = false;
    std::atomic<int> mSocketErrorValue { -2 };
    std::atomic<bool> mHostResolved { false };
};

class cClientConnectionThreadController : public cConnectionThreadControllerBase
{
    Q_OBJECT
public:
    cClientConnectionThreadController(UWORD connectionId, const std::string& hostName);

    bool IsSocketConnected() const { return ClientWorker()->IsSocketConnected(); }
    void WaitForSocketAttemptingConnection() { ClientWorker()->WaitForSocketAttemptingConnection(); }
    int GetSocketErrorValue() const { return ClientWorker()->GetSocketErrorValue(); }
    bool DidHostNameResolve() const { return ClientWorker()->DidHostNameResolve(); }
    void AbortPendingConnectionAttempt();

private:
    cClientConnectionThreadWorker* ClientWorker() const { return static_cast<cClientConnectionThreadWorker*>(mWorker); }
};

/// Looks a unit name up among the units that discovery has found; false when it is unknown.
bool LookUpFoundUnitAddress(const std::string& unitName, QHostAddress& address);
