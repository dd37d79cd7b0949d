// Custom IP records as a unit reads them: first byte the version, the rest the record. Never an
// overread; an accepted record packs and reads back the same.
#include "Common/CustomIPMessageSender/CustomIPMessage.h"
#include "ZUNet/Core/Trace.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace
{
void DropTrace(const char*, std::size_t, void*) { }
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 || size > 0xFFFF)
        return 0;
    SetTraceSink(&DropTrace, nullptr);
    const UBYTE version = data[0];
    cZUNetMessage message(UWORD(size - 1));
    if (size > 1)
        std::memcpy(message.mDataBuffer, data + 1, size - 1);

    sCustomIPMessageLong record;
    int offset = 0;
    const bool ok = record.FromMessage(message, offset, version);
    if (offset < 0 || offset > message.mLength || record.mAddress[sCustomIPMessageLong::ADDRESS_SIZE - 1] != 0)
        __builtin_trap();
    if (!ok) {
        if (record.mLength != 0)
            __builtin_trap();
        return 0;
    }
    if (record.mLength > sCustomIPMessageLong::MAX_DATA_LENGTH)
        __builtin_trap();

    cZUNetMessage packed(UWORD(sCustomIPMessageLong::PACKED_HEADER_SIZE + record.mLength));
    int packedOffset = 0;
    if (!record.PackMessage(packed, packedOffset) || packedOffset != packed.mLength)
        __builtin_trap();
    sCustomIPMessageLong again;
    packedOffset = 0;
    if (!again.FromMessage(packed, packedOffset, sCustomIPMessageLong::VERSION) || again.mLength != record.mLength
        || again.mPort != record.mPort || (again.mProtocol & 0xFF) != (record.mProtocol & 0xFF)
        || std::memcmp(again.mAddress, record.mAddress, sizeof(record.mAddress)) != 0
        || std::memcmp(again.mData, record.mData, record.mLength) != 0)
        __builtin_trap();
    return 0;
}
