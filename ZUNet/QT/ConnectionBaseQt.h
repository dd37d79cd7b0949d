#pragma once

#include "ZUNet/QT/ConnectionBase.h"
#include "ZUNet/QT/FrameBlock.h"

#include <QByteArray>
#include <QObject>

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>

/// A link of a connection: the frame parser joined to a QObject that lives on the connection's
/// thread, plus a transmit queue. Any thread may queue a frame; the link's own thread writes
/// them (`Transmit`, woken through the queued `Send`).
class cConnectionBaseQt : public QObject, public cConnectionBase
{
    Q_OBJECT
public:
    /// One whole frame waiting to be written.
    struct sTransmitItem {
        cFrameBlock mBlock;
        ULONG mLength = 0;
    };

    /// Bulk senders (configuration downloads) queue more only below this.
    static constexpr ULONG kRoomQueuedBytes = 1u << 20;
    /// A unit's link to a runner holds at most this much queued; a runner that lets more pile up
    /// does not read, and its connection is ended.
    static constexpr ULONG kUnitMostQueuedBytes = 4u << 20;

    explicit cConnectionBaseQt(UWORD connectionId);
    ~cConnectionBaseQt() override;

    /// Queues the object frame of the message; wakes `Transmit` when the queue was empty.
    void AddMessageToTransmitQueue(const cZUNetMessage& message);
    /// Queues a utility frame with the payload.
    void AddMessageToTransmitQueue(const UBYTE* payload, UWORD length);

    using cConnectionBase::PackageMessage;
    /// The frame bytes in a new block, not queued.
    static std::unique_ptr<UBYTE[]> PackageMessage(const cZUNetMessage& message, ULONG& length);
    static std::unique_ptr<UBYTE[]> PackageMessage(const UBYTE* payload, UWORD length, ULONG& frameLength);

    using tTransmitQueueLock = std::unique_lock<std::mutex>;
    /// Holds the transmit-queue lock for the caller's scope.
    tTransmitQueueLock LockTransmitQueue() const { return tTransmitQueueLock(mTransmitQueueLock); }
    /// Takes the first queued frame; false when the queue is empty. The caller holds the lock.
    bool GetNextTransmitQueueItem(sTransmitItem& item);
    /// The first queued frame, or null; the caller holds the lock.
    sTransmitItem* FrontTransmitQueueItem();
    /// Drops the first queued frame; the caller holds the lock.
    void PopTransmitQueueItem();
    /// Queues a frame behind the others; the caller holds the lock and sees to the wake-up.
    void PushTransmitQueueItem(sTransmitItem item);
    /// Calls `visit(const sTransmitItem&)` on queued frames from the first until it returns
    /// false; the caller holds the lock.
    template <typename tVisit> void ForEachTransmitQueueItem(tVisit visit) const
    {
        for (const sTransmitItem& item : mTransmitQueue)
            if (!visit(item))
                return;
    }
    /// Drops every queued frame; the caller holds the lock.
    void ClearTransmitQueue();
    std::size_t GetTransmitQueueLength();

    /// Bytes of the frames queued now (a frame partly written counts whole); no lock needed.
    ULONG GetQueuedBytes() const { return mQueuedBytes.load(); }
    /// True when the queue is below kRoomQueuedBytes.
    bool HasRoom() const { return GetQueuedBytes() < kRoomQueuedBytes; }
    /// `HasRoom`; when false, the link calls `NotifyLinkRoom` once its queue is down to half the
    /// mark, so that the sender has something to write while the link writes the rest.
    bool HasRoomOrWakeLater();
    /// True when frames have waited and none has left the queue for `limit`: the peer does not read.
    bool IsTransmitStalled(std::chrono::milliseconds limit) const;

    /// The 7-byte BYE frame.
    static QByteArray GetByeMessage();

Q_SIGNALS:
    void Send();

public Q_SLOTS:
    virtual void Transmit() = 0;

protected:
    /// After a write, with the transmit-queue lock released: wakes bulk senders that asked for room
    /// once there is enough.
    void WakeSendersWaitingForRoom();

    /// Stamps a received message with the link's connection id (and the first word of inform-list
    /// requests) and posts a copy to the registry router.
    void PostToRegistry(cZUNetMessage& message);

private:
    void Append(cFrameBlock block, ULONG length);
    void Drained(ULONG length);

    mutable std::mutex mTransmitQueueLock;
    std::deque<sTransmitItem> mTransmitQueue;
    std::atomic<ULONG> mQueuedBytes { 0 };
    std::atomic<bool> mRoomWanted { false };
    // When a frame last left the queue, or the queue last became non-empty (steady-clock ms).
    std::atomic<long long> mLastDrainMs { 0 };
};
