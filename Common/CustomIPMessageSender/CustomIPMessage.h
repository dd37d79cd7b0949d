#pragma once

#include "ZUNet/Core/ZUNetMessage.h"
#include "ZUNet/Core/ZUNetTypes.h"

/// A request for a unit to send a user-defined byte string to an address and port on its own
/// network. Travels inside a message's data behind a version byte that the carrier writes.
///
/// Version 2 byte form: protocol flag (1), address (16, NUL-padded), port (2), length n (2), data (n).
/// Version 1 (read only): the same with a one-byte length of at most 50.
struct sCustomIPMessageLong {
    static constexpr UBYTE VERSION = 2;
    static constexpr int ADDRESS_SIZE = 16;
    static constexpr int MAX_DATA_LENGTH = 1000;
    static constexpr int MAX_DATA_LENGTH_V1 = 50;
    static constexpr int PACKED_HEADER_SIZE = 21; // version 2, in front of the data

    int mProtocol = 0; // 1 = UDP, 0 = TCP; only the low byte travels
    char mAddress[ADDRESS_SIZE] = {};
    UWORD mPort = 0;
    UWORD mLength = 0;
    UBYTE mData[MAX_DATA_LENGTH] = {};

    /// Empties the record: no address, no data.
    void Clear();
    /// Stores the host text cut to 15 bytes, NUL-padded.
    void SetAddress(const char* text);
    /// Copies the bytes; refuses (and keeps nothing) more than 1000.
    [[nodiscard]] bool SetData(const UBYTE* data, int length);

    /// Writes the version-2 form at the offset and moves the offset past it. Refuses a length
    /// above 1000 and a message without room for the whole record.
    [[nodiscard]] bool PackMessage(cZUNetMessage& message, int& offset) const;
    /// Reads a record of the given version at the offset, moving the offset past each field read.
    /// On any refusal the record holds no data (length 0); the address is always NUL-terminated.
    [[nodiscard]] bool FromMessage(cZUNetMessage& message, int& offset, UBYTE version);
};
