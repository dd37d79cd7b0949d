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

    // One text from each edge and from every text start, as a reader with a stray offset would
    // take it; then the whole walk once.
    QString text;
    auto takeOne = [&](int start) {
        int offset = start;
        if (cMultiUnitFinder::TakeStringFromDatagram(datagram, offset, text)
            && (start < 0 || offset > datagram.size() + 1 || text.size() != offset - start - 1))
            __builtin_trap();
    };
    for (int start : { -1, 0, 1, datagram.size() - 1, datagram.size(), datagram.size() + 1 })
        takeOne(start);
    for (int at = datagram.indexOf('\0'); at >= 0; at = datagram.indexOf('\0', at + 1))
        takeOne(at + 1);
    int offset = 0;
    while (cMultiUnitFinder::TakeStringFromDatagram(datagram, offset, text)) {
        if (offset <= 0 || offset > datagram.size() + 1)
            __builtin_trap();
    }
    return 0;
}
