#include "ZUNet/Core/ZUNetMessage.h"

#include "ZUNet/Core/Trace.h"

#include <cstring>
#include <utility>

cZUNetMessage::cZUNetMessage(UWORD length)
    : mLength(length)
    , mBufferSize(length)
    , mDataBuffer(length > 0 ? new UBYTE[length] : nullptr)
{
}

cZUNetMessage::cZUNetMessage(const cZUNetMessage& other)
    : mLength(other.mLength)
    , mBufferSize(other.mLength)
    , mDataBuffer(other.mLength > 0 ? new UBYTE[other.mLength] : nullptr)
    , mConnectionId(other.mConnectionId)
    , mDestination(other.mDestination)
    , mSource(other.mSource)
    , mMethod(other.mMethod)
{
    if (mLength > 0)
        std::memcpy(mDataBuffer, other.mDataBuffer, mLength);
}

cZUNetMessage::cZUNetMessage(cZUNetMessage&& other) noexcept
    : mLength(other.mLength)
    , mBufferSize(other.mBufferSize)
    , mDataBuffer(std::exchange(other.mDataBuffer, nullptr))
    , mConnectionId(other.mConnectionId)
    , mDestination(other.mDestination)
    , mSource(other.mSource)
    , mMethod(other.mMethod)
{
    other.mLength = 0;
    other.mBufferSize = 0;
}

cZUNetMessage& cZUNetMessage::operator=(const cZUNetMessage& other)
{
    if (this == &other)
        return *this;
    mConnectionId = other.mConnectionId;
    mDestination = other.mDestination;
    mSource = other.mSource;
    mMethod = other.mMethod;
    if (mBufferSize < other.mLength) {
        delete[] mDataBuffer;
        mDataBuffer = new UBYTE[other.mLength];
        mBufferSize = other.mLength;
    }
    mLength = other.mLength;
    if (mLength > 0)
        std::memcpy(mDataBuffer, other.mDataBuffer, mLength);
    return *this;
}

cZUNetMessage& cZUNetMessage::operator=(cZUNetMessage&& other) noexcept
{
    if (this == &other)
        return *this;
    delete[] mDataBuffer;
    mDataBuffer = std::exchange(other.mDataBuffer, nullptr);
    mLength = std::exchange(other.mLength, UWORD(0));
    mBufferSize = std::exchange(other.mBufferSize, UWORD(0));
    mConnectionId = other.mConnectionId;
    mDestination = other.mDestination;
    mSource = other.mSource;
    mMethod = other.mMethod;
    return *this;
}

cZUNetMessage::~cZUNetMessage()
{
    delete[] mDataBuffer;
}

void cZUNetMessage::SetLength(UWORD length)
{
    if (mBufferSize < length) {
        delete[] mDataBuffer;
        mDataBuffer = new UBYTE[length];
        mBufferSize = length;
    }
    mLength = length;
}

void cZUNetMessage::SetDataBufferString(const char* text, int offset)
{
    std::memcpy(mDataBuffer + offset, text, std::strlen(text) + 1);
}

const char* cZUNetMessage::GetDataBufferString(int offset) const
{
    return reinterpret_cast<const char*>(mDataBuffer + offset);
}

void cZUNetMessage::SetDataBufferQString(const QString& text, int offset)
{
    const QByteArray utf8 = text.toUtf8();
    std::memcpy(mDataBuffer + offset, utf8.constData(), static_cast<size_t>(utf8.size()) + 1);
}

int cZUNetMessage::GetQStringLength(const QString& text)
{
    return text.toUtf8().size() + 1;
}

bool cZUNetMessage::ReadUBYTE(int offset, UBYTE& out) const
{
    if (!HasData(offset, 1))
        return false;
    out = GetDataBufferUBYTE(offset);
    return true;
}

bool cZUNetMessage::ReadUWORD(int offset, UWORD& out) const
{
    if (!HasData(offset, 2))
        return false;
    out = GetDataBufferUWORD(offset);
    return true;
}

bool cZUNetMessage::ReadULONG(int offset, ULONG& out) const
{
    if (!HasData(offset, 4))
        return false;
    out = GetDataBufferULONG(offset);
    return true;
}

bool cZUNetMessage::ReadString(int offset, const char*& out) const
{
    if (offset < 0 || offset >= mLength)
        return false;
    if (!std::memchr(mDataBuffer + offset, '\0', static_cast<size_t>(mLength - offset)))
        return false;
    out = GetDataBufferString(offset);
    return true;
}

bool CheckMessageLength(const cZUNetMessage& message, int needed, const char* file, int line, const char* function)
{
    if (message.mLength >= needed)
        return true;
    DebugErrTrace(file, line, function,
        "Message too short, dropped: Method: %d Length: %d Needed: %d ConnId: %d Source: %d", message.mMethod,
        message.mLength, needed, message.mConnectionId, message.mSource);
    return false;
}

bool CheckMessageString(const cZUNetMessage& message, int offset, const char* file, int line, const char* function)
{
    const char* text = nullptr;
    if (message.ReadString(offset, text))
        return true;
    DebugErrTrace(file, line, function,
        "Message holds no terminated text, dropped: Method: %d Length: %d Offset: %d ConnId: %d Source: %d",
        message.mMethod, message.mLength, offset, message.mConnectionId, message.mSource);
    return false;
}
