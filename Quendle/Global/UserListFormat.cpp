#include "Quendle/Global/UserListFormat.h"

#include "AES-Standards/Conversions.h"

#include <algorithm>
#include <cstring>

namespace Quendle
{

bool ReadUserList(const cZUNetMessage& reply, QVector<QString>& names, QVector<bool>& hasPassword)
{
    UBYTE count = 0;
    if (!reply.ReadUBYTE(0, count))
        return false;
    names.reserve(names.size() + count);
    hasPassword.reserve(hasPassword.size() + count);
    const int length = reply.mLength;
    int offset = 1;
    for (int entry = 0; entry < count; ++entry) {
        const int available = std::min(length - offset, kUserListNameLimit);
        if (available <= 0)
            return false;
        const char* start = reinterpret_cast<const char*>(reply.mDataBuffer + offset);
        const void* nul = std::memchr(start, '\0', std::size_t(available));
        int nameLength;
        if (nul) {
            nameLength = int(static_cast<const char*>(nul) - start);
        } else {
            if (available < kUserListNameLimit)
                return false;
            // A name without its NUL in the first bytes ends there, one byte short, as a NUL
            // would have ended it.
            nameLength = kUserListNameLimit - 1;
        }
        const int flagOffset = offset + (nul ? nameLength + 1 : kUserListNameLimit);
        UBYTE flag = 0;
        if (!reply.ReadUBYTE(flagOffset, flag))
            return false;
        names.append(QString::fromUtf8(start, nameLength));
        hasPassword.append(UBYTEToBool(flag));
        offset = flagOffset + 1;
    }
    return true;
}

} // namespace Quendle
