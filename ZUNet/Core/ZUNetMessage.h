#pragma once

#include "ZUNet/Core/ZUNetTypes.h"

#include <QString>

/// One message of the control network: four header words and a data buffer whose multi-byte
/// values are big-endian. Writers size the message first; readers that handle data which may
/// come from a peer use the checked `Read...` forms or `HasData`.
class cZUNetMessage
{
public:
    cZUNetMessage() = default;
    explicit cZUNetMessage(UWORD length);
    cZUNetMessage(const cZUNetMessage& other);
    cZUNetMessage(cZUNetMessage&& other) noexcept;
    cZUNetMessage& operator=(const cZUNetMessage& other);
    cZUNetMessage& operator=(cZUNetMessage&& other) noexcept;
    ~cZUNetMessage();

    /// Sets the four header words: where the message goes, who sends it, and what it asks.
    void SetAddress(UWORD connectionId, UWORD destination, UWORD source, UWORD method)
    {
        mConnectionId = connectionId;
        mDestination = destination;
        mSource = source;
        mMethod = method;
    }

    /// Sets the data length. Growing past the buffer allocates a new buffer and drops the old
    /// contents; shrinking keeps them.
    void SetLength(UWORD length);

    void SetDataBufferUBYTE(UBYTE value, int offset) { mDataBuffer[offset] = value; }
    UBYTE GetDataBufferUBYTE(int offset) const { return mDataBuffer[offset]; }
    void SetDataBufferSBYTE(SBYTE value, int offset) { mDataBuffer[offset] = static_cast<UBYTE>(value); }
    SBYTE GetDataBufferSBYTE(int offset) const { return static_cast<SBYTE>(mDataBuffer[offset]); }
    void SetDataBufferUWORD(UWORD value, int offset)
    {
        mDataBuffer[offset] = static_cast<UBYTE>(value >> 8);
        mDataBuffer[offset + 1] = static_cast<UBYTE>(value);
    }
    UWORD GetDataBufferUWORD(int offset) const
    {
        return static_cast<UWORD>((mDataBuffer[offset] << 8) | mDataBuffer[offset + 1]);
    }
    void SetDataBufferSWORD(SWORD value, int offset) { SetDataBufferUWORD(static_cast<UWORD>(value), offset); }
    SWORD GetDataBufferSWORD(int offset) const { return static_cast<SWORD>(GetDataBufferUWORD(offset)); }
    void SetDataBufferULONG(ULONG value, int offset)
    {
        mDataBuffer[offset] = static_cast<UBYTE>(value >> 24);
        mDataBuffer[offset + 1] = static_cast<UBYTE>(value >> 16);
        mDataBuffer[offset + 2] = static_cast<UBYTE>(value >> 8);
        mDataBuffer[offset + 3] = static_cast<UBYTE>(value);
    }
    ULONG GetDataBufferULONG(int offset) const
    {
        return (ULONG(mDataBuffer[offset]) << 24) | (ULONG(mDataBuffer[offset + 1]) << 16)
            | (ULONG(mDataBuffer[offset + 2]) << 8) | ULONG(mDataBuffer[offset + 3]);
    }
    void SetDataBufferSLONG(SLONG value, int offset) { SetDataBufferULONG(static_cast<ULONG>(value), offset); }
    SLONG GetDataBufferSLONG(int offset) const { return static_cast<SLONG>(GetDataBufferULONG(offset)); }

    /// Copies the text and its NUL to the offset.
    void SetDataBufferString(const char* text, int offset);
    /// The NUL-terminated text stored at the offset, read in place.
    const char* GetDataBufferString(int offset) const;
    /// Stores the text as UTF-8 followed by a NUL.
    void SetDataBufferQString(const QString& text, int offset);
    /// Bytes `SetDataBufferQString` needs: UTF-8 length + 1.
    static int GetQStringLength(const QString& text);

    /// True when [offset, offset + size) lies inside the data.
    [[nodiscard]] bool HasData(int offset, int size) const
    {
        return offset >= 0 && size >= 0 && offset + size <= mLength;
    }
    [[nodiscard]] bool ReadUBYTE(int offset, UBYTE& out) const;
    [[nodiscard]] bool ReadUWORD(int offset, UWORD& out) const;
    [[nodiscard]] bool ReadULONG(int offset, ULONG& out) const;
    /// The `size` bytes at the offset, read in place, when they lie inside the data.
    [[nodiscard]] bool ReadBytes(int offset, int size, const char*& out) const
    {
        if (!HasData(offset, size))
            return false;
        out = reinterpret_cast<const char*>(mDataBuffer) + offset;
        return true;
    }
    /// A NUL-terminated text that starts at the offset and ends inside the data.
    [[nodiscard]] bool ReadString(int offset, const char*& out) const;

    UWORD mLength = 0;
    UWORD mBufferSize = 0;
    UBYTE* mDataBuffer = nullptr;
    UWORD mConnectionId = ZUNET_NO_CONNECTION;
    UWORD mDestination = ZUNET_NO_HANDLE;
    UWORD mSource = ZUNET_NO_HANDLE;
    UWORD mMethod = 0;
};

/// Traces and refuses a message whose data is shorter than a handler needs. Every handler that
/// reads fixed offsets of a message that may come from a peer goes through it.
[[nodiscard]] bool CheckMessageLength(
    const cZUNetMessage& message, int needed, const char* file, int line, const char* function);
/// Traces and refuses a message whose data holds no NUL-terminated text at the offset.
[[nodiscard]] bool CheckMessageString(
    const cZUNetMessage& message, int offset, const char* file, int line, const char* function);

#define ZU_CHECK_LENGTH(message, needed)                                                                               \
    CheckMessageLength((message), (needed), __FILE__, __LINE__, __PRETTY_FUNCTION__)
#define ZU_CHECK_STRING(message, offset)                                                                               \
    CheckMessageString((message), (offset), __FILE__, __LINE__, __PRETTY_FUNCTION__)
