#include "ZUNet/QT/ConnectionBaseQt.h"

#include "ZUNet/Core/NetworkInterface.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/QT/FrameWriter.h"
#include "ZUNet/QT/ZUNetWire.h"

cConnectionBaseQt::cConnectionBaseQt(UWORD connectionId)
    : QObject(nullptr)
    , cConnectionBase(connectionId)
{
    connect(this, &cConnectionBaseQt::Send, this, &cConnectionBaseQt::Transmit, Qt::QueuedConnection);
}

cConnectionBaseQt::~cConnectionBaseQt()
{
    std::lock_guard<std::mutex> locker(mTransmitQueueLock);
    mTransmitQueue.clear();
}

void cConnectionBaseQt::AddMessageToTransmitQueue(const cZUNetMessage& message)
{
    const ULONG length = cFrameWriter::ObjectFrameLength(message);
    cFrameBlock block(length);
    cFrameWriter::WriteObjectFrame(message, block.get());
    Append(std::move(block), length);
}

void cConnectionBaseQt::AddMessageToTransmitQueue(const UBYTE* payload, UWORD length)
{
    const ULONG frameLength = cFrameWriter::UtilityFrameLength(length);
    cFrameBlock block(frameLength);
    cFrameWriter::WriteUtilityFrame(payload, length, block.get());
    Append(std::move(block), frameLength);
}

namespace
{
long long NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

void cConnectionBaseQt::Append(cFrameBlock block, ULONG length)
{
    bool wasEmpty = false;
    {
        std::lock_guard<std::mutex> locker(mTransmitQueueLock);
        // Decided under the lock: two threads appending at once must not both miss the wake-up.
        wasEmpty = mTransmitQueue.empty();
        PushTransmitQueueItem(sTransmitItem { std::move(block), length });
    }
    if (wasEmpty)
        Q_EMIT Send();
}

std::unique_ptr<UBYTE[]> cConnectionBaseQt::PackageMessage(const cZUNetMessage& message, ULONG& length)
{
    return cFrameWriter::NewObjectFrame(message, length);
}

std::unique_ptr<UBYTE[]> cConnectionBaseQt::PackageMessage(const UBYTE* payload, UWORD length, ULONG& frameLength)
{
    return cFrameWriter::NewUtilityFrame(payload, length, frameLength);
}

bool cConnectionBaseQt::GetNextTransmitQueueItem(sTransmitItem& item)
{
    if (mTransmitQueue.empty())
        return false;
    item = std::move(mTransmitQueue.front());
    mTransmitQueue.pop_front();
    Drained(item.mLength);
    return true;
}

cConnectionBaseQt::sTransmitItem* cConnectionBaseQt::FrontTransmitQueueItem()
{
    return mTransmitQueue.empty() ? nullptr : &mTransmitQueue.front();
}

void cConnectionBaseQt::PopTransmitQueueItem()
{
    if (mTransmitQueue.empty())
        return;
    Drained(mTransmitQueue.front().mLength);
    mTransmitQueue.pop_front();
}

void cConnectionBaseQt::PushTransmitQueueItem(sTransmitItem item)
{
    if (mTransmitQueue.empty())
        mLastDrainMs.store(NowMs());
    mQueuedBytes.fetch_add(item.mLength);
    mTransmitQueue.push_back(std::move(item));
}

void cConnectionBaseQt::ClearTransmitQueue()
{
    mTransmitQueue.clear();
    mQueuedBytes.store(0);
}

void cConnectionBaseQt::Drained(ULONG length)
{
    mQueuedBytes.fetch_sub(length);
    mLastDrainMs.store(NowMs());
}

bool cConnectionBaseQt::HasRoomOrWakeLater()
{
    if (HasRoom())
        return true;
    // Asked before looking again: a write in between either sees the request or leaves room here.
    mRoomWanted.store(true);
    return HasRoom();
}

void cConnectionBaseQt::WakeSendersWaitingForRoom()
{
    if (mRoomWanted.load() && GetQueuedBytes() <= kRoomQueuedBytes / 2 && mRoomWanted.exchange(false))
        NotifyLinkRoom();
}

bool cConnectionBaseQt::IsTransmitStalled(std::chrono::milliseconds limit) const
{
    return mQueuedBytes.load() > 0 && NowMs() - mLastDrainMs.load() > limit.count();
}

std::size_t cConnectionBaseQt::GetTransmitQueueLength()
{
    std::lock_guard<std::mutex> locker(mTransmitQueueLock);
    return mTransmitQueue.size();
}

QByteArray cConnectionBaseQt::GetByeMessage()
{
    return cFrameWriter::UtilityFrame(ZUNetWire::kByePayload, ZUNetWire::kByePayloadLength);
}

void cConnectionBaseQt::PostToRegistry(cZUNetMessage& message)
{
    StampReceivedMessage(message, mConnectionId);
    if (cRegistryRouter* router = gRegistryRouter)
        router->PostLocalMessage(message);
}
