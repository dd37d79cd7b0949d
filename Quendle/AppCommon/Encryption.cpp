#include "Quendle/AppCommon/Encryption.h"

#include <initializer_list>

namespace
{

struct sField {
    ULONG mModulus;
    int mShift;
    ULONG mMask;
};

// Bit 19 stays free in a packed word: Entangle uses it as a check bit.
constexpr sField kFields[] = {
    { 3, 0, 0x3 },
    { 7, 2, 0x7 },
    { 29, 5, 0x1F },
    { 509, 10, 0x1FF },
    { 4079, 20, 0xFFF },
};

constexpr ULONG Bit(ULONG word, int position)
{
    return (word >> position) & 1u;
}

ULONG SwapBits(ULONG word, int a, int b)
{
    if (Bit(word, a) != Bit(word, b))
        word ^= (1u << a) | (1u << b);
    return word;
}

ULONG Parity(ULONG word)
{
    word ^= word >> 16;
    word ^= word >> 8;
    word ^= word >> 4;
    word ^= word >> 2;
    word ^= word >> 1;
    return word & 1u;
}

ULONG Step2(ULONG x)
{
    return ((x & 0x55555555u) << 1) | ((x >> 1) & 0x55555555u);
}

ULONG Step3(ULONG x)
{
    for (int bit : { 1, 2, 6, 7, 8, 9, 10 })
        x = SwapBits(x, bit, bit + 15);
    return x;
}

ULONG Step4(ULONG x)
{
    for (int bit : { 4, 5, 6, 9 })
        x = SwapBits(x, bit, bit + 21);
    return x;
}

ULONG Step5(ULONG x)
{
    if (Parity(x & 0x000F000Fu))
        x = (x << 16) | (x >> 16);
    return x;
}

ULONG Step6(ULONG x)
{
    if (Parity(x & 0x0F000F00u)) {
        const ULONG low = (x >> 12) & 0xFu;
        const ULONG high = (x >> 28) & 0xFu;
        x = (x & ~0xF000F000u) | (high << 12) | (low << 28);
    }
    return x;
}

} // namespace

ULONG cEncryption::SingleEncryptionStage(sSextet value, ULONG modulus)
{
    const ULONG c = 65536u % modulus;
    const ULONG cc = (c * c) % modulus;
    return ((value.w1 * c % modulus + value.w2) % modulus + cc * value.w0 % modulus) % modulus;
}

ULONG cEncryption::Encryption(sSextet value)
{
    ULONG packed = 0;
    for (const sField& field : kFields)
        packed |= SingleEncryptionStage(value, field.mModulus) << field.mShift;
    return packed;
}

ULONG cEncryption::Multiply(ULONG a, ULONG b)
{
    ULONG packed = 0;
    for (const sField& field : kFields) {
        const ULONG x = (a >> field.mShift) & field.mMask;
        const ULONG y = (b >> field.mShift) & field.mMask;
        packed |= ((x * y) % field.mModulus) << field.mShift;
    }
    return packed;
}

ULONG cEncryption::EncryptPassword(const unsigned char* password)
{
    UWORD p[8];
    for (int k = 0; k < 8; ++k)
        p[k] = static_cast<UWORD>(password[2 * k] | (password[2 * k + 1] << 8));
    ULONG product = 0;
    for (int i = 0; i < 4; ++i) {
        const ULONG packed = Encryption(sSextet { p[2 * i], p[2 * i + 1], 0 });
        product = i == 0 ? packed : Multiply(product, packed);
    }
    return Entangle(product);
}

ULONG cEncryption::Entangle(ULONG x)
{
    if (Parity(x & 0x000FFFFEu))
        x |= 1u << 19;
    return Step6(Step5(Step4(Step3(Step2(x)))));
}

ULONG cEncryption::Disentangle(ULONG x)
{
    x = Step2(Step3(Step4(Step5(Step6(x)))));
    return x & ~(1u << 19);
}
