#include "Common/CustomIPMessageSender/CustomIPMessage.h"

#include "ZUNet/Core/Trace.h"

#include <cstring>

namespace
{
constexpr int kFixedFieldsSize = 1 + sCustomIPMessageLong::ADDRESS_SIZE + 2; // flag, address, port
}

void sCustomIPMessageLong::Clear()
{
    mProtocol = 0;
    std::memset(mAddress, 0, sizeof(mAddress));
    mPort = 0;
    mLength = 0;
}

void sCustomIPMessageLong::SetAddress(const char* text)
{
    std::memset(mAddress, 0, sizeof(mAddress));
    if (text)
        std::strncpy(mAddress, text, ADDRESS_SIZE - 1);
}

bool sCustomIPMessageLong::SetData(const UBYTE* data, int length)
{
    if (length > MAX_DATA_LENGTH) {
        ZU_ERR("Length %d greater max allowed string length", length);
        return false;
    }
    if (length < 0 || (length > 0 && !data))
        return false;
    if (length > 0)
        std::memcpy(mData, data, static_cast<size_t>(length));
    mLength = static_cast<UWORD>(length);
    return true;
}

bool sCustomIPMessageLong::PackMessage(cZUNetMessage& message, int& offset) const
{
    if (mLength > MAX_DATA_LENGTH) {
        ZU_ERR("Length %d greater max allowed string length", int(mLength));
        return false;
    }
    if (offset < 0 || !ZU_CHECK_LENGTH(message, offset + PACKED_HEADER_SIZE + mLength))
        return false;

    message.SetDataBufferUBYTE(static_cast<UBYTE>(mProtocol & 0xFF), offset);
    offset += 1;
    std::memcpy(message.mDataBuffer + offset, mAddress, ADDRESS_SIZE - 1);
    message.SetDataBufferUBYTE(0, offset + ADDRESS_SIZE - 1); // the peer reads a terminated text
    offset += ADDRESS_SIZE;
    message.SetDataBufferUWORD(mPort, offset);
    offset += 2;
    message.SetDataBufferUWORD(mLength, offset);
    offset += 2;
    if (mLength > 0)
        std::memcpy(message.mDataBuffer + offset, mData, mLength);
    offset += mLength;
    return true;
}

bool sCustomIPMessageLong::FromMessage(cZUNetMessage& message, int& offset, UBYTE version)
{
    Clear();
    if (offset < 0 || !ZU_CHECK_LENGTH(message, offset + kFixedFieldsSize))
        return false;

    mProtocol = message.GetDataBufferUBYTE(offset);
    offset += 1;
    std::memcpy(mAddress, message.mDataBuffer + offset, ADDRESS_SIZE);
    mAddress[ADDRESS_SIZE - 1] = '\0';
    offset += ADDRESS_SIZE;
    mPort = message.GetDataBufferUWORD(offset);
    offset += 2;

    if (version != 1 && version != 2) {
        ZU_ERR("Invalid Version");
        return false;
    }
    // Version 1 counts the data in one byte and allows less of it.
    const int countSize = version == 2 ? 2 : 1;
    const int maxLength = version == 2 ? MAX_DATA_LENGTH : MAX_DATA_LENGTH_V1;
    if (!ZU_CHECK_LENGTH(message, offset + countSize))
        return false;
    const int length = countSize == 2 ? message.GetDataBufferUWORD(offset) : message.GetDataBufferUBYTE(offset);
    offset += countSize;
    if (length > maxLength) {
        ZU_ERR("Length %d greater max allowed string length", length);
        return false;
    }

    if (!ZU_CHECK_LENGTH(message, offset + length))
        return false;
    if (length > 0)
        std::memcpy(mData, message.mDataBuffer + offset, static_cast<size_t>(length));
    mLength = static_cast<UWORD>(length);
    offset += length;
    return true;
}
