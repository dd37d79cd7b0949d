// Feeds arbitrary bytes to the frame parser, once whole, once in pieces of varying size and once
// as a TCP link reads them (in place, and into the frame), and checks that all give the same
// frames, that buffers stay bounded, and that every delivered message survives the inform-list
// rewrite and a write/parse round trip.

#include "ZUNet/Core/Trace.h"
#include "ZUNet/QT/ConnectionBase.h"
#include "ZUNet/QT/FrameParser.h"
#include "ZUNet/QT/FrameWriter.h"
#include "ZUNet/QT/ZUNetWire.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

void DiscardTrace(const char*, std::size_t, void*) { }

class cCollector : public cFrameParser::cReceiver
{
public:
    void ObjectFrameParsed(cZUNetMessage& m) override
    {
        std::string event = "O";
        for (UWORD word : { m.mConnectionId, m.mDestination, m.mSource, m.mMethod, m.mLength })
            event.append(reinterpret_cast<const char*>(&word), sizeof word);
        event.append(reinterpret_cast<const char*>(m.mDataBuffer), m.mLength);
        mEvents.push_back(event);
        mMessages.push_back(m);
    }
    void UtilityFrameParsed(UBYTE* payload, UWORD length) override
    {
        mEvents.push_back("U" + std::string(reinterpret_cast<const char*>(payload), length));
        UBYTE version = 0;
        UWORD port = 0;
        if (cConnectionBase::ReadHelloPayload(payload, length, version, port)
            && length < ZUNetWire::kHelloPayloadLength)
            std::abort();
    }
    std::vector<std::string> mEvents;
    std::vector<cZUNetMessage> mMessages;
};

void CheckBounded(const cFrameParser& parser)
{
    if (parser.GetBufferedCapacity() > 2 * ZUNetWire::kMaxDataLength + 1)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SetTraceSink(&DiscardTrace, nullptr);

    cCollector whole;
    cFrameParser wholeParser(whole);
    wholeParser.Feed(data, ULONG(size));
    CheckBounded(wholeParser);

    cCollector pieces;
    cFrameParser piecesParser(pieces);
    ULONG state = ULONG(size) * 2654435761u + 1;
    for (size_t from = 0; from < size;) {
        state = state * 1103515245u + 12345u;
        const size_t piece = std::min<size_t>(size - from, 1 + (state >> 16) % 64);
        piecesParser.Feed(data + from, ULONG(piece));
        from += piece;
    }
    CheckBounded(piecesParser);
    if (whole.mEvents != pieces.mEvents || wholeParser.GetState() != piecesParser.GetState())
        std::abort();

    // As a TCP link reads: pieces into a buffer of its own, parsed in place, and the rest of a
    // frame's data read straight into the frame.
    cCollector inPlace;
    cFrameParser inPlaceParser(inPlace);
    for (size_t from = 0; from < size;) {
        state = state * 1103515245u + 12345u;
        size_t piece = std::min<size_t>(size - from, 1 + (state >> 16) % 4096);
        ULONG room = 0;
        if (UBYTE* space = inPlaceParser.DataSpace(room)) {
            piece = std::min<size_t>(piece, room);
            std::memcpy(space, data + from, piece);
            inPlaceParser.DataWritten(ULONG(piece));
        } else {
            std::vector<UBYTE> own(data + from, data + from + piece);
            inPlaceParser.FeedInPlace(own.data(), ULONG(piece));
        }
        from += piece;
    }
    CheckBounded(inPlaceParser);
    if (whole.mEvents != inPlace.mEvents || wholeParser.GetState() != inPlaceParser.GetState())
        std::abort();

    for (cZUNetMessage& message : whole.mMessages) {
        cConnectionBase::StampReceivedMessage(message, 70);
        const QByteArray frame = cFrameWriter::ObjectFrame(message);
        cCollector again;
        cFrameParser againParser(again);
        againParser.Feed(reinterpret_cast<const UBYTE*>(frame.constData()), ULONG(frame.size()));
        if (again.mMessages.size() != 1 || again.mMessages[0].mLength != message.mLength
            || again.mMessages[0].mConnectionId != 70
            || (message.mLength && std::memcmp(again.mMessages[0].mDataBuffer, message.mDataBuffer, message.mLength)))
            std::abort();
    }
    return 0;
}
