#include "tests/support/MessageData.h"

#include <cstring>

cZUNetMessage MessageWithData(const QByteArray& data)
{
    cZUNetMessage message(UWORD(data.size()));
    if (!data.isEmpty())
        std::memcpy(message.mDataBuffer, data.constData(), size_t(data.size()));
    return message;
}

cZUNetMessage MessageWithData(UWORD connectionId, UWORD destination, UWORD source, UWORD method, const QByteArray& data)
{
    cZUNetMessage message = MessageWithData(data);
    message.mConnectionId = connectionId;
    message.mDestination = destination;
    message.mSource = source;
    message.mMethod = method;
    return message;
}

cZUNetMessage UnitReply(UWORD method, UWORD connectionId, UWORD destination, UWORD handle, UWORD length)
{
    cZUNetMessage m(length);
    if (length >= 2)
        m.SetDataBufferUWORD(handle, 0);
    m.mConnectionId = connectionId;
    m.mDestination = destination;
    m.mSource = 0;
    m.mMethod = method;
    return m;
}

QByteArray MessageData(const cZUNetMessage& message)
{
    return QByteArray(reinterpret_cast<const char*>(message.mDataBuffer), message.mLength);
}
