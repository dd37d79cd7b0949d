#pragma once

#include "ZUNet/Core/ZUNetMessage.h"

#include <QString>
#include <QVector>

namespace Quendle
{

/// A user-list reply: a UBYTE count, then per user the name with its NUL and a UBYTE has-password flag.
/// A name is read up to its NUL or for at most this many bytes, after which its flag follows.
constexpr int kUserListNameLimit = 128;

/// Appends the reply's users to `names` and `hasPassword` (UTF-8 names). Reads only inside the
/// message's data: a reply that ends early gives the users read in whole before the end, and false.
bool ReadUserList(const cZUNetMessage& reply, QVector<QString>& names, QVector<bool>& hasPassword);

} // namespace Quendle
