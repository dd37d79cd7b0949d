#pragma once

#include "ZUNet/Core/ZUNetTypes.h"

/// A heap block that holds one frame waiting to be written. Large blocks go back to a spare list
/// shared by every link when they are freed, and the next large frame takes one from there: a
/// bulk transfer reuses the same few blocks instead of asking the heap for each frame (a block
/// made on the sending thread and freed on the link's would have the heap hand its pages back
/// and fault them in again, frame after frame). The spare list holds at most kMostSpareBytes.
class cFrameBlock
{
public:
    /// Blocks of at least this size are kept for reuse; their sizes are rounded up to it.
    static constexpr ULONG kReusedBlockSize = 4096;
    static constexpr ULONG kMostSpareBytes = 2u << 20;

    cFrameBlock() = default;
    /// A block for at least `length` bytes.
    explicit cFrameBlock(ULONG length);
    /// A copy of `length` bytes.
    cFrameBlock(const UBYTE* bytes, ULONG length);
    cFrameBlock(cFrameBlock&& other) noexcept;
    cFrameBlock& operator=(cFrameBlock&& other) noexcept;
    cFrameBlock(const cFrameBlock&) = delete;
    cFrameBlock& operator=(const cFrameBlock&) = delete;
    ~cFrameBlock();

    UBYTE* get() const { return mBytes; }
    explicit operator bool() const { return mBytes != nullptr; }

    /// Bytes the spare list holds now, for checks that it stays bounded.
    static ULONG SpareBytes();

private:
    void Release();

    UBYTE* mBytes = nullptr;
    ULONG mCapacity = 0;
};
