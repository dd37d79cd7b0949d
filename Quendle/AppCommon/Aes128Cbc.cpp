#include "Quendle/AppCommon/Aes128Cbc.h"

#include <openssl/evp.h>

#include <memory>

namespace Quendle
{
namespace
{

bool Run(bool encrypt, const QByteArray& key, const QByteArray& iv, const QByteArray& in, QByteArray& out)
{
    out.clear();
    if (key.size() != kAesBlockSize || iv.size() != kAesBlockSize || in.size() % kAesBlockSize != 0)
        return false;
    const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(
        EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    if (!context)
        return false;
    const auto* keyBytes = reinterpret_cast<const unsigned char*>(key.constData());
    const auto* ivBytes = reinterpret_cast<const unsigned char*>(iv.constData());
    if (EVP_CipherInit_ex(context.get(), EVP_aes_128_cbc(), nullptr, keyBytes, ivBytes, encrypt ? 1 : 0) != 1
        || EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1)
        return false;
    // Without padding the cipher gives back exactly as many bytes as it takes.
    QByteArray result(in.size(), '\0');
    auto* outBytes = reinterpret_cast<unsigned char*>(result.data());
    int written = 0;
    int finalWritten = 0;
    if (EVP_CipherUpdate(
            context.get(), outBytes, &written, reinterpret_cast<const unsigned char*>(in.constData()), in.size())
            != 1
        || EVP_CipherFinal_ex(context.get(), outBytes + written, &finalWritten) != 1
        || written + finalWritten != in.size())
        return false;
    out = result;
    return true;
}

} // namespace

bool Aes128CbcEncrypt(const QByteArray& key, const QByteArray& iv, const QByteArray& in, QByteArray& out)
{
    return Run(true, key, iv, in, out);
}

bool Aes128CbcDecrypt(const QByteArray& key, const QByteArray& iv, const QByteArray& in, QByteArray& out)
{
    return Run(false, key, iv, in, out);
}

} // namespace Quendle
