#pragma once

#include "ZUNet/Core/ZUNetTypes.h"

/// Turns a 16-byte password block into a 32-bit number before it is hashed for signing in: the
/// product of four 48-bit values in a residue number system (moduli 3, 7, 29, 509 and 4079),
/// packed into one word and shuffled. No key is involved; the unit's stored password texts depend
/// on every bit of it.
class cEncryption
{
public:
    /// 48-bit value X = w0 * 2^32 + w1 * 2^16 + w2.
    struct sSextet {
        UWORD w0;
        UWORD w1;
        UWORD w2;
    };

    /// Product of the residues of all five moduli, M = 3 * 7 * 29 * 509 * 4079.
    static constexpr ULONG kModulusProduct = 1264412499u;

    /// Reads exactly 16 bytes.
    static ULONG EncryptPassword(const unsigned char* password);
    /// Packed residue word of X modulo M.
    static ULONG Encryption(sSextet value);
    /// X modulo `modulus`, from 16-bit pieces so that nothing exceeds 32 bits.
    static ULONG SingleEncryptionStage(sSextet value, ULONG modulus);
    /// Field-by-field product of two packed words; bit 19 of the result is 0.
    static ULONG Multiply(ULONG a, ULONG b);
    static ULONG Entangle(ULONG word);
    /// Inverse of `Entangle` for words whose bit 19 is 0.
    static ULONG Disentangle(ULONG word);
};
