// User-list replies as the runner reads them: any bytes. Never a read past the data; never more
// users than the count; a list read whole and written again reads back the same.
#include "Quendle/Global/UserListFormat.h"
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
    if (size > 0xFFFF)
        return 0;
    SetTraceSink(&DropTrace, nullptr);
    cZUNetMessage message(static_cast<UWORD>(size));
    if (size > 0)
        std::memcpy(message.mDataBuffer, data, size);

    QVector<QString> names;
    QVector<bool> flags;
    const bool whole = Quendle::ReadUserList(message, names, flags);
    if (names.size() != flags.size() || (size > 0 && names.size() > data[0]) || (whole && names.size() != data[0]))
        __builtin_trap();
    if (!whole)
        return 0;

    QByteArray again(1, char(names.size()));
    for (int i = 0; i < names.size(); ++i) {
        const QByteArray name = names[i].toUtf8();
        if (name.size() >= Quendle::kUserListNameLimit || name.contains('\0'))
            return 0;
        again += name;
        again += '\0';
        again += char(flags[i] ? 1 : 0);
    }
    cZUNetMessage written(static_cast<UWORD>(again.size()));
    std::memcpy(written.mDataBuffer, again.constData(), std::size_t(again.size()));
    QVector<QString> namesAgain;
    QVector<bool> flagsAgain;
    if (!Quendle::ReadUserList(written, namesAgain, flagsAgain) || namesAgain != names || flagsAgain != flags)
        __builtin_trap();
    return 0;
}
