#include "ZUNet/Core/ZUNetMessagePool.h"

#include "ZUNet/Core/Trace.h"

cStaticZUNetMessPool::cStaticZUNetMessPool(UWORD messageSize, ULONG initial, ULONG max, ULONG growthIncrement)
    : mMessageSize(messageSize)
    , mInitial(initial)
    , mMax(max)
    , mGrowthIncrement(growthIncrement)
{
    if (mMax != 0 && mMax != mInitial) {
        if (mGrowthIncrement == 0) {
            ZU_ERR("No GrowthIncrement set, but Initial != Max, so growth expected!");
        } else if ((mMax - mInitial) % mGrowthIncrement != 0) {
            ZU_ERR("GrowthIncrement set, but not a modulo of the Max! %lu",
                static_cast<unsigned long>((mMax - mInitial) % mGrowthIncrement));
        }
    }
    CreateNewMessages(mInitial);
}

cStaticZUNetMessPool::~cStaticZUNetMessPool()
{
    for (cZUNetMessage* message : mFreeList)
        delete message;
}

void cStaticZUNetMessPool::CreateNewMessages(ULONG count)
{
    mFreeList.reserve(static_cast<std::size_t>(mCreated) + count);
    for (ULONG i = 0; i < count; ++i)
        mFreeList.push_back(new cZUNetMessage(mMessageSize));
    mCreated += count;
}

cZUNetMessage* cStaticZUNetMessPool::GetZUNetMessage()
{
    if (mFreeList.empty()) {
        if (mMax != 0 && mCreated >= mMax) {
            ZU_ERR("Mess Pools Full");
            return nullptr;
        }
        CreateNewMessages(mGrowthIncrement);
        if (mFreeList.empty())
            return nullptr;
    }
    cZUNetMessage* message = mFreeList.back();
    mFreeList.pop_back();
    return message;
}

void cStaticZUNetMessPool::ReturnZUNetMessage(cZUNetMessage* message)
{
    mFreeList.push_back(message);
}

cDynamicZUNetMessPool::cDynamicZUNetMessPool(ULONG heapCap)
    : mHeapCap(heapCap)
{
}

cZUNetMessage* cDynamicZUNetMessPool::GetZUNetMessage(UWORD length)
{
    if (mHeapCap != 0 && mHeapUsed >= mHeapCap) {
        ZU_ERR("Heap Memory Cap Reached");
        return nullptr;
    }
    mHeapUsed += length;
    return new cZUNetMessage(length);
}

void cDynamicZUNetMessPool::ReturnZUNetMessage(cZUNetMessage* message)
{
    ReturnZUNetMessage(message, message->mLength);
}

void cDynamicZUNetMessPool::ReturnZUNetMessage(cZUNetMessage* message, UWORD grantedLength)
{
    mHeapUsed -= grantedLength <= mHeapUsed ? grantedLength : mHeapUsed;
    delete message;
}

cZUNetMessagePool::cZUNetMessagePool(const sZUNetMessagePoolConfig& config)
    : mSmall(new cStaticZUNetMessPool(kSmallSize, config.mSmallInitial, config.mSmallMax, config.mSmallGrowth))
    , mMedium(new cStaticZUNetMessPool(kMediumSize, config.mMediumInitial, config.mMediumMax, config.mMediumGrowth))
    , mLarge(new cDynamicZUNetMessPool(config.mHeapCap))
{
}

cZUNetMessagePool::~cZUNetMessagePool() = default;

cZUNetMessage* cZUNetMessagePool::GetZUNetMessage(UWORD length)
{
    if (length <= kSmallSize)
        return mSmall->GetZUNetMessage();
    if (length <= kMediumSize)
        return mMedium->GetZUNetMessage();
    return mLarge->GetZUNetMessage(length);
}

void cZUNetMessagePool::ReturnZUNetMessage(cZUNetMessage* message)
{
    ReturnZUNetMessage(message, message->mLength);
}

void cZUNetMessagePool::ReturnZUNetMessage(cZUNetMessage* message, UWORD askedLength)
{
    if (askedLength <= kSmallSize)
        mSmall->ReturnZUNetMessage(message);
    else if (askedLength <= kMediumSize)
        mMedium->ReturnZUNetMessage(message);
    else
        mLarge->ReturnZUNetMessage(message, askedLength);
}
