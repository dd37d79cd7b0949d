#pragma once

#include "ZUNet/Core/NetworkInterface.h"
#include "ZUNet/Core/ZUNetMessage.h"
#include "ZUNet/QT/LinkEventHandler.h"
#include "ZUNet/QT/LostComms.h"
#include "ZUNet/QT/NetworkMetaTypes.h"

#include <QAbstractSocket>
#include <QHostAddress>
#include <QObject>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

class cConnectionThreadControllerBase;
class cClientConnectionThreadController;

/// The process's one connection manager: up to 70 connections to units, numbered 1 to 70.
/// Opens connections on request (blocking the asking thread until TCP has connected or failed),
/// routes outgoing messages by connection id, ends connections telling every network object
/// through the registry router, and wires connections to lost-comms detection.
///
/// Locks, in order: router poll lock, manager lock, a worker's link lock, the link's transmit
/// lock. The lost-comms lock is never held together with the manager lock. No thread is ever
/// joined while the manager lock is held, so other connections' traffic and keep-alives go on
/// while one connection closes.
class cNetworkConnection : public QObject, public cNetworkInterface, public cLostCommsPeer, public cLinkEventHandler
{
    Q_OBJECT
public:
    /// Any generation: used by callers that mean whichever connection holds the id now.
    static constexpr ULONG kAnyGeneration = 0;

    static void AllowInstanceOf(bool allow);
    static cNetworkConnection* Instance();
    static void DeleteInstance();

    /// Stops every connection (no ConnectionTerminated, no ConnectionDisconnected). Attempts still
    /// connecting are aborted and end as failed before it returns.
    void Uninitialise();

    UWORD OutgoingRemoteConnection(const std::string& host);
    void IncomingRemoteConnection(qintptr socketDescriptor);
    UWORD AcquireNextAvaiableConnectionID();
    void ReleaseConnectionID(UWORD connectionId);
    void SetConnectionThreadAtIndex(cConnectionThreadControllerBase* controller, UWORD index);
    void SetPendingClientConnectionThread(cClientConnectionThreadController* controller);
    void AbortPendingClientConnection();

    void SendNetworkMessage(const cZUNetMessage& message);
    void SendNetworkDatagramMessage(const cZUNetMessage& message);
    void SendNetworkDatagramMessage(const UBYTE* payload, UWORD length, UWORD connectionId) override;
    /// A utility payload arrived on a datagram link.
    void UtilityMessageReceived(const UBYTE* payload, UWORD length, UWORD connectionId) override;

    std::string GetHostNameFromConnectionID(UWORD connectionId);
    std::string GetHostStringFromConnectionID(UWORD connectionId) override;
    cConnectionThreadControllerBase* GetConnectionThreadFromConnectionID(UWORD connectionId);
    UWORD GetConnectionIDFromHostName(const std::string& host);
    QHostAddress GetRemoteAddressFromHostName(const std::string& host);
    /// Read under the manager lock: a closing connection's controller may be deleted at any time.
    QHostAddress GetRemoteAddressFromConnectionID(UWORD connectionId);
    UWORD GetNumberOfConnections();
    bool IsConnectionIDInUse(UWORD connectionId);
    /// Identity of the connection that holds the id now (changes each time the id is given out).
    ULONG GetConnectionGeneration(UWORD connectionId);

    void DisconnectConnectionID(UWORD connectionId);
    void DisconnectFromHost(const std::string& host);
    void LostCommsForConnectionID(UWORD connectionId) override;
    bool IsTransmitStalled(UWORD connectionId, std::chrono::milliseconds limit) override;
    bool LinkHasRoom(UWORD connectionId) override;

    void InitialiseLostComms();
    void UninitialiseLostComms();
    void RegisterConnectionWithLostComms(UWORD connectionId) override;

    // cNetworkInterface
    UWORD FindConnection(const char* host) override;
    bool ConnectionExists(const char* host) override;
    std::string HostNameFromConnectionId(UWORD connectionId) override;
    UWORD NumberOfConnections() override;
    void SendMessage(const cZUNetMessage& message) override { SendNetworkMessage(message); }
    void SendDatagramMessage(const cZUNetMessage& message) override { SendNetworkDatagramMessage(message); }

Q_SIGNALS:
    void LostComms(UWORD ConnectionId, std::string HostName);
    void ConnectionDisconnected(
        UWORD ConnectionId, std::string HostName, bool ErrorOccured, QAbstractSocket::SocketError Error);
    void CallDisconnectAtIndex(UWORD Index, bool LostComms, ULONG Generation);
    void NumberOfConnectionsChanged(UBYTE NumberOfConnections);
    void UnitLowTTLWarning(UWORD ConnectionId, bool Low);
    void DisconnectAtIndexRightNow(UWORD Index, bool LostComms, ULONG Generation);

public Q_SLOTS:
    void ConnectionThreadHasDisconnected(UWORD ConnectionID, ULONG Generation);
    /// Ends the connection at the index when it is still the one of that generation.
    void DisconnectAtIndex(UWORD Index, bool LostComms, ULONG Generation);

private:
    cNetworkConnection();
    ~cNetworkConnection() override;

    struct sEntry {
        cConnectionThreadControllerBase* mController = nullptr;
        bool mInUse = false;
        ULONG mGeneration = 0;
    };

    static bool ValidId(UWORD connectionId) { return connectionId >= 1 && connectionId <= ZUNET_MAX_CONNECTIONS; }
    static bool IsMainThread();
    void ConnectController(cConnectionThreadControllerBase* controller);
    void TellLostCommsClosed(UWORD connectionId);
    void ReleaseEntry(UWORD index);
    bool BeginAttempt();
    void EndAttempt();
    void AbortAttemptsAndWait();
    /// Joins and deletes a controller whose close began on the main thread, then frees its id.
    void FinishClose(cConnectionThreadControllerBase* controller, UWORD index);

    std::recursive_mutex mLock;
    sEntry mTable[ZUNET_MAX_CONNECTIONS];
    UBYTE mNumberOfConnections = 0;
    // Out of the table, their threads ending their links; their ids stay in use until joined.
    std::vector<cConnectionThreadControllerBase*> mClosing;
    ULONG mLastGeneration = 0;

    std::mutex mLostCommsLock;
    cLostCommsSenderController* mLostCommsSender = nullptr;
    cLostCommsReceiverController* mLostCommsReceiver = nullptr;

    // Also guards the attempts below. A thread inside OutgoingRemoteConnection counts as an
    // attempt from entry to return, so closing can wait until none touches the manager any more.
    std::mutex mPendingLock;
    cClientConnectionThreadController* mPendingClient = nullptr;
    std::vector<cClientConnectionThreadController*> mAttempts;
    int mAttemptsRunning = 0;
    int mStopping = 0; // Uninitialise calls under way: new attempts are refused, waiting ones fail
    bool mClosed = false; // the manager is going: attempts are refused for good
    std::condition_variable mAttemptsEnded;
};

void SetNetworkConnection(cNetworkConnection* connection);
