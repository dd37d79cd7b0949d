#include "ZUNet/QT/LostComms.h"

#include "ZUNet/Core/Trace.h"
#include "ZUNet/QT/NetworkMetaTypes.h"
#include "ZUNet/QT/TestSettings.h"
#include "ZUNet/QT/ZUNetWire.h"

#include <QTimer>

#include <pthread.h>
#include <sched.h>

namespace
{
bool ValidId(UWORD connectionId)
{
    return connectionId >= 1 && connectionId <= ZUNET_MAX_CONNECTIONS;
}
} // namespace

int GetLostCommsPeriod()
{
    const int period = ZUNetTestSettings::LostCommsPeriod();
    return period > 0 ? period : LostComms::kDefaultPeriodMs;
}

// ---------------------------------------------------------------------------------------------

cLostCommsSenderWorker::cLostCommsSenderWorker(cLostCommsPeer* peer, int periodMs)
    : mPeer(peer)
    , mPeriodMs(periodMs)
{
    RegisterNetworkMetaTypes();
}

bool cLostCommsSenderWorker::IsActive(UWORD connectionId) const
{
    return ValidId(connectionId) && mActive[connectionId - 1];
}

bool cLostCommsSenderWorker::RaisePriority()
{
    sched_param parameters {};
    parameters.sched_priority = LostComms::kSenderRealTimePriority;
    return pthread_setschedparam(pthread_self(), SCHED_RR, &parameters) == 0;
}

void cLostCommsSenderWorker::InitOnThread()
{
    if (!RaisePriority())
        ZU_ERR("Unable to set LostCommsSender priority");
    mTimer = new QTimer(this);
    connect(mTimer, &QTimer::timeout, this, &cLostCommsSenderWorker::TimerFired);
    mTimer->start(mPeriodMs);
}

void cLostCommsSenderWorker::NewUDPConnectionSlot(UWORD connectionId)
{
    if (!ValidId(connectionId)) {
        ZU_ERR("Invalid Connection ID %d", connectionId);
        return;
    }
    if (mActive[connectionId - 1]) {
        ZU_ERR("Lost Comms Sender already active, ConnectionId %d", connectionId);
        return;
    }
    mActive[connectionId - 1] = true;
}

void cLostCommsSenderWorker::ConnectionClosedSlot(UWORD connectionId)
{
    if (ValidId(connectionId))
        mActive[connectionId - 1] = false;
}

void cLostCommsSenderWorker::TimerFired()
{
    SendMessages();
}

void cLostCommsSenderWorker::SendMessages()
{
    for (int index = 0; index < ZUNET_MAX_CONNECTIONS; ++index) {
        if (mActive[index])
            mPeer->SendNetworkDatagramMessage(
                ZUNetWire::kKeepAlivePayload, ZUNetWire::kKeepAlivePayloadLength, UWORD(index + 1));
    }
}

// ---------------------------------------------------------------------------------------------

cLostCommsReceiverWorker::cLostCommsReceiverWorker(cLostCommsPeer* peer, int periodMs)
    : mPeer(peer)
    , mPeriodMs(periodMs)
{
    RegisterNetworkMetaTypes();
}

void cLostCommsReceiverWorker::InitOnThread()
{
    mTimer = new QTimer(this);
    connect(mTimer, &QTimer::timeout, this, &cLostCommsReceiverWorker::TimerFired);
    mTimer->start(mPeriodMs);
}

void cLostCommsReceiverWorker::SetReportLostComms(UWORD connectionId, bool report)
{
    if (!ValidId(connectionId))
        return;
    std::lock_guard<std::mutex> locker(mReportLock);
    mEntries[connectionId - 1].mReportLostComms = report;
}

bool cLostCommsReceiverWorker::GetReportLostComms(UWORD connectionId)
{
    if (!ValidId(connectionId))
        return false;
    std::lock_guard<std::mutex> locker(mReportLock);
    return mEntries[connectionId - 1].mReportLostComms;
}

UBYTE cLostCommsReceiverWorker::GetTimeToLive(UWORD connectionId) const
{
    return ValidId(connectionId) ? mEntries[connectionId - 1].mTimeToLive : 0;
}

void cLostCommsReceiverWorker::ReceivedMessageSlot(UWORD connectionId)
{
    if (ValidId(connectionId) && mEntries[connectionId - 1].mTimeToLive != 0)
        mEntries[connectionId - 1].mTimeToLive = LostComms::kTimeToLive;
}

