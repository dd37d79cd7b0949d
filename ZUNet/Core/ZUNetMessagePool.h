#pragma once

#include "ZUNet/Core/ZUNetMessage.h"

#include <memory>
#include <vector>

class cZUNetMessPoolBase
{
public:
    virtual ~cZUNetMessPoolBase() = default;
    virtual void ReturnZUNetMessage(cZUNetMessage* message) = 0;
};

/// Preallocated messages of one size, handed out last returned first.
class cStaticZUNetMessPool : public cZUNetMessPoolBase
{
public:
    cStaticZUNetMessPool(UWORD messageSize, ULONG initial, ULONG max, ULONG growthIncrement);
    ~cStaticZUNetMessPool() override;

    void CreateNewMessages(ULONG count);
    cZUNetMessage* GetZUNetMessage();
    void ReturnZUNetMessage(cZUNetMessage* message) override;

    ULONG GetNumberCreated() const { return mCreated; }
    std::size_t GetNumberFree() const { return mFreeList.size(); }
    UWORD GetMessageSize() const { return mMessageSize; }

private:
    UWORD mMessageSize;
    ULONG mInitial;
    ULONG mMax;
    ULONG mGrowthIncrement;
    ULONG mCreated = 0;
    std::vector<cZUNetMessage*> mFreeList;
};

/// Messages allocated one by one, with an optional cap on the data bytes held at once.
class cDynamicZUNetMessPool : public cZUNetMessPoolBase
{
public:
    explicit cDynamicZUNetMessPool(ULONG heapCap);

    cZUNetMessage* GetZUNetMessage(UWORD length);
    void ReturnZUNetMessage(cZUNetMessage* message) override;
    /// Returns a message that was granted for `grantedLength` bytes, whatever its length is now.
    void ReturnZUNetMessage(cZUNetMessage* message, UWORD grantedLength);

    ULONG GetHeapUsed() const { return mHeapUsed; }

private:
    ULONG mHeapCap;
    ULONG mHeapUsed = 0;
};

/// Sizes of the three pools; the defaults are the ones the process runs with.
struct sZUNetMessagePoolConfig {
    ULONG mSmallInitial = 25000;
    ULONG mSmallMax = 0;
    ULONG mSmallGrowth = 1000;
    ULONG mMediumInitial = 1000;
    ULONG mMediumMax = 0;
    ULONG mMediumGrowth = 100;
    ULONG mHeapCap = 0;
};

/// Small (0..10 bytes), medium (11..1280) and large (1281 and more) messages.
class cZUNetMessagePool
{
public:
    static constexpr UWORD kSmallSize = 10;
    static constexpr UWORD kMediumSize = 1280;

    explicit cZUNetMessagePool(const sZUNetMessagePoolConfig& config = sZUNetMessagePoolConfig());
    virtual ~cZUNetMessagePool();

    /// A message for `length` data bytes, or nullptr when its pool is exhausted.
    cZUNetMessage* GetZUNetMessage(UWORD length);
    /// Returns a message to the pool chosen by its current length.
    void ReturnZUNetMessage(cZUNetMessage* message);
    /// Returns a message to the pool it was taken from for `askedLength`, whatever its length
    /// became meanwhile (a handler may have rewritten it).
    void ReturnZUNetMessage(cZUNetMessage* message, UWORD askedLength);

    const cStaticZUNetMessPool& SmallPool() const { return *mSmall; }
    const cStaticZUNetMessPool& MediumPool() const { return *mMedium; }
    const cDynamicZUNetMessPool& LargePool() const { return *mLarge; }

private:
    std::unique_ptr<cStaticZUNetMessPool> mSmall;
    std::unique_ptr<cStaticZUNetMessPool> mMedium;
    std::unique_ptr<cDynamicZUNetMessPool> mLarge;
};
