// Discovery replies as they arrive on the reply port: any bytes, never a crash or an overread.
#include "Common/Qt/UnitFinder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray datagram(reinterpret_cast<const char*>(data), int(size));
    QString findString;
    QString unitName;
    QString unitInfo;
    if (cMultiUnitFinder::ParseV2Reply(datagram, findString, unitName, unitInfo)
        && findString.size() + unitName.size() + unitInfo.size() > datagram.size())
        __builtin_trap();

    // Walk every text from every start, as a reader with a stray offset would.
    for (int start = -1; start <= datagram.size() + 1; start += 7) {
        int offset = start;
        QString text;
        while (cMultiUnitFinder::TakeStringFromDatagram(datagram, offset, text)) {
            if (offset <= 0 || offset > datagram.size() + 1)
                __builtin_trap();
        }
    }
    return 0;
}
