#pragma once

#include "Common/Qt/ThreadController.h"
#include "ZUNet/Core/ZUNetTypes.h"

#include <QObject>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

class QTimer;

namespace LostComms
{
constexpr UBYTE kTimeToLive = 30;
/// A time to live below this is low.
constexpr UBYTE kLowTimeToLive = 26;
constexpr int kDefaultPeriodMs = 1000;
constexpr int kSenderRealTimePriority = 60;
} // namespace LostComms

/// The keep-alive and ageing period in ms: 1000, unless a test changed it (ZUNet/QT/TestSettings.h).
int GetLostCommsPeriod();

/// What lost-comms detection needs of the connection manager; tests put in their own.
class cLostCommsPeer
{
public:
    virtual ~cLostCommsPeer() = default;
    /// Sends a utility payload on the datagram link of the connection.
    virtual void SendNetworkDatagramMessage(const UBYTE* payload, UWORD length, UWORD connectionId) = 0;
    /// The connection has been silent too long: close it without BYE.
    virtual void LostCommsForConnectionID(UWORD connectionId) = 0;
    virtual std::string GetHostStringFromConnectionID(UWORD connectionId) = 0;
    /// The connection's peer keeps its keep-alives going but has not taken what was sent to it
    /// for `limit`: it is as good as lost.
    virtual bool IsTransmitStalled(UWORD /*connectionId*/, std::chrono::milliseconds /*limit*/) { return false; }
};

/// Sends a keep-alive on every registered connection's datagram link once per period.
class cLostCommsSenderWorker : public cThreadWorker
{
    Q_OBJECT
public:
    explicit cLostCommsSenderWorker(cLostCommsPeer* peer, int periodMs = GetLostCommsPeriod());

    /// Read only on the worker's thread (or before it starts).
    bool IsActive(UWORD connectionId) const;

public Q_SLOTS:
    void NewUDPConnectionSlot(UWORD connectionId);
    void ConnectionClosedSlot(UWORD connectionId);
    void TimerFired();
    void SendMessages();

protected:
    void InitOnThread() override;
    /// SCHED_RR at priority 60 for the calling thread; false when the system refuses.
    virtual bool RaisePriority();

private:
    cLostCommsPeer* mPeer;
    const int mPeriodMs;
    QTimer* mTimer = nullptr;
    bool mActive[ZUNET_MAX_CONNECTIONS] = {};
};

/// Keeps a time to live per connection, counts it down once per period, restores it on every
/// keep-alive, warns when it runs low and has the manager close a connection that reaches 0.
class cLostCommsReceiverWorker : public cThreadWorker
{
    Q_OBJECT
public:
    explicit cLostCommsReceiverWorker(cLostCommsPeer* peer, int periodMs = GetLostCommsPeriod());

    void SetReportLostComms(UWORD connectionId, bool report);
    bool GetReportLostComms(UWORD connectionId);
    /// Read only on the worker's thread (or before it starts).
    UBYTE GetTimeToLive(UWORD connectionId) const;

public Q_SLOTS:
    void ReceivedMessageSlot(UWORD connectionId);
    void NewUDPConnectionSlot(UWORD connectionId);
    void ConnectionClosedSlot(UWORD connectionId);
    void TimerFired();
    void AgeTTL();

Q_SIGNALS:
    void UnitLowTTLWarning(UWORD ConnectionId, bool Low);

protected:
    void InitOnThread() override;

private:
    void LogLostComms(UWORD index);

    struct sEntry {
        UBYTE mTimeToLive = 0; // 0: not watched
        bool mReportLostComms = true;
        bool mLowWarned = false;
    };

    cLostCommsPeer* mPeer;
    const int mPeriodMs;
    QTimer* mTimer = nullptr;
    sEntry mEntries[ZUNET_MAX_CONNECTIONS];
    std::mutex mReportLock; // the report flags only
};

class cLostCommsSenderController : public cThreadController
{
    Q_OBJECT
public:
    explicit cLostCommsSenderController(cLostCommsPeer* peer);
    /// Takes a worker made by the caller (tests).
    explicit cLostCommsSenderController(cLostCommsSenderWorker* worker);

    void NewUDPConnection(UWORD connectionId) { Q_EMIT NewUDPConnectionSignal(connectionId); }
    void ConnectionClosed(UWORD connectionId) { Q_EMIT ConnectionClosedSignal(connectionId); }

Q_SIGNALS:
    void NewUDPConnectionSignal(UWORD ConnectionId);
    void ConnectionClosedSignal(UWORD ConnectionId);
};

class cLostCommsReceiverController : public cThreadController
{
    Q_OBJECT
public:
    explicit cLostCommsReceiverController(cLostCommsPeer* peer);
    explicit cLostCommsReceiverController(cLostCommsReceiverWorker* worker);

    void ReceivedMessage(UWORD connectionId) { Q_EMIT ReceivedMessageSignal(connectionId); }
    void NewUDPConnection(UWORD connectionId) { Q_EMIT NewUDPConnectionSignal(connectionId); }
    void ConnectionClosed(UWORD connectionId) { Q_EMIT ConnectionClosedSignal(connectionId); }
    void SetReportLostComms(UWORD connectionId, bool report);
    bool GetReportLostComms(UWORD connectionId);

Q_SIGNALS:
    void ReceivedMessageSignal(UWORD LocalConnectionId);
    void NewUDPConnectionSignal(UWORD ConnectionId);
    void ConnectionClosedSignal(UWORD ConnectionId);
    void UnitLowTTLWarning(UWORD ConnectionId, bool Low);

private:
    cLostCommsReceiverWorker* mWorker; // owned by its thread; alive while the thread runs
};
