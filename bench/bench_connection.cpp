// ZUNet over a real connection, runner side in this process, the unit side (zunet_test_unit) in
// another, over loopback:
// - round trip of an object message runner -> unit "Echo" -> runner, beside a raw TCP ping-pong
//   of the same frame bytes with the same unit process (its plain echo port), interleaved in the
//   same run; medians, 99th percentiles and their ratios. Also beside a "hand-off" ping-pong:
//   raw TCP again, but with one thread hand-off in each process (the unit's reading thread wakes
//   a writing thread; here a reading thread wakes the measuring one). That is what a message to an
//   object costs at the least in a design where a connection's thread hands messages to a
//   dispatch thread, so the distance from it is the cost of the ZUNet code itself;
// - one-way throughput of small object messages over one connection, counted by the unit.
// The benchmark runs itself inside the private test network namespace.

#include "ZUNet/Core/NetObject.h"
#include "ZUNet/Core/NetworkInterface.h"
#include "ZUNet/Core/RegistryRouter.h"
#include "ZUNet/Core/Syscall.h"
#include "ZUNet/Core/ZUNetMethods.h"
#include "ZUNet/QT/NetworkStack.h"
#include "bench/BenchUnitProcess.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QProcess>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

constexpr quint16 kRawEchoPort = 51400;
constexpr int kDataLength = 16;
constexpr int kFrameLength = 12 + kDataLength;
using tClock = std::chrono::steady_clock;

cSyscallWaitCondition gWaitCondition;

/// The runner's object: counts what comes back.
class cReplySink : public cNetObject
{
public:
    cReplySink()
        : cNetObject("bench sink", 2)
    {
    }
    ~cReplySink() override { Unregister(); }
    void EntrypointMessage(cZUNetMessage& message) override
    {
        ++mReplies;
        if (message.mMethod == M_REPLY_OK && message.mLength >= 2)
            mFoundHandle = message.GetDataBufferUWORD(0);
        if (message.mMethod == PARAMETER_BASE + 1 && message.mLength >= 4)
            mCount = message.GetDataBufferULONG(0);
    }
    long mReplies = 0;
    UWORD mFoundHandle = ZUNET_NO_HANDLE;
    ULONG mCount = 0;
};

cReplySink* gSink = nullptr;
UWORD gConnection = ZUNET_NO_CONNECTION;

/// This thread is the runner's dispatch thread: sleeps until something is queued, then dispatches.
void DispatchUntilReplies(long replies)
{
    while (gSink->mReplies < replies) {
        gWaitCondition.WaitWhile(
            [] { return SyscallGetNumberOfMessagesInBuffer() == 0; }, std::chrono::milliseconds(100));
        gRegistryRouter->SyscallPollAtMost(1000);
    }
}

UWORD FindOnUnit(const char* name)
{
    cZUNetMessage find(UWORD(std::strlen(name) + 1));
    find.SetDataBufferString(name, 0);
    find.SetAddress(gConnection, ZUNET_REGISTRY_HANDLE, gSink->GetHandle(), M_REG_FIND_OBJECT);
    gSink->mFoundHandle = ZUNET_NO_HANDLE;
    SyscallSendMessage(find);
    DispatchUntilReplies(gSink->mReplies + 1);
    return gSink->mFoundHandle;
}

double Percentile(std::vector<double>& samples, int percent)
{
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[std::min(samples.size() - 1, samples.size() * size_t(percent) / 100)];
}

int ConnectRawEcho(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where {};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    inet_pton(AF_INET, "127.0.0.1", &where.sin_addr);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&where), sizeof(where)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool RawPingPong(int fd, const char* frame, char* answer)
{
    if (::send(fd, frame, kFrameLength, 0) != kFrameLength)
        return false;
    int got = 0;
    while (got < kFrameLength) {
        const ssize_t n = ::recv(fd, answer + got, size_t(kFrameLength - got), 0);
        if (n <= 0)
            return false;
        got += int(n);
    }
    return true;
}

/// Reads echoed frames on a thread of its own and wakes the measuring thread for each.
class cHandoffReader
{
public:
    explicit cHandoffReader(int fd)
        : mFd(fd)
        , mThread([this] { Read(); })
    {
    }
    ~cHandoffReader()
    {
        ::shutdown(mFd, SHUT_RDWR);
        mThread.join();
        ::close(mFd);
    }
    bool PingPong(const char* frame)
    {
        std::unique_lock<std::mutex> locker(mLock);
        const long expected = mFrames + 1;
        if (::send(mFd, frame, kFrameLength, MSG_NOSIGNAL) != kFrameLength)
            return false;
        mWake.wait(locker, [&] { return mFrames >= expected || mFailed; });
        return !mFailed;
    }

private:
    void Read()
    {
        char buffer[kFrameLength];
        int got = 0;
        for (;;) {
            const ssize_t n = ::recv(mFd, buffer + got, size_t(kFrameLength - got), 0);
            std::lock_guard<std::mutex> locker(mLock);
            if (n <= 0) {
                mFailed = true;
                mWake.notify_all();
                return;
            }
            got += int(n);
            if (got == kFrameLength) {
                got = 0;
                ++mFrames;
                mWake.notify_all();
            }
        }
    }

