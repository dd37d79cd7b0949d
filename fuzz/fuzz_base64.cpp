// The Base64 decoder against QByteArray::fromBase64 on any text: the same bytes whole, in two
// pieces cut where the first input byte says, and from the text widened to UTF-16 as a stream
// reader holds it.
#include "Common/Qt/Base64Decoder.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 || size > (1 << 20))
        return 0;
    const QByteArray text(reinterpret_cast<const char*>(data + 1), int(size - 1));
    const QByteArray expected = QByteArray::fromBase64(text);
    if (cBase64Decoder::Decode(text) != expected)
        __builtin_trap();

    const int cut = text.isEmpty() ? 0 : int(data[0]) % (text.size() + 1);
    cBase64Decoder pieces;
    pieces.Append(text.constData(), cut);
    pieces.Append(text.constData() + cut, text.size() - cut);
    if (pieces.Take() != expected)
        __builtin_trap();

    const QString wide = QString::fromLatin1(text.constData(), text.size());
    cBase64Decoder widened;
    widened.Append(wide.constData(), cut);
    widened.Append(wide.constData() + cut, wide.size() - cut);
    if (widened.Take() != expected)
        __builtin_trap();
    return 0;
}
