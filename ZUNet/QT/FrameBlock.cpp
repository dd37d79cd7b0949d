#include "ZUNet/QT/FrameBlock.h"

#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

namespace
{

struct sSpare {
    UBYTE* mBytes;
    ULONG mCapacity;
};

struct sSpareList {
    std::mutex mLock;
    std::vector<sSpare> mBlocks;
    ULONG mBytes = 0;
};

/// Never destroyed: a link may free its last blocks while static objects are torn down at exit.
sSpareList& Spares()
{
    static sSpareList* const spares = new sSpareList;
    return *spares;
}

} // namespace

cFrameBlock::cFrameBlock(ULONG length)
{
    if (length < kReusedBlockSize) {
        mBytes = new UBYTE[length > 0 ? length : 1];
        return;
    }
    sSpareList& spares = Spares();
    {
        std::lock_guard<std::mutex> locker(spares.mLock);
        // Newest first: its bytes are the likeliest to be in the cache still.
        for (auto it = spares.mBlocks.rbegin(); it != spares.mBlocks.rend(); ++it) {
            if (it->mCapacity < length)
                continue;
            mBytes = it->mBytes;
            mCapacity = it->mCapacity;
            spares.mBytes -= mCapacity;
            spares.mBlocks.erase(std::next(it).base());
            return;
        }
    }
    mCapacity = (length + kReusedBlockSize - 1) / kReusedBlockSize * kReusedBlockSize;
    mBytes = new UBYTE[mCapacity];
}

cFrameBlock::cFrameBlock(const UBYTE* bytes, ULONG length)
    : cFrameBlock(length)
{
    if (length > 0)
        std::memcpy(mBytes, bytes, length);
}

cFrameBlock::cFrameBlock(cFrameBlock&& other) noexcept
    : mBytes(std::exchange(other.mBytes, nullptr))
    , mCapacity(std::exchange(other.mCapacity, 0))
{
}

cFrameBlock& cFrameBlock::operator=(cFrameBlock&& other) noexcept
{
    if (this != &other) {
        Release();
        mBytes = std::exchange(other.mBytes, nullptr);
        mCapacity = std::exchange(other.mCapacity, 0);
    }
    return *this;
}

cFrameBlock::~cFrameBlock()
{
    Release();
}

void cFrameBlock::Release()
{
    UBYTE* bytes = std::exchange(mBytes, nullptr);
    const ULONG capacity = std::exchange(mCapacity, 0);
    if (!bytes)
        return;
    if (capacity >= kReusedBlockSize) {
        sSpareList& spares = Spares();
        std::lock_guard<std::mutex> locker(spares.mLock);
        if (spares.mBytes + capacity <= kMostSpareBytes) {
            spares.mBlocks.push_back(sSpare { bytes, capacity });
            spares.mBytes += capacity;
            return;
        }
    }
    delete[] bytes;
}

ULONG cFrameBlock::SpareBytes()
{
    sSpareList& spares = Spares();
    std::lock_guard<std::mutex> locker(spares.mLock);
    return spares.mBytes;
}
