#pragma once

#include <QByteArray>

/// Hashing shared by the configuration client, the configuration manager and the secondary-unit
/// authenticator, so both ends of a sign-in compute the same bytes.
namespace Quendle
{

/// Keccak-512 (Qt's `Keccak_512`: Keccak's own padding, not SHA3-512) of the bytes.
QByteArray Hash(const QByteArray& bytes);
/// Keccak-512 of a copy of `value` whose first min(size of value, size of salt) bytes are XORed
/// with the salt.
QByteArray SaltHash(const QByteArray& value, const QByteArray& salt);
/// `count` bytes from the system's cryptographic random source (salts and login tokens).
QByteArray RandomBytes(int count);

} // namespace Quendle
