#include "ZUNet/QT/ConnectionBaseQt.h"

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
    ULONG length = 0;
    std::unique_ptr<UBYTE[]> block = cFrameWriter::NewObjectFrame(message, length);
    Append(std::move(block), length);
}

void cConnectionBaseQt::AddMessageToTransmitQueue(const UBYTE* payload, UWORD length)
{
    ULONG frameLength = 0;
    std::unique_ptr<UBYTE[]> block = cFrameWriter::NewUtilityFrame(payload, length, frameLength);
    Append(std::move(block), frameLength);
}

void cConnectionBaseQt::Append(std::unique_ptr<UBYTE[]> block, ULONG length)
{
    bool wasEmpty = false;
    {
        std::lock_guard<std::mutex> locker(mTransmitQueueLock);
        // Decided under the lock: two threads appending at once must not both miss the wake-up.
        wasEmpty = mTransmitQueue.empty();
        mTransmitQueue.push_back(sTransmitItem { std::move(block), length });
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
    return true;
}

cConnectionBaseQt::sTransmitItem* cConnectionBaseQt::FrontTransmitQueueItem()
{
    return mTransmitQueue.empty() ? nullptr : &mTransmitQueue.front();
}

void cConnectionBaseQt::PopTransmitQueueItem()
{
    if (!mTransmitQueue.empty())
        mTransmitQueue.pop_front();
}

void cConnectionBaseQt::PushTransmitQueueItem(sTransmitItem item)
{
    mTransmitQueue.push_back(std::move(item));
}

void cConnectionBaseQt::ClearTransmitQueue()
{
    mTransmitQueue.clear();
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
