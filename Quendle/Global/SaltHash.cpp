#include "Quendle/Global/SaltHash.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <algorithm>

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
    for (int i = 0; i < n; ++i)
        copy[i] = static_cast<char>(copy.at(i) ^ salt.at(i));
    return Hash(copy);
}

QByteArray RandomBytes(int count)
{
    QByteArray bytes(count, '\0');
    QRandomGenerator* generator = QRandomGenerator::system();
    for (int i = 0; i < count; ++i)
        bytes[i] = static_cast<char>(generator->bounded(256));
    return bytes;
}

} // namespace Quendle