void cLostCommsReceiverWorker::NewUDPConnectionSlot(UWORD connectionId)
{
    if (!ValidId(connectionId)) {
        ZU_ERR("Invalid Connection ID %d", connectionId);
        return;
    }
    sEntry& entry = mEntries[connectionId - 1];
    if (entry.mTimeToLive != 0) {
        ZU_ERR("Lost Comms Receiver Unit Already in Use, ConnectionId %d", connectionId);
        return;
    }
    entry.mTimeToLive = LostComms::kTimeToLive;
    std::lock_guard<std::mutex> locker(mReportLock);
    entry.mReportLostComms = true;
}

void cLostCommsReceiverWorker::ConnectionClosedSlot(UWORD connectionId)
{
    // The low-warned flag stays: a reused id reports one (id, false) when its first keep-alive ages.
    if (ValidId(connectionId))
        mEntries[connectionId - 1].mTimeToLive = 0;
}

void cLostCommsReceiverWorker::TimerFired()
{
    AgeTTL();
}

void cLostCommsReceiverWorker::AgeTTL()
{
    for (int index = 0; index < ZUNET_MAX_CONNECTIONS; ++index) {
        sEntry& entry = mEntries[index];
        if (entry.mTimeToLive == 0)
            continue;
        --entry.mTimeToLive;
        if (mPeer->IsTransmitStalled(UWORD(index + 1), std::chrono::milliseconds(LostComms::kTimeToLive * mPeriodMs)))
            entry.mTimeToLive = 0;
        const bool low = entry.mTimeToLive < LostComms::kLowTimeToLive;
        if (low != entry.mLowWarned) {
            entry.mLowWarned = low;
            Q_EMIT UnitLowTTLWarning(UWORD(index + 1), low);
        }
        if (entry.mTimeToLive == 0) {
            LogLostComms(UWORD(index));
            mPeer->LostCommsForConnectionID(UWORD(index + 1));
        }
    }
}

void cLostCommsReceiverWorker::LogLostComms(UWORD index)
{
    if (!GetReportLostComms(UWORD(index + 1)))
        return;
    const std::string host = mPeer->GetHostStringFromConnectionID(UWORD(index + 1));
    ZU_HISTORY("Communication lost to unit - %s", host.c_str());
}

// ---------------------------------------------------------------------------------------------

cLostCommsSenderController::cLostCommsSenderController(cLostCommsPeer* peer)
    : cLostCommsSenderController(new cLostCommsSenderWorker(peer))
{
}

cLostCommsSenderController::cLostCommsSenderController(cLostCommsSenderWorker* worker)
    : cThreadController(QThread::HighPriority)
{
    connect(this, &cLostCommsSenderController::NewUDPConnectionSignal, worker,
        &cLostCommsSenderWorker::NewUDPConnectionSlot);
    connect(this, &cLostCommsSenderController::ConnectionClosedSignal, worker,
        &cLostCommsSenderWorker::ConnectionClosedSlot);
    mThread.setObjectName(QStringLiteral("LostCommsSender"));
    SetThreadWorkerAndStartThread(worker);
}

cLostCommsReceiverController::cLostCommsReceiverController(cLostCommsPeer* peer)
    : cLostCommsReceiverController(new cLostCommsReceiverWorker(peer))
{
}

cLostCommsReceiverController::cLostCommsReceiverController(cLostCommsReceiverWorker* worker)
    : cThreadController(QThread::LowestPriority)
    , mWorker(worker)
{
    // Auto connections: a close issued on the receiver's own thread (a lost-comms close) runs at once.
    connect(this, &cLostCommsReceiverController::ReceivedMessageSignal, worker,
        &cLostCommsReceiverWorker::ReceivedMessageSlot);
    connect(this, &cLostCommsReceiverController::NewUDPConnectionSignal, worker,
        &cLostCommsReceiverWorker::NewUDPConnectionSlot);
    connect(this, &cLostCommsReceiverController::ConnectionClosedSignal, worker,
        &cLostCommsReceiverWorker::ConnectionClosedSlot);
    connect(
        worker, &cLostCommsReceiverWorker::UnitLowTTLWarning, this, &cLostCommsReceiverController::UnitLowTTLWarning);
    mThread.setObjectName(QStringLiteral("LostCommsReceiver"));
    SetThreadWorkerAndStartThread(worker);
}

void cLostCommsReceiverController::SetReportLostComms(UWORD connectionId, bool report)
{
    mWorker->SetReportLostComms(connectionId, report);
}

bool cLostCommsReceiverController::GetReportLostComms(UWORD connectionId)
{
    return mWorker->GetReportLostComms(connectionId);
}
