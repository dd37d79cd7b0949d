#include "Quendle/Global/SaltHash.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <algorithm>
#include <cstring>
#include <vector>

namespace Quendle
{

QByteArray Hash(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Keccak_512);
}

QByteArray SaltHash(const QByteArray& value, const QByteArray& salt)
{
    QByteArray copy = value;
    const int n = std::min(copy.size(), salt.size());
    char* bytes = copy.data(); // detaches once, not once per byte
    const char* saltBytes = salt.constData();
    for (int i = 0; i < n; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ saltBytes[i]);
    return Hash(copy);
}

QByteArray RandomBytes(int count)
{
    QByteArray bytes(count, '\0');
    if (count <= 0)
        return bytes;
    // Whole words from the system source in one call rather than a call per byte.
    std::vector<quint32> words((std::size_t(count) + 3) / 4);
    QRandomGenerator::system()->fillRange(words.data(), qsizetype(words.size()));
    std::memcpy(bytes.data(), words.data(), std::size_t(count));
    return bytes;
}

} // namespace Quendle
