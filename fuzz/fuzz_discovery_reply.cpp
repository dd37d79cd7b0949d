// Discovery replies as they arrive on the reply port: any bytes, never a crash or an overread.
#include "Common/Qt/UnitFinder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Over the fuzzer's own buffer: a read one byte past the datagram is caught, and no copy is
    // made per input.
    const QByteArray datagram = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
    QString findString;
    QString unitName;
    QString unitInfo;
    if (cMultiUnitFinder::ParseV2Reply(datagram, findString, unitName, unitInfo)
        && findString.size() + unitName.size() + unitInfo.size() > datagram.size())
        __builtin_trap();

    // One text from each edge, as a reader with a stray offset would take it; then the whole walk,
    // which starts a text at 0 and after every NUL.
    QString text;
    auto takeOne = [&](int& offset) {
        const int start = offset;
        if (!cMultiUnitFinder::TakeStringFromDatagram(datagram, offset, text))
            return false;
        if (start < 0 || offset > datagram.size() + 1 || text.size() != offset - start - 1)
            __builtin_trap();
        return true;
    };
    for (int start : { -1, 0, 1, datagram.size() - 1, datagram.size(), datagram.size() + 1 })
        takeOne(start);
    int offset = 0;
    while (takeOne(offset)) { }
    return 0;
}