    const int mFd;
    std::mutex mLock;
    std::condition_variable mWake;
    long mFrames = 0;
    bool mFailed = false;
    std::thread mThread;
};

/// Each iteration makes one object round trip, one raw ping-pong and one hand-off ping-pong of
/// the same frame bytes, so all three see the same machine load; the time reported is the three.
void BM_RoundTripBesideRawTcp(benchmark::State& state)
{
    const int fd = ConnectRawEcho(kRawEchoPort);
    const int handoffFd = ConnectRawEcho(kRawEchoPort + 1);
    if (fd < 0 || handoffFd < 0) {
        state.SkipWithError("raw echo port not reachable");
        return;
    }
    const UWORD echo = FindOnUnit("Echo");
    cZUNetMessage message(kDataLength);
    for (int i = 0; i < kDataLength; ++i)
        message.SetDataBufferUBYTE(UBYTE(i), i);
    message.SetAddress(gConnection, echo, gSink->GetHandle(), PARAMETER_BASE);
    char frame[kFrameLength];
    for (int i = 0; i < kFrameLength; ++i)
        frame[i] = char(i);
    char answer[kFrameLength];
    cHandoffReader handoff(handoffFd);

    std::vector<double> object;
    std::vector<double> raw;
    std::vector<double> floor;
    object.reserve(size_t(state.max_iterations));
    raw.reserve(size_t(state.max_iterations));
    floor.reserve(size_t(state.max_iterations));
    for (auto _ : state) {
        auto start = tClock::now();
        const long expected = gSink->mReplies + 1;
        SyscallSendMessage(message);
        DispatchUntilReplies(expected);
        object.push_back(std::chrono::duration<double, std::micro>(tClock::now() - start).count());

        start = tClock::now();
        if (!RawPingPong(fd, frame, answer)) {
            state.SkipWithError("raw echo failed");
            break;
        }
        raw.push_back(std::chrono::duration<double, std::micro>(tClock::now() - start).count());

        start = tClock::now();
        if (!handoff.PingPong(frame)) {
            state.SkipWithError("hand-off echo failed");
            break;
        }
        floor.push_back(std::chrono::duration<double, std::micro>(tClock::now() - start).count());
    }
    ::close(fd);
    const double objectMedian = Percentile(object, 50);
    const double objectP99 = Percentile(object, 99);
    const double rawMedian = Percentile(raw, 50);
    const double rawP99 = Percentile(raw, 99);
    state.counters["object_p50_us"] = objectMedian;
    state.counters["object_p99_us"] = objectP99;
    state.counters["raw_p50_us"] = rawMedian;
    state.counters["raw_p99_us"] = rawP99;
    // Goals: at most 2 at the median, at most 3 at the 99th percentile.
    state.counters["p50_ratio"] = rawMedian > 0 ? objectMedian / rawMedian : 0;
    state.counters["p99_ratio"] = rawP99 > 0 ? objectP99 / rawP99 : 0;
    const double floorMedian = Percentile(floor, 50);
    state.counters["handoff_p50_us"] = floorMedian;
    state.counters["handoff_p99_us"] = Percentile(floor, 99);
    state.counters["handoff_p50_ratio"] = rawMedian > 0 ? floorMedian / rawMedian : 0;
}

void BM_OneWayThroughput(benchmark::State& state)
{
    const UWORD counter = FindOnUnit("Counter");
    const int batch = int(state.range(0));
    cZUNetMessage message(4);
    message.SetDataBufferULONG(0x01020304, 0);
    message.SetAddress(gConnection, counter, gSink->GetHandle(), PARAMETER_BASE);
    cZUNetMessage report(0);
    report.SetAddress(gConnection, counter, gSink->GetHandle(), PARAMETER_BASE + 1);
    ULONG sent = 0;
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i)
            SyscallSendMessage(message);
        sent += ULONG(batch);
        // The unit answers the report after every message before it has been counted.
        SyscallSendMessage(report);
        DispatchUntilReplies(gSink->mReplies + 1);
        if (gSink->mCount < sent) {
            state.SkipWithError("unit counted fewer messages than were sent");
            break;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * batch);
}

} // namespace

BENCHMARK(BM_RoundTripBesideRawTcp)->Iterations(20000)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_OneWayThroughput)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    RunInTestNamespace(argc, argv);
    QCoreApplication app(argc, argv);
    QProcess unit;
    if (!StartUnitProcess(unit, QStringLiteral(ZUNET_TEST_UNIT),
            { "--listen", "127.0.0.1", "--raw-echo-port", QString::number(kRawEchoPort) }))
        return 2;

    gSyscallWaitCondition.store(&gWaitCondition);
    // Dispatch runs on the bench thread.
    auto stack = std::make_unique<cNetworkStack>(0);
    gSink = new cReplySink;
    gConnection = NetworkFindConnection("127.0.0.1");
    if (gConnection == ZUNET_NO_CONNECTION)
        return 3;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();

    stack->Stop();
    delete gSink;
    stack.reset();
    gSyscallWaitCondition.store(nullptr);
    unit.closeWriteChannel();
    unit.waitForFinished(10000);
    return 0;
}
