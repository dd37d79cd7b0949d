#pragma once

#include "ZUNet/Core/ZUNetMessage.h"
#include "ZUNet/Core/ZUNetTypes.h"

#include <memory>

/// Turns a received byte stream, in whatever pieces it arrives, back into object frames and
/// utility frames. Between frames every byte that is not a start byte is skipped; a frame whose
/// end byte is wrong is traced and dropped, and parsing resumes at that very byte, so a wrong
/// end byte that is itself a start byte opens the next frame.
///
/// One parser belongs to one link and is fed on that link's thread only; it has no lock. Its
/// buffers grow to the largest frame seen (at most 64 KiB each) and are then reused.
class cFrameParser
{
public:
    enum eState : int {
        BETWEEN_FRAMES = 0,
        IN_OBJECT_FRAME = 1,
        IN_UTILITY_FRAME = 2,
    };

    /// Whoever the parser hands whole frames to. Both calls run inside `Feed`.
    class cReceiver
    {
    public:
        virtual ~cReceiver() = default;
        /// A whole object frame. The message is the parser's own, reused for the next frame, or
        /// lies in the bytes given to `FeedInPlace`: the receiver may change its header and data
        /// but not its length, and copies what it keeps.
        virtual void ObjectFrameParsed(cZUNetMessage& message) = 0;
        /// A whole utility frame. The payload (possibly empty) is the parser's buffer, valid until
        /// the call returns.
        virtual void UtilityFrameParsed(UBYTE* payload, UWORD length) = 0;
    };

    explicit cFrameParser(cReceiver& receiver);
    cFrameParser(const cFrameParser&) = delete;
    cFrameParser& operator=(const cFrameParser&) = delete;

    /// Feeds the next `count` bytes of the stream.
    void Feed(const UBYTE* bytes, ULONG count);
    /// As `Feed`, for bytes the caller lets the parser change until it returns: an object frame
    /// that lies whole among them is handed over where it lies, without a copy.
    void FeedInPlace(UBYTE* bytes, ULONG count);
    /// Inside an object frame's data: where its next data bytes go, with `room` set to how many
    /// are still to come, so that a reader can put them there itself (then `DataWritten`); null
    /// anywhere else.
    UBYTE* DataSpace(ULONG& room);
    /// `count` bytes, at most the room `DataSpace` gave, were written where it pointed.
    void DataWritten(ULONG count);
    /// Forgets a partly received frame; the next byte is parsed as between frames.
    void Reset();

    /// The connection id the error traces name.
    void SetConnectionId(UWORD connectionId) { mConnectionId = connectionId; }
    UWORD GetConnectionId() const { return mConnectionId; }

    eState GetState() const { return mState; }
    /// Bytes the parser holds for its buffers, for checks that they stay bounded.
    ULONG GetBufferedCapacity() const { return ULONG(mMessage.mBufferSize) + mUtilityCapacity; }

private:
    void Parse(const UBYTE* bytes, ULONG count, UBYTE* inPlace);
    /// The length of the whole, well-ended object frame starting at `frame`, 0 when there is none.
    static ULONG WholeObjectFrame(const UBYTE* frame, ULONG count);
    void DeliverInPlace(UBYTE* frame);
    ULONG StoreObjectBytes(const UBYTE* bytes, ULONG count);
    ULONG StoreUtilityBytes(const UBYTE* bytes, ULONG count);
    void MakeSpaceForUtilityPayload();

    cReceiver& mReceiver;
    eState mState = BETWEEN_FRAMES;
    // Bytes of the current frame after its start byte. 32 bits: a frame holds up to 65535 data
    // bytes plus its header, more than a 16-bit counter reaches.
    ULONG mByteCounter = 0;
    cZUNetMessage mMessage;
    UWORD mHeaderWord = 0;
    ULONG mUtilityLength = 0;
    std::unique_ptr<UBYTE[]> mUtilityBuffer;
    ULONG mUtilityCapacity = 0;
    UWORD mConnectionId = ZUNET_NO_CONNECTION;
};
