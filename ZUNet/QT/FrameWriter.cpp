#include "ZUNet/QT/FrameWriter.h"

#include "ZUNet/QT/ZUNetWire.h"

#include <cstring>

using namespace ZUNetWire;

namespace
{

UBYTE* PutWord(UBYTE* out, UWORD value)
{
    out[0] = UBYTE(value >> 8);
    out[1] = UBYTE(value);
    return out + 2;
}

} // namespace

ULONG cFrameWriter::ObjectFrameLength(const cZUNetMessage& message)
{
    return kObjectFrameOverhead + ULONG(message.mLength);
}

ULONG cFrameWriter::UtilityFrameLength(UWORD payloadLength)
{
    return kUtilityFrameOverhead + ULONG(payloadLength);
}

ULONG cFrameWriter::WriteObjectFrame(const cZUNetMessage& message, UBYTE* out)
{
    UBYTE* p = out;
    *p++ = kObjectFrameStart;
    p = PutWord(p, message.mConnectionId);
    p = PutWord(p, message.mDestination);
    p = PutWord(p, message.mSource);
    p = PutWord(p, message.mMethod);
    p = PutWord(p, message.mLength);
    if (message.mLength > 0)
        std::memcpy(p, message.mDataBuffer, message.mLength);
    p += message.mLength;
    *p++ = kObjectFrameEnd;
    return ULONG(p - out);
}

ULONG cFrameWriter::WriteUtilityFrame(const UBYTE* payload, UWORD length, UBYTE* out)
{
    UBYTE* p = out;
    *p++ = kUtilityFrameStart;
    p = PutWord(p, length);
    if (length > 0)
        std::memcpy(p, payload, length);
    p += length;
    *p++ = kUtilityFrameEnd;
    return ULONG(p - out);
}

std::unique_ptr<UBYTE[]> cFrameWriter::NewObjectFrame(const cZUNetMessage& message, ULONG& length)
{
    length = ObjectFrameLength(message);
    std::unique_ptr<UBYTE[]> block(new UBYTE[length]);
    WriteObjectFrame(message, block.get());
    return block;
}

std::unique_ptr<UBYTE[]> cFrameWriter::NewUtilityFrame(const UBYTE* payload, UWORD length, ULONG& frameLength)
{
    frameLength = UtilityFrameLength(length);
    std::unique_ptr<UBYTE[]> block(new UBYTE[frameLength]);
    WriteUtilityFrame(payload, length, block.get());
    return block;
}

QByteArray cFrameWriter::ObjectFrame(const cZUNetMessage& message)
{
    QByteArray frame(int(ObjectFrameLength(message)), Qt::Uninitialized);
    WriteObjectFrame(message, reinterpret_cast<UBYTE*>(frame.data()));
    return frame;
}

QByteArray cFrameWriter::UtilityFrame(const UBYTE* payload, UWORD length)
{
    QByteArray frame(int(UtilityFrameLength(length)), Qt::Uninitialized);
    WriteUtilityFrame(payload, length, reinterpret_cast<UBYTE*>(frame.data()));
    return frame;
}

void cFrameWriter::WriteHelloPayload(UBYTE kind, UWORD datagramPort, UBYTE (&payload)[4])
{
    payload[0] = kind;
    payload[kHelloVersionOffset] = kProtocolVersion;
    PutWord(payload + kHelloPortOffset, datagramPort);
}
