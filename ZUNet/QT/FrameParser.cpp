#include "ZUNet/QT/FrameParser.h"

#include "ZUNet/Core/Trace.h"
#include "ZUNet/QT/ZUNetWire.h"

#include <algorithm>
#include <cstring>

using namespace ZUNetWire;

cFrameParser::cFrameParser(cReceiver& receiver)
    : mReceiver(receiver)
{
}

void cFrameParser::Reset()
{
    mState = BETWEEN_FRAMES;
    mByteCounter = 0;
}

void cFrameParser::Feed(const UBYTE* bytes, ULONG count)
{
    Parse(bytes, count, nullptr);
}

void cFrameParser::FeedInPlace(UBYTE* bytes, ULONG count)
{
    Parse(bytes, count, bytes);
}

UBYTE* cFrameParser::DataSpace(ULONG& room)
{
    const ULONG dataEnd = kObjectHeaderLength + mMessage.mLength;
    if (mState != IN_OBJECT_FRAME || mByteCounter < kObjectHeaderLength || mByteCounter >= dataEnd) {
        room = 0;
        return nullptr;
    }
    room = dataEnd - mByteCounter;
    return mMessage.mDataBuffer + (mByteCounter - kObjectHeaderLength);
}

void cFrameParser::DataWritten(ULONG count)
{
    mByteCounter += count;
}

ULONG cFrameParser::WholeObjectFrame(const UBYTE* frame, ULONG count)
{
    if (count < kObjectFrameOverhead)
        return 0;
    const ULONG length = kObjectFrameOverhead + ULONG((frame[9] << 8) | frame[10]);
    return length <= count && frame[length - 1] == kObjectFrameEnd ? length : 0;
}

void cFrameParser::DeliverInPlace(UBYTE* frame)
{
    const auto word = [frame](int i) { return UWORD((frame[1 + 2 * i] << 8) | frame[2 + 2 * i]); };
    // A message that borrows the frame's data for the call; it must not free it.
    struct sBorrowed {
        cZUNetMessage mMessage;
        ~sBorrowed() { mMessage.mDataBuffer = nullptr; }
    } borrowed;
    cZUNetMessage& message = borrowed.mMessage;
    message.SetAddress(word(0), word(1), word(2), word(3));
    message.mLength = word(4);
    message.mBufferSize = message.mLength;
    message.mDataBuffer = message.mLength > 0 ? frame + 1 + kObjectHeaderLength : nullptr;
    mReceiver.ObjectFrameParsed(message);
}

void cFrameParser::Parse(const UBYTE* bytes, ULONG count, UBYTE* inPlace)
{
    ULONG position = 0;
    while (position < count) {
        switch (mState) {
        case IN_OBJECT_FRAME:
            position += StoreObjectBytes(bytes + position, count - position);
            break;
        case IN_UTILITY_FRAME:
            position += StoreUtilityBytes(bytes + position, count - position);
            break;
        case BETWEEN_FRAMES:
        default:
            for (; position < count; ++position) {
                const UBYTE byte = bytes[position];
                if (inPlace && byte == kObjectFrameStart) {
                    if (const ULONG length = WholeObjectFrame(bytes + position, count - position)) {
                        DeliverInPlace(inPlace + position);
                        position += length - 1;
                        continue;
                    }
                }
                if (byte == kObjectFrameStart || byte == kUtilityFrameStart) {
                    mState = byte == kObjectFrameStart ? IN_OBJECT_FRAME : IN_UTILITY_FRAME;
                    mByteCounter = 0;
                    ++position;
                    break;
                }
            }
            break;
        }
    }
}

// Consumes bytes of the current object frame and returns how many it used. At a wrong end byte
// it consumes nothing of that byte, so the caller parses it again between frames.
ULONG cFrameParser::StoreObjectBytes(const UBYTE* bytes, ULONG count)
{
    ULONG used = 0;
    if (mByteCounter == 0 && count >= kObjectHeaderLength) {
        // Whole header at hand: read it at once.
        const auto word = [bytes](int i) { return UWORD((bytes[2 * i] << 8) | bytes[2 * i + 1]); };
        mMessage.SetAddress(word(0), word(1), word(2), word(3));
        mMessage.SetLength(word(4));
        used = kObjectHeaderLength;
        mByteCounter = kObjectHeaderLength;
    }
    while (used < count) {
        if (mByteCounter < kObjectHeaderLength) {
            // Header words, high byte first: connection id, destination, source, method, length.
            mHeaderWord = UWORD((mHeaderWord << 8) | bytes[used++]);
            ++mByteCounter;
            if (mByteCounter % 2 != 0)
                continue;
            switch (mByteCounter) {
            case 2:
                mMessage.mConnectionId = mHeaderWord;
                break;
            case 4:
                mMessage.mDestination = mHeaderWord;
                break;
            case 6:
                mMessage.mSource = mHeaderWord;
                break;
            case 8:
                mMessage.mMethod = mHeaderWord;
                break;
            default:
                mMessage.SetLength(mHeaderWord);
                break;
            }
            continue;
        }
        const ULONG dataEnd = kObjectHeaderLength + mMessage.mLength;
        if (mByteCounter < dataEnd) {
            const ULONG chunk = std::min(count - used, dataEnd - mByteCounter);
            std::memcpy(mMessage.mDataBuffer + (mByteCounter - kObjectHeaderLength), bytes + used, chunk);
            used += chunk;
            mByteCounter += chunk;
            continue;
        }
        mState = BETWEEN_FRAMES;
        mByteCounter = 0;
        if (bytes[used] != kObjectFrameEnd) {
            ZU_ERR(
                "ERROR - Invalid ZUNetMessage Data Packet! - No message delimiter mConnectionId = %d", mConnectionId);
            return used;
        }
        mReceiver.ObjectFrameParsed(mMessage);
        return used + 1;
    }
    return used;
}

ULONG cFrameParser::StoreUtilityBytes(const UBYTE* bytes, ULONG count)
{
    ULONG used = 0;
    while (used < count) {
        if (mByteCounter < kUtilityHeaderLength) {
            mHeaderWord = UWORD((mHeaderWord << 8) | bytes[used++]);
            if (++mByteCounter == kUtilityHeaderLength) {
                mUtilityLength = mHeaderWord;
                MakeSpaceForUtilityPayload();
            }
            continue;
        }
        const ULONG payloadEnd = kUtilityHeaderLength + mUtilityLength;
        if (mByteCounter < payloadEnd) {
            const ULONG chunk = std::min(count - used, payloadEnd - mByteCounter);
            std::memcpy(mUtilityBuffer.get() + (mByteCounter - kUtilityHeaderLength), bytes + used, chunk);
            used += chunk;
            mByteCounter += chunk;
            continue;
        }
        mState = BETWEEN_FRAMES;
        mByteCounter = 0;
        if (bytes[used] != kUtilityFrameEnd) {
            ZU_ERR("ERROR - Invalid Util Data Packet! - No message delimiter, mConnectionId = %d", mConnectionId);
            return used;
        }
        mReceiver.UtilityFrameParsed(mUtilityBuffer.get(), UWORD(mUtilityLength));
        return used + 1;
    }
    return used;
}

void cFrameParser::MakeSpaceForUtilityPayload()
{
    // Never empty, so an empty payload is still handed over as a valid pointer.
    const ULONG needed = std::max<ULONG>(mUtilityLength, 1);
    if (mUtilityCapacity >= needed)
        return;
    mUtilityBuffer.reset(new UBYTE[needed]);
    mUtilityCapacity = needed;
}
