#pragma once

#include "ZUNet/Core/ZUNetMessage.h"
#include "ZUNet/Core/ZUNetTypes.h"
#include "ZUNet/QT/FrameParser.h"

#include <atomic>
#include <memory>

/// The transport-independent half of a link: turns messages into frames and received bytes
/// back into messages and utility payloads, which it hands to its subclass.
class cConnectionBase : private cFrameParser::cReceiver
{
public:
    explicit cConnectionBase(UWORD connectionId = ZUNET_NO_CONNECTION);
    ~cConnectionBase() override;

    virtual void SendMessage(const cZUNetMessage& message) = 0;
    /// Sends a utility payload.
    virtual void SendMessage(const UBYTE* payload, UWORD length) = 0;

    /// Writes the object frame of the message into the link's frame buffer (which only grows)
    /// and returns its length, data length + 12. The bytes stay valid until the next call.
    ULONG PackageMessage(const cZUNetMessage& message);
    const UBYTE* GetPackagedFrame() const { return mFrameBuffer.get(); }

    /// Feeds received bytes, in any split of the stream.
    void MessageReceived(const UBYTE* bytes, ULONG count);

    UWORD GetConnectionId() const { return mConnectionId; }
    bool IsDisconnecting() const { return mDisconnecting.load(); }

    /// Makes a received message point back along the connection it came on: its connection id
    /// becomes the link's and, for inform-list requests (methods 6 and 7), so does the first data
    /// word, when the data has one. A shorter request is left for its handler's length guard.
    static void StampReceivedMessage(cZUNetMessage& message, UWORD connectionId);

    /// Reads a HELLO or HELLO ACK payload; false when it is too short to hold version and port.
    static bool ReadHelloPayload(const UBYTE* payload, UWORD length, UBYTE& version, UWORD& datagramPort);

protected:
    /// A whole object frame arrived.
    virtual void ZUNetMessageReceived(cZUNetMessage& message) = 0;
    /// A utility payload that is not a disconnect arrived. `length` may be 0.
    virtual void UtilMessageReceived(UBYTE* payload, UWORD length) = 0;
    /// First receiver of every utility payload: recognises a disconnect or passes the payload
    /// on to `UtilMessageReceived`.
    virtual void CheckDisconnectMessage(UBYTE* payload, UWORD length) = 0;

    cFrameParser& Parser() { return mParser; }

    const UWORD mConnectionId;
    /// Set once a disconnect of the link has begun; read on other threads.
    std::atomic<bool> mDisconnecting { false };

private:
    void ObjectFrameParsed(cZUNetMessage& message) override { ZUNetMessageReceived(message); }
    void UtilityFrameParsed(UBYTE* payload, UWORD length) override { CheckDisconnectMessage(payload, length); }

    cFrameParser mParser;
    std::unique_ptr<UBYTE[]> mFrameBuffer;
    ULONG mFrameCapacity = 0;
};
