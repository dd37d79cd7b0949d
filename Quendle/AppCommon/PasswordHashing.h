#pragma once

#include <QString>

#include <string>

/// Credential hashing the application signs in with. The unit's user store holds, for every user,
/// the texts whose Keccak-512 digest these functions produce: the user name itself and the
/// decimal text of the scrambled password.
namespace Quendle
{

/// Base64 text of the Keccak-512 digest of the text's UTF-8 bytes, up to the first NUL byte.
std::string GetHashedString(const QString& text);
/// Decimal text of `cEncryption::EncryptPassword` over the password's 16-byte block.
QString ScrambledPasswordText(const QString& password);
/// `GetHashedString` of `ScrambledPasswordText`.
std::string GetHashedPassword(const QString& password);
/// `GetHashedPassword("")`, computed once; sent when no password is stored.
std::string GetHashedBlankPassword();
/// `GetHashedString("Admin")`, computed once.
std::string GetHashedAdminUsername();

} // namespace Quendle
