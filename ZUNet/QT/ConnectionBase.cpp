#include "ZUNet/QT/ConnectionBase.h"

#include "ZUNet/Core/ZUNetMethods.h"
#include "ZUNet/QT/FrameWriter.h"
#include "ZUNet/QT/ZUNetWire.h"

using namespace ZUNetWire;

cConnectionBase::cConnectionBase(UWORD connectionId)
    : mConnectionId(connectionId)
    , mParser(*this)
{
    mParser.SetConnectionId(connectionId);
}

cConnectionBase::~cConnectionBase() = default;

ULONG cConnectionBase::PackageMessage(const cZUNetMessage& message)
{
    const ULONG length = cFrameWriter::ObjectFrameLength(message);
    if (mFrameCapacity < length) {
        mFrameBuffer.reset(new UBYTE[length]);
        mFrameCapacity = length;
    }
    return cFrameWriter::WriteObjectFrame(message, mFrameBuffer.get());
}

void cConnectionBase::MessageReceived(const UBYTE* bytes, ULONG count)
{
    mParser.Feed(bytes, count);
}

void cConnectionBase::StampReceivedMessage(cZUNetMessage& message, UWORD connectionId)
{
    message.mConnectionId = connectionId;
    if ((message.mMethod == M_OBJECT_ADD_TO_INFORM_LIST || message.mMethod == M_OBJECT_REMOVE_FROM_INFORM_LIST)
        && message.HasData(LinkRequest::kConnectionId, 2))
        message.SetDataBufferUWORD(connectionId, LinkRequest::kConnectionId);
}

bool cConnectionBase::ReadHelloPayload(const UBYTE* payload, UWORD length, UBYTE& version, UWORD& datagramPort)
{
    if (length < kHelloPayloadLength)
        return false;
    version = payload[kHelloVersionOffset];
    datagramPort = UWORD((payload[kHelloPortOffset] << 8) | payload[kHelloPortOffset + 1]);
    return true;
}
