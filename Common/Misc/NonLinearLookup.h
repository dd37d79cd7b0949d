#pragma once

#include "ZUNet/Core/ZUNetTypes.h"

/// Finds the position of a value in a strictly ascending table of words (not owned).
class cNonLinearLookup
{
public:
    cNonLinearLookup(const UWORD* table, UBYTE lastIndex)
        : mTable(table)
        , mLastIndex(lastIndex)
    {
    }

    /// The smallest index whose entry is not below the value; the last index for a value at or
    /// above the last entry.
    UBYTE GetIndex(UWORD value) const;
    /// Traces every pair of neighbours that does not ascend; returns the last index.
    UBYTE Diagnose() const;

    const UWORD* Table() const { return mTable; }
    UBYTE LastIndex() const { return mLastIndex; }

private:
    const UWORD* mTable;
    UBYTE mLastIndex;
};

/// The fader law: 256 gain codes, index = fader position from the bottom (0 is minus infinity,
/// 196 is 0 dB, 255 is +10 dB).
class cFaderLookup : public cNonLinearLookup
{
public:
    static constexpr int TABLE_SIZE = 256;
    static const UWORD kFaderLawTable[TABLE_SIZE];

    explicit cFaderLookup(UBYTE lastIndex = TABLE_SIZE - 1)
        : cNonLinearLookup(kFaderLawTable, lastIndex)
    {
    }
};
