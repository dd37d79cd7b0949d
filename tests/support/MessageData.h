#pragma once

#include "ZUNet/Core/ZUNetMessage.h"

#include <QByteArray>

/// A message carrying a copy of `data`; its header words stay as a new message has them.
cZUNetMessage MessageWithData(const QByteArray& data);
/// A message carrying a copy of `data`, addressed as given.
cZUNetMessage MessageWithData(
    UWORD connectionId, UWORD destination, UWORD source, UWORD method, const QByteArray& data = QByteArray());
/// A unit registry's answer to a find request, sent to `destination` over `connectionId`: the
/// found handle fills the first two data bytes when `length` has room for them.
cZUNetMessage UnitReply(UWORD method, UWORD connectionId, UWORD destination, UWORD handle, UWORD length = 2);
/// An empty M_REPLY_OK to the local object `destination` over connection 0, its source unset: the
/// request a reply worker answers.
cZUNetMessage LocalReplyOk(UWORD destination);
/// The data a message carries (its first `mLength` bytes).
QByteArray MessageData(const cZUNetMessage& message);
