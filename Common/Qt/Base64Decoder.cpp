#include "Common/Qt/Base64Decoder.h"

#include <array>

namespace
{

constexpr quint8 kSkip = 0x80;

constexpr std::array<quint8, 128> MakeTable()
{
    std::array<quint8, 128> table {};
    for (auto& entry : table)
        entry = kSkip;
    for (int i = 0; i < 26; ++i) {
        table[std::size_t('A' + i)] = quint8(i);
        table[std::size_t('a' + i)] = quint8(26 + i);
    }
    for (int i = 0; i < 10; ++i)
        table[std::size_t('0' + i)] = quint8(52 + i);
    table[std::size_t('+')] = 62;
    table[std::size_t('/')] = 63;
    return table;
}

constexpr std::array<quint8, 128> kTable = MakeTable();

inline quint32 Sextet(QChar c)
{
    const ushort code = c.unicode();
    return code < 128 ? kTable[code] : kSkip;
}

inline quint32 Sextet(char c)
{
    const auto code = static_cast<unsigned char>(c);
    return code < 128 ? kTable[code] : kSkip;
}

} // namespace

template <typename tChar> void cBase64Decoder::AppendText(const tChar* text, qsizetype length)
{
    if (length <= 0)
        return;
    // At most one byte per 6 bits, those carried over included.
    const qsizetype most = (qsizetype(mBitCount) + 6 * length) / 8;
    if (mBytes.size() < mSize + most)
        mBytes.resize(int(mSize + most));
    char* out = mBytes.data() + mSize;
    qsizetype i = 0;
    while (i < length) {
        if (mBitCount == 0) {
            // Nothing carried over: four alphabet characters in a row make three bytes.
            while (i + 4 <= length) {
                const quint32 a = Sextet(text[i]);
                const quint32 b = Sextet(text[i + 1]);
                const quint32 c = Sextet(text[i + 2]);
                const quint32 d = Sextet(text[i + 3]);
                if ((a | b | c | d) & kSkip)
                    break;
                const quint32 word = a << 18 | b << 12 | c << 6 | d;
                out[0] = char(word >> 16);
                out[1] = char(word >> 8);
                out[2] = char(word);
                out += 3;
                i += 4;
            }
            if (i >= length)
                break;
        }
        const quint32 sextet = Sextet(text[i++]);
        if (sextet & kSkip)
            continue;
        mBits = mBits << 6 | sextet;
        mBitCount += 6;
        if (mBitCount >= 8) {
            mBitCount -= 8;
            *out++ = char(mBits >> mBitCount);
            mBits &= (1u << mBitCount) - 1;
        }
    }
    mSize = out - mBytes.data();
}

void cBase64Decoder::Append(const QChar* text, qsizetype length)
{
    AppendText(text, length);
}

void cBase64Decoder::Append(const char* text, qsizetype length)
{
    AppendText(text, length);
}

QByteArray cBase64Decoder::Take()
{
    mBytes.resize(int(mSize));
    QByteArray bytes = std::move(mBytes);
    mBytes = QByteArray();
    mSize = 0;
    mBits = 0;
    mBitCount = 0;
    return bytes;
}

QByteArray cBase64Decoder::Decode(const QByteArray& base64)
{
    cBase64Decoder decoder;
    decoder.Append(base64.constData(), base64.size());
    return decoder.Take();
}
