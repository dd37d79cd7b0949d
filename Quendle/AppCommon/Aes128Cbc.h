#pragma once

#include <QByteArray>

/// AES-128 in CBC mode without padding, through the system's libcrypto.
namespace Quendle
{

constexpr int kAesBlockSize = 16;

/// False, with `out` empty, unless the key and the vector are 16 bytes each and the data a whole
/// number of blocks.
[[nodiscard]] bool Aes128CbcEncrypt(const QByteArray& key, const QByteArray& iv, const QByteArray& in, QByteArray& out);
[[nodiscard]] bool Aes128CbcDecrypt(const QByteArray& key, const QByteArray& iv, const QByteArray& in, QByteArray& out);

} // namespace Quendle
