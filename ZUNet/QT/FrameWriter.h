#pragma once

#include "ZUNet/Core/ZUNetMessage.h"
#include "ZUNet/Core/ZUNetTypes.h"

#include <QByteArray>

#include <memory>

/// Builds object frames and utility frames. Lengths are 32-bit: a frame of 65535 data bytes is
/// 65547 bytes long.
class cFrameWriter
{
public:
    /// 12 + the message's data length.
    static ULONG ObjectFrameLength(const cZUNetMessage& message);
    /// 4 + the payload length.
    static ULONG UtilityFrameLength(UWORD payloadLength);

    /// Writes the object frame into `out`, which holds at least `ObjectFrameLength` bytes;
    /// returns the bytes written.
    static ULONG WriteObjectFrame(const cZUNetMessage& message, UBYTE* out);
    /// Writes the utility frame into `out`, which holds at least `UtilityFrameLength` bytes.
    static ULONG WriteUtilityFrame(const UBYTE* payload, UWORD length, UBYTE* out);

    /// The frame in a new heap block of exactly `length` bytes.
    static std::unique_ptr<UBYTE[]> NewObjectFrame(const cZUNetMessage& message, ULONG& length);
    static std::unique_ptr<UBYTE[]> NewUtilityFrame(const UBYTE* payload, UWORD length, ULONG& frameLength);

    static QByteArray ObjectFrame(const cZUNetMessage& message);
    static QByteArray UtilityFrame(const UBYTE* payload, UWORD length);

    /// HELLO or HELLO ACK payload (`kind` kUtilityHello or kUtilityHelloAck) for a datagram port.
    static void WriteHelloPayload(UBYTE kind, UWORD datagramPort, UBYTE (&payload)[4]);
};
