#pragma once

#include "Quendle/Global/ConfigManagerProtocol.h"
#include "ZUNet/Core/ZUNetMessage.h"

#include <cstring>
#include <list>
#include <string>
#include <utility>

/// The records that client and manager write into their messages, each written and read here only.
namespace Quendle
{

using tNamesAndParameters = std::list<std::pair<std::string, UWORD>>;

/// Bytes of a names-and-parameters record: status, count, then each name with its NUL and its
/// parameter word. A long, so that a record too large for a message can be told.
inline long NamesAndParametersLength(const tNamesAndParameters& entries)
{
    long length = 4;
    for (const auto& entry : entries)
        length += long(entry.first.size()) + 3;
    return length;
}

/// Writes the record at the offset of a message sized for it; returns the offset after it.
inline int WriteNamesAndParameters(cZUNetMessage& message, int offset, UWORD status, const tNamesAndParameters& entries)
{
    message.SetDataBufferUWORD(status, offset);
    message.SetDataBufferUWORD(static_cast<UWORD>(entries.size()), offset + 2);
    offset += 4;
    for (const auto& entry : entries) {
        message.SetDataBufferString(entry.first.c_str(), offset);
        offset += int(entry.first.size()) + 1;
        message.SetDataBufferUWORD(entry.second, offset);
        offset += 2;
    }
    return offset;
}

/// Reads the record at the offset; false when it does not lie whole inside the data.
[[nodiscard]] inline bool ReadNamesAndParameters(
    const cZUNetMessage& message, int offset, UWORD& status, tNamesAndParameters& entries)
{
    UWORD count = 0;
    if (!message.ReadUWORD(offset, status) || !message.ReadUWORD(offset + 2, count))
        return false;
    offset += 4;
    for (int i = 0; i < count; ++i) {
        const char* name = nullptr;
        if (!message.ReadString(offset, name))
            return false;
        offset += int(std::strlen(name)) + 1;
        UWORD parameter = 0;
        if (!message.ReadUWORD(offset, parameter))
            return false;
        offset += 2;
        entries.emplace_back(std::string(name), parameter);
    }
    return true;
}

/// Writes the chunk header (this chunk's index, the last index) at the start of the data.
inline void WriteChunkHeader(cZUNetMessage& message, UWORD index, UWORD lastIndex)
{
    message.SetDataBufferUWORD(index, 0);
    message.SetDataBufferUWORD(lastIndex, 2);
}

/// Reads a chunk: its header, then its bytes in place (`length` of them, maybe none).
[[nodiscard]] inline bool ReadChunk(
    const cZUNetMessage& message, UWORD& index, UWORD& lastIndex, const char*& bytes, int& length)
{
    length = message.mLength - kChunkHeaderSize;
    return message.ReadUWORD(0, index) && message.ReadUWORD(2, lastIndex)
        && message.ReadBytes(kChunkHeaderSize, length, bytes);
}

} // namespace Quendle
