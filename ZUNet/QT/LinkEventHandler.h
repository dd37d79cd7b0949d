#pragma once

#include "ZUNet/Core/ZUNetTypes.h"

/// What a connection's datagram link reports to the code that owns the connection (the
/// connection manager, through the connection thread). The owner registers one handler per link
/// with `cUDPConnection::SetLinkEventHandler` before the link carries anything; without one these
/// calls are dropped. Both calls run on the link's own thread with no link lock held, so they may
/// take the manager's locks; they must not delete the link.
///
/// The TCP link reports through Qt signals instead: `HelloReceived`, `HelloAckReceived` and
/// `TCPConnectionDisconnected`.
class cLinkEventHandler
{
public:
    virtual ~cLinkEventHandler() = default;

    /// A utility payload arrived on the datagram link: the keep-alive (first byte
    /// ZUNetWire::kUtilityKeepAlive) or anything else the owner traces as unknown. `length` is
    /// at least 1: the link drops empty payloads itself. The payload is valid during the call.
    virtual void UtilityMessageReceived(const UBYTE* payload, UWORD length, UWORD connectionId) = 0;

    /// The datagram link has learned the peer's port (from HELLO or HELLO ACK) and was asked to
    /// have the connection watched for lost keep-alives.
    virtual void RegisterConnectionWithLostComms(UWORD connectionId) = 0;
};
