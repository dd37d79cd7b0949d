#pragma once

#include <QString>

/// Values of the platform settings store as the program reads them back. The store is a file any
/// other program or a failing disk may have changed: a value of the wrong kind reads as its default.
namespace Quendle
{

/// Names (user, unit) longer than this are not names the program stored.
constexpr int kMaxStoredNameLength = 255;

/// The stored flag under `key` when it is a boolean ("true" or "false"), else `defaultValue`.
bool ReadStoredFlag(const QString& key, bool defaultValue);
/// The stored text under `key` when it is text of at most `kMaxStoredNameLength` characters, else empty.
QString ReadStoredName(const QString& key);

} // namespace Quendle
