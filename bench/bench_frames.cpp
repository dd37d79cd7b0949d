// Frame parser throughput on a stream of mixed small frames, fed in the 256-byte pieces a TCP link
// reads, beside memcpy of the same bytes in the same pieces.

#include "ZUNet/QT/FrameParser.h"
#include "ZUNet/QT/FrameWriter.h"
#include "ZUNet/QT/ZUNetWire.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace
{

constexpr std::size_t kPiece = ZUNetWire::kTcpReadChunk;

struct sStream {
    std::vector<UBYTE> mBytes;
    long mFrames = 0;
};

// Object frames of 0 to 16 data bytes (parameter values, link requests), with a keep-alive or a
// HELLO now and then: about 64 KiB.
const sStream& MixedStream()
{
    static const sStream stream = [] {
        sStream s;
        unsigned seed = 12345;
        while (s.mBytes.size() < 64 * 1024) {
            seed = seed * 1103515245u + 12345u;
            const unsigned pick = (seed >> 16) % 16;
            QByteArray frame;
            if (pick == 0) {
                frame = cFrameWriter::UtilityFrame(ZUNetWire::kKeepAlivePayload, ZUNetWire::kKeepAlivePayloadLength);
            } else if (pick == 1) {
                UBYTE hello[4];
                cFrameWriter::WriteHelloPayload(ZUNetWire::kUtilityHello, 40000, hello);
                frame = cFrameWriter::UtilityFrame(hello, ZUNetWire::kHelloPayloadLength);
            } else {
                cZUNetMessage message(UWORD((seed >> 8) % 17));
                for (int i = 0; i < message.mLength; ++i)
                    message.mDataBuffer[i] = UBYTE(seed >> (i % 24));
                message.SetAddress(3, UWORD(seed % 60000), 17, UWORD(0x1000 + pick));
                frame = cFrameWriter::ObjectFrame(message);
            }
            s.mBytes.insert(s.mBytes.end(), frame.begin(), frame.end());
            ++s.mFrames;
        }
        return s;
    }();
    return stream;
}

class cCounter : public cFrameParser::cReceiver
{
public:
    void ObjectFrameParsed(cZUNetMessage& message) override { mSum += message.mMethod + message.mLength; }
    void UtilityFrameParsed(UBYTE* payload, UWORD length) override { mSum += length ? payload[0] : 0; }
    unsigned long mSum = 0;
};

void Report(benchmark::State& state, const sStream& stream)
{
    state.SetBytesProcessed(long(state.iterations()) * long(stream.mBytes.size()));
    state.SetItemsProcessed(long(state.iterations()) * stream.mFrames);
}

void BM_ParseMixedFrames(benchmark::State& state)
{
    const sStream& stream = MixedStream();
    cCounter counter;
    cFrameParser parser(counter);
    for (auto _ : state) {
        for (std::size_t from = 0; from < stream.mBytes.size(); from += kPiece)
            parser.Feed(stream.mBytes.data() + from, ULONG(std::min(kPiece, stream.mBytes.size() - from)));
        benchmark::DoNotOptimize(counter.mSum);
    }
    if (parser.GetState() != cFrameParser::BETWEEN_FRAMES)
        state.SkipWithError("stream did not end between frames");
    Report(state, stream);
}
BENCHMARK(BM_ParseMixedFrames);

// Baseline: copying the same bytes out of the same pieces, as the link's read does.
void BM_MemcpyMixedFrames(benchmark::State& state)
{
    const sStream& stream = MixedStream();
    UBYTE piece[kPiece];
    for (auto _ : state) {
        for (std::size_t from = 0; from < stream.mBytes.size(); from += kPiece) {
            const std::size_t n = std::min(kPiece, stream.mBytes.size() - from);
            std::memcpy(piece, stream.mBytes.data() + from, n);
            benchmark::DoNotOptimize(piece);
            benchmark::ClobberMemory();
        }
    }
    Report(state, stream);
}
BENCHMARK(BM_MemcpyMixedFrames);

} // namespace

BENCHMARK_MAIN();
