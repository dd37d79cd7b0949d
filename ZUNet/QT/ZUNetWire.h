#pragma once

#include "ZUNet/Core/ZUNetTypes.h"

// The ZUNet wire format. Every multi-byte field is big-endian; there is no escaping and no
// checksum, so a frame's end is found from its length field alone.
//
//   object frame  (12 + n): F0, connection id, destination, source, method, n, data[n], F7
//   utility frame ( 4 + n): E0, n, payload[n], E7
namespace ZUNetWire
{

constexpr UBYTE kObjectFrameStart = 0xF0;
constexpr UBYTE kObjectFrameEnd = 0xF7;
constexpr UBYTE kUtilityFrameStart = 0xE0;
constexpr UBYTE kUtilityFrameEnd = 0xE7;

/// Bytes of an object frame besides its data: start, five header words, end.
constexpr ULONG kObjectFrameOverhead = 12;
/// Bytes of the object header after the start byte: four header words and the data length.
constexpr ULONG kObjectHeaderLength = 10;
/// Bytes of a utility frame besides its payload: start, length word, end.
constexpr ULONG kUtilityFrameOverhead = 4;
/// Bytes of the utility header after the start byte: the payload length.
constexpr ULONG kUtilityHeaderLength = 2;
/// Largest data or payload length a frame can carry (the length field is 16 bits).
constexpr ULONG kMaxDataLength = ZUNET_MAX_DATA_LENGTH;
constexpr ULONG kMaxObjectFrameLength = kMaxDataLength + kObjectFrameOverhead;
constexpr ULONG kMaxUtilityFrameLength = kMaxDataLength + kUtilityFrameOverhead;

/// First payload byte of the utility frames (BYE has none of its own: it is the text "BYE").
constexpr UBYTE kUtilityHello = 0x01;
constexpr UBYTE kUtilityHelloAck = 0x02;
constexpr UBYTE kUtilityKeepAlive = 0x03;

constexpr UBYTE kProtocolVersion = 3;
/// HELLO and HELLO ACK: kind, protocol version, the sender's datagram port (2 bytes).
constexpr UWORD kHelloPayloadLength = 4;
constexpr int kHelloVersionOffset = 1;
constexpr int kHelloPortOffset = 2;

constexpr UBYTE kByePayload[] = { 'B', 'Y', 'E' };
constexpr UWORD kByePayloadLength = 3;
constexpr UBYTE kKeepAlivePayload[] = { kUtilityKeepAlive };
constexpr UWORD kKeepAlivePayloadLength = 1;

/// The TCP port a unit accepts connections on; the accepting side binds its datagram link to
/// kUnitDatagramPortBase + connection id.
constexpr UWORD kUnitTcpPort = 51321;
constexpr UWORD kUnitDatagramPortBase = 51324;

/// A TCP link reads its socket in blocks of up to this size. Large enough that a configuration
/// download is not held up by the number of reads.
constexpr int kTcpReadChunk = 65536;

} // namespace ZUNetWire
