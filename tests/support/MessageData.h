#pragma once

#include "ZUNetMessage.h"

#include <QByteArray>

/// A message carrying a copy of `data`; its header words stay as a new message has them.
cZUNetMessage MessageWithData(const QByteArray& data);
/// A message carrying a copy of `data`, addressed as given.
cZUNetMessage MessageWithData(
    UWORD connectionId, UWORD destination, UWORD source, UWORD method, const QByteArray& data = QByteArray());
/// The data a message carries (its first `mLength` bytes).
QByteArray MessageData(const cZUNetMessage& message);
