#include "tests/support/MessageData.h"

#include "ZUNet/Core/ZUNetMethods.h"

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
    message.SetAddress(connectionId, destination, source, method);
    return message;
}

cZUNetMessage UnitReply(UWORD method, UWORD connectionId, UWORD destination, UWORD handle, UWORD length)
{
    cZUNetMessage m(length);
    if (length >= 2)
        m.SetDataBufferUWORD(handle, 0);
    m.SetAddress(connectionId, destination, 0, method);
    return m;
}

cZUNetMessage LocalReplyOk(UWORD destination)
{
    cZUNetMessage message;
    message.mConnectionId = 0;
    message.mDestination = destination;
    message.mMethod = M_REPLY_OK;
    return message;
}

QByteArray MessageData(const cZUNetMessage& message)
{
    return QByteArray(reinterpret_cast<const char*>(message.mDataBuffer), message.mLength);
}
