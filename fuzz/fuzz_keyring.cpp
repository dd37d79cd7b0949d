// Stored keyring tables as a keyring reads them: any bytes, behind the master password "fuzz". A
// table is taken whole or not at all; what was taken is written again and reads back the same.
#include "Quendle/AppCommon/Keyring.h"
#include "ZUNet/Core/Trace.h"

#include <cstddef>
#include <cstdint>

namespace
{
void DropTrace(const char*, std::size_t, void*) { }
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 1 << 20)
        return 0;
    SetTraceSink(&DropTrace, nullptr);
    const QString password = QStringLiteral("fuzz");
    cKeyring keyring;
    keyring.SetPassword(password);
    const bool loaded = keyring.DeserializeAndDecryptData(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<int>(size)));
    const QStringList units = keyring.GetUnitList();
    if (!loaded) {
        if (!units.isEmpty())
            __builtin_trap(); // a refused table adds nothing
        return 0;
    }

    QByteArray again;
    keyring.SerializeAndEncryptData(again);
    cKeyring reader;
    reader.SetPassword(password);
    if (!reader.DeserializeAndDecryptData(again) || reader.GetUnitList() != units)
        __builtin_trap();
    return 0;
}
